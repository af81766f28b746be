#include "platform/null/ZENullDevices.h"

#include "resources/ZESoundManager.h"

void ZENullSoundDevice::SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                                    const ZEVector& velocity)
{
    ++m_ulListenerCalls;
    m_vListenerPosition = pos;
    m_vListenerAt = at;
    m_vListenerUp = up;
    m_vListenerVelocity = velocity;
}

void ZENullSoundDevice::PlaySound(ZESoundReference*, int16_t, float)
{
    ++m_ulPlays;
}

void ZENullSoundDevice::PlaySound3D(ZESoundReference*, const ZEVector&, const ZEVector&, int16_t, float)
{
    ++m_ulPlays;
}

void ZENullSoundDevice::StopSound(ZESoundReference*)
{
    ++m_ulStops;
}

ZESound* ZENullSoundDevice::LoadSound(const ZEString& path)
{
    if (m_bLoadFails)
        return nullptr;
    ++m_ulLoads;
    ZESound* sound = new ZESound();
    sound->m_Name = path;
    return sound;
}

void ZENullSoundDevice::FreeSound(ZESound*)
{
    ++m_ulFrees;
}

void ZENullSoundDevice::Update()
{
    ++m_ulUpdates;
}

void ZENullCDPlayer::Stop()
{
    ++m_ulStopCalls;
    if (m_pTally)
        ++m_pTally->m_ulCDStops;
}

void ZENullNetworkManager::Idle()
{
    ++m_ulIdleCalls;
    if (m_pTally)
        ++m_pTally->m_ulNetworkIdles;
}

bool ZENullNetworkManager::EndServer()
{
    ++m_ulEndServerCalls;
    if (m_pTally)
        ++m_pTally->m_ulEndServers;
    bool wasRunning = m_bServer;
    RemoveAllClients();
    m_bServer = m_bClient = m_bActive = false;
    return wasRunning;
}

bool ZENullNetworkManager::EndClient()
{
    ++m_ulEndClientCalls;
    if (m_pTally)
        ++m_pTally->m_ulEndClients;
    bool wasRunning = m_bClient;
    m_bClient = false;
    if (!m_bServer)
        m_bActive = false;
    return wasRunning;
}
