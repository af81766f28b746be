#include "core/ZENetworkManager.h"

#include "core/ZEApplication.h"
#include "core/ZEConsole.h"
#include "core/ZETimer.h"

#include <cstring>

ZENetworkManager* ZENetworkManager::ms_pNetworkManager = nullptr;
bool ZENetworkManager::ms_bRefuseConnection = false;

ZENetworkManager::ZENetworkManager()
{
    ms_pNetworkManager = this;
}

ZENetworkManager::~ZENetworkManager()
{
    RemoveAllClients();
    FreeQueue(m_pServerQueue);
    FreeQueue(m_pClientQueue);
    if (ms_pNetworkManager == this)
        ms_pNetworkManager = nullptr;
}

void ZENetworkManager::Idle() {}

bool ZENetworkManager::StartServer(const ZEString&, uint32_t, const ZEString&)
{
    return false;
}

bool ZENetworkManager::EndServer()
{
    return false;
}

bool ZENetworkManager::StartClient(const ZEIPAddress&, const ZEString&, const ZEString&)
{
    return false;
}

bool ZENetworkManager::EndClient()
{
    return false;
}

bool ZENetworkManager::SendData(const void*, uint32_t, const ZEIPAddress&)
{
    return false;
}

uint32_t ZENetworkManager::RealTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetRealTime() : 0;
}

void ZENetworkManager::CopyField(char (&field)[32], const char* text)
{
    size_t length = text ? strnlen(text, sizeof(field) - 1) : 0;
    std::memcpy(field, text ? text : "", length);
    std::memset(field + length, 0, sizeof(field) - length);
}

void ZENetworkManager::SetGameID(const ZEGameID& id)
{
    m_GameID = id;
}

bool ZENetworkManager::SendToClient(_ZEClient& client, const void* data, uint32_t length)
{
    if (client.m_bLocal)
    {
        AddMsgForClient(data, length);
        return true;
    }
    return SendData(data, length, client.m_IP);
}

bool ZENetworkManager::SendDataToClient(uint32_t id, const void* data, uint32_t length)
{
    if (!m_bServer)
        return false;
    _ZEClient* client = GetClient(id);
    return client && SendToClient(*client, data, length);
}

bool ZENetworkManager::SendDataToAllClients(const void* data, uint32_t length)
{
    if (!m_bServer || !m_pClients)
        return false;
    bool allSent = true;
    for (_ZEClient* client = m_pClients; client; client = client->m_pNext)
        allSent = SendToClient(*client, data, length) && allSent;
    if (!allSent)
        ZEConsole::Post("network", "Error sending Data", ZE_MSG_ERROR);
    return allSent;
}

bool ZENetworkManager::SendDataToServer(const void* data, uint32_t length)
{
    if (!m_bClient)
        return false;
    if (m_bServer)
    {
        AddMsgForServer(data, length);
        return true;
    }
    return SendData(data, length, m_ServerIP);
}

_ZEClient* ZENetworkManager::AddClient(const ZEIPAddress& address, const char* name)
{
    _ZEClient* client = new _ZEClient();
    client->m_ulID = m_ulNextClientID++;
    client->m_IP = address;
    CopyField(client->m_acName, name);
    client->m_ulLastMessage = RealTime();

    _ZEClient** link = &m_pClients;
    while (*link)
        link = &(*link)->m_pNext;
    *link = client;
    ++m_ulNumClients;
    return client;
}

_ZEClient* ZENetworkManager::GetClient(uint32_t id) const
{
    for (_ZEClient* client = m_pClients; client; client = client->m_pNext)
        if (client->m_ulID == id)
            return client;
    return nullptr;
}

_ZEClient* ZENetworkManager::GetClientByIP(const ZEIPAddress& address) const
{
    for (_ZEClient* client = m_pClients; client; client = client->m_pNext)
        if (client->m_IP == address)
            return client;
    return nullptr;
}

void ZENetworkManager::RemoveClient(uint32_t id)
{
    for (_ZEClient** link = &m_pClients; *link; link = &(*link)->m_pNext)
    {
        _ZEClient* client = *link;
        if (client->m_ulID != id)
            continue;
        *link = client->m_pNext;
        if (m_pLocalClient == client)
            m_pLocalClient = nullptr;
        delete client;
        --m_ulNumClients;
        return;
    }
}

void ZENetworkManager::RemoveDisconnected()
{
    uint32_t now = RealTime();
    _ZEClient* client = m_pClients;
    while (client)
    {
        _ZEClient* next = client->m_pNext;
        if (!client->m_bLocal && now - client->m_ulLastMessage > ms_ulClientTimeout)
        {
            if (ZEApplication::ms_pApp)
                ZEApplication::ms_pApp->ClientDisconnected(client);
            RemoveClient(client->m_ulID);
        }
        client = next;
    }
}

void ZENetworkManager::RemoveAllClients()
{
    while (m_pClients)
    {
        _ZEClient* client = m_pClients;
        m_pClients = client->m_pNext;
        delete client;
    }
    m_pLocalClient = nullptr;
    m_ulNumClients = 0;
}

void ZENetworkManager::Enqueue(_ZENetMessage*& queue, const void* data, uint32_t length)
{
    if (!data && length > 0)
        return;
    _ZENetMessage* message = new _ZENetMessage();
    message->m_pData = new char[length > 0 ? length : 1];
    if (length > 0)
        std::memcpy(message->m_pData, data, length);
    message->m_ulLength = length;

    _ZENetMessage** link = &queue;
    while (*link)
        link = &(*link)->m_pNext;
    *link = message;
}

void ZENetworkManager::AddMsgForServer(const void* data, uint32_t length)
{
    if (m_bServer && m_bClient)
        Enqueue(m_pServerQueue, data, length);
}

void ZENetworkManager::AddMsgForClient(const void* data, uint32_t length)
{
    if (m_bServer && m_bClient)
        Enqueue(m_pClientQueue, data, length);
}

void ZENetworkManager::FreeQueue(_ZENetMessage*& queue)
{
    while (queue)
    {
        _ZENetMessage* message = queue;
        queue = message->m_pNext;
        delete[] message->m_pData;
        delete message;
    }
}
