// ZENetworkManager: one server and its clients over UDP/IPv4.
//
// This is the platform-independent half of the transport: the server's
// client table, the send helpers, the loop-back queues of a process that is
// server and client at once, the connection state and the defaults. A
// backend (ZELinuxNetworkManager) owns the socket: it starts and ends
// server and client, performs the connection handshake, and polls for
// datagrams once a frame in Idle(), raising the application's network
// callbacks. Everything runs on the main thread.
//
// Addresses carry no port: every datagram goes to and comes from the one
// port m_usPort (default 2000). Clients are told apart by address alone.
// Client numbers start at 1 and are never reused.
//
// Every datagram starts with a 32-bit little-endian message type; types 1
// to 5 belong to the transport (records below), everything else - and any
// datagram shorter than 4 bytes - is application data. Names and passwords
// travel zero-terminated in 32-byte fields; text read from the wire is
// always bounded by its field.
//
// The one manager is ms_pNetworkManager. While ms_bRefuseConnection is set
// a server refuses every connection request (the game sets it during a
// race).
#pragma once

#include "core/ZEString.h"

#include <cstdint>

struct ZEIPAddress
{
    uint8_t a = 0, b = 0, c = 0, d = 0;   // a.b.c.d

    bool operator==(const ZEIPAddress& other) const
    {
        return a == other.a && b == other.b && c == other.c && d == other.d;
    }
    bool operator!=(const ZEIPAddress& other) const { return !(*this == other); }
};
static_assert(sizeof(ZEIPAddress) == 4, "an IPv4 address is four bytes");

// Identifies the game and its version; a client is accepted only when its
// request carries the server's eight bytes exactly.
struct ZEGameID
{
    uint8_t m_aucID[8] = {};
};
static_assert(sizeof(ZEGameID) == 8, "the game id is eight bytes on the wire");

// One entry of the server's client table.
struct _ZEClient
{
    uint32_t m_ulID = 0;
    ZEIPAddress m_IP;
    char m_acName[32] = {};           // always zero-terminated
    bool m_bLocal = false;            // this same process, through the queues
    uint32_t m_ulLastMessage = 0;     // real time of its last datagram, ms
    uint32_t m_ulPing = 0;            // round trip of the last ping, ms
    _ZEClient* m_pNext = nullptr;
};

// A loop-back message: a copy of the bytes.
struct _ZENetMessage
{
    char* m_pData = nullptr;
    uint32_t m_ulLength = 0;
    _ZENetMessage* m_pNext = nullptr;
};

// Transport message types.
enum ZENetMessageType : uint32_t
{
    ZE_NET_CONNECT_REQUEST = 1,   // client -> server
    ZE_NET_CONNECT_ACCEPT = 2,    // server -> client
    ZE_NET_CONNECT_REFUSE = 3,    // server -> client
    ZE_NET_DISCONNECT = 4,        // both ways
    ZE_NET_PING = 5               // server -> client, echoed back
};

// The transport records as they travel, little-endian, without padding.
struct _ZENetConnectRequest
{
    uint32_t m_ulType;             // ZE_NET_CONNECT_REQUEST
    ZEGameID m_GameID;
    char m_acPlayerName[32];
    char m_acPassword[32];
};
static_assert(sizeof(_ZENetConnectRequest) == 76, "a connection request is 76 bytes on the wire");

struct _ZENetConnectAnswer
{
    uint32_t m_ulType;             // ZE_NET_CONNECT_ACCEPT or ZE_NET_CONNECT_REFUSE
    char m_acServerName[32];
};
static_assert(sizeof(_ZENetConnectAnswer) == 36, "a connection answer is 36 bytes on the wire");

struct _ZENetDisconnect
{
    uint32_t m_ulType;             // ZE_NET_DISCONNECT
};
static_assert(sizeof(_ZENetDisconnect) == 4, "a disconnect is 4 bytes on the wire");

