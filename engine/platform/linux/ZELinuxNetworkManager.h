// ZELinuxNetworkManager: the transport on BSD sockets.
//
// One non-blocking UDP socket, bound to m_usPort on every local address
// with broadcast enabled, serves a server or a client; it is opened by
// StartServer or StartClient and closed when they end. Idle() polls it
// once a frame into a 3000-byte buffer (longer datagrams are cut). A server
// pings its clients once a second and drops those silent for 45 s; a client
// that hears nothing from its server for 45 s reports the disconnection.
// Addresses are converted through their dotted text "%d.%d.%d.%d".
//
// The socket work is not built yet: no socket is ever opened, starting a
// server or a client fails, and Idle() has nothing to poll.
#pragma once

#include "core/ZENetworkManager.h"

class ZELinuxNetworkManager : public ZENetworkManager
{
public:
    static const uint32_t ms_ulBufferSize = 3000;

    ZELinuxNetworkManager();
    // Says goodbye to the other side, closes the socket, frees the buffer.
    ~ZELinuxNetworkManager() override;

    void Idle() override;
    bool StartServer(const ZEString& name, uint32_t maxClients, const ZEString& password) override;
    bool EndServer() override;
    bool StartClient(const ZEIPAddress& server, const ZEString& playerName,
                     const ZEString& password) override;
    bool EndClient() override;
    bool SendData(const void* data, uint32_t length, const ZEIPAddress& to) override;

    int m_iSocket = -1;
    char* m_pcBuffer = nullptr;

private:
    void CloseSocket();
};
