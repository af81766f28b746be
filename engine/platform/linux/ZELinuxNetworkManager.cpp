#include "platform/linux/ZELinuxNetworkManager.h"

#include <unistd.h>

ZELinuxNetworkManager::ZELinuxNetworkManager()
    : m_pcBuffer(new char[ms_ulBufferSize])
{
}

ZELinuxNetworkManager::~ZELinuxNetworkManager()
{
    EndServer();
    EndClient();
    CloseSocket();
    delete[] m_pcBuffer;
}

void ZELinuxNetworkManager::CloseSocket()
{
    if (m_iSocket >= 0)
        close(m_iSocket);
    m_iSocket = -1;
}

// Opening sockets, polling and the handshake come with the network work;
// until then nothing can be started, so there is never a socket to poll.
void ZELinuxNetworkManager::Idle() {}

bool ZELinuxNetworkManager::StartServer(const ZEString&, uint32_t, const ZEString&)
{
    return false;
}

bool ZELinuxNetworkManager::StartClient(const ZEIPAddress&, const ZEString&, const ZEString&)
{
    return false;
}

bool ZELinuxNetworkManager::EndServer()
{
    if (!m_bServer)
        return false;
    _ZENetDisconnect goodbye = {ZE_NET_DISCONNECT};
    SendDataToAllClients(&goodbye, sizeof(goodbye));
    RemoveAllClients();
    CloseSocket();
    m_bServer = m_bClient = m_bActive = false;
    return true;
}

bool ZELinuxNetworkManager::EndClient()
{
    if (!m_bClient)
        return false;
    // A loop-back client shares the server's socket, which stays open.
    if (m_bServer)
    {
        m_bClient = false;
        return true;
    }
    _ZENetDisconnect goodbye = {ZE_NET_DISCONNECT};
    SendData(&goodbye, sizeof(goodbye), m_ServerIP);
    CloseSocket();
    m_bServer = m_bClient = m_bActive = false;
    return true;
}

bool ZELinuxNetworkManager::SendData(const void*, uint32_t, const ZEIPAddress&)
{
    return false;
}