struct _ZENetPing
{
    uint32_t m_ulType;             // ZE_NET_PING
    uint32_t m_ulTime;             // the server's real time, ms
};
static_assert(sizeof(_ZENetPing) == 8, "a ping is 8 bytes on the wire");

class ZENetworkManager
{
public:
    ZENetworkManager();
    // Frees the client table and both queues.
    virtual ~ZENetworkManager();

    ZENetworkManager(const ZENetworkManager&) = delete;
    ZENetworkManager& operator=(const ZENetworkManager&) = delete;

    // Once a frame: receive, answer, time out, raise callbacks. Does
    // nothing while neither server nor client runs.
    virtual void Idle();
    // Opens the server socket; false (with nothing running) on failure.
    // maxClients 0 admits any number; an empty password admits everybody.
    virtual bool StartServer(const ZEString& name, uint32_t maxClients, const ZEString& password);
    // Whether a server was running.
    virtual bool EndServer();
    // Connects to a server (blocking handshake), or joins this process's
    // own server through the loop-back queues.
    virtual bool StartClient(const ZEIPAddress& server, const ZEString& playerName, const ZEString& password);
    // Whether a client was running.
    virtual bool EndClient();
    // One datagram to `to` on m_usPort; false only when sending failed.
    virtual bool SendData(const void* data, uint32_t length, const ZEIPAddress& to);

    void SetGameID(const ZEGameID& id);

    // Server only; false when not a server, no such client, or a send failed.
    bool SendDataToClient(uint32_t id, const void* data, uint32_t length);
    // Server only, with at least one client; false when any send failed.
    bool SendDataToAllClients(const void* data, uint32_t length);
    // Client only; to the own server's queue when this process is both.
    bool SendDataToServer(const void* data, uint32_t length);

    // Appends a client with the next number; the name is cut to its
    // 32-byte field (31 characters and the terminator).
    _ZEClient* AddClient(const ZEIPAddress& address, const char* name);
    _ZEClient* GetClient(uint32_t id) const;
    _ZEClient* GetClientByIP(const ZEIPAddress& address) const;
    void RemoveClient(uint32_t id);
    // Reports and removes every non-local client silent for more than
    // ms_ulClientTimeout ms.
    void RemoveDisconnected();
    void RemoveAllClients();

    // Only while this process is server and client: a copy of the message
    // joins the tail of the server's / the client's queue.
    void AddMsgForServer(const void* data, uint32_t length);
    void AddMsgForClient(const void* data, uint32_t length);

    static ZENetworkManager* ms_pNetworkManager;
    static bool ms_bRefuseConnection;
    static const uint32_t ms_ulClientTimeout = 45000;
    static const uint16_t ms_usDefaultPort = 2000;

    bool m_bActive = false;
    ZEGameID m_GameID;
    bool m_bServer = false;
    char m_acServerName[32] = "UnnamedServer";
    char m_acPassword[32] = "";
    uint32_t m_ulNextClientID = 1;
    uint32_t m_ulNumClients = 0;
    uint32_t m_ulMaxClients = 0;
    uint32_t m_ulLastPing = 0;
    _ZEClient* m_pClients = nullptr;
    _ZEClient* m_pLocalClient = nullptr;
    bool m_bClient = false;
    uint32_t m_ulLastServerMessage = 0;
    ZEIPAddress m_ServerIP;
    char m_acPlayerName[32] = "Nobody";
    uint16_t m_usPort = ms_usDefaultPort;
    _ZENetMessage* m_pServerQueue = nullptr;
    _ZENetMessage* m_pClientQueue = nullptr;

protected:
    // Current wall time, ms (0 without a timer).
    static uint32_t RealTime();
    // Copies text into a 32-byte field, cut to fit and always terminated.
    static void CopyField(char (&field)[32], const char* text);
    // Frees every message of a queue.
    static void FreeQueue(_ZENetMessage*& queue);

private:
    bool SendToClient(_ZEClient& client, const void* data, uint32_t length);
    static void Enqueue(_ZENetMessage*& queue, const void* data, uint32_t length);
};
