// WZApp's textures: the HUD pieces, the menu background and the track
// previews, loaded once at start-up.
#include "WZApp.h"

#include "car/WZRoster.h"
#include "resources/ZETextureManager.h"

void WZApp::LoadRes()
{
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    if (!textures)
        return;
    ReleaseRes();
    const uint8_t blue[3] = {0, 0, 255};
    ZEString hud("HUD");
    m_pTacho = textures->GetTexture(ZEString("tacho"), hud, false, blue);
    const char* const icons[4] = {"N2O", "rocket", "mine", "oil"};
    for (int i = 0; i < 4; ++i)
        m_apPowerUpIcon[i] = textures->GetTexture(ZEString(icons[i]), hud, false, blue);
    m_pBackground = textures->GetTexture(ZEString("background"), ZEString("menu"), false);
    for (uint32_t i = 0; i < WZ_NUM_TRACKS; ++i)
        m_apTrackPreview[i] = textures->GetTexture(ZEString(WZ_TRACK_NAMES[i]), ZEString("tracks"), false);
}

void WZApp::ReleaseRes()
{
    delete m_pTacho;
    m_pTacho = nullptr;
    delete m_pBackground;
    m_pBackground = nullptr;
    for (ZETextureReference*& icon : m_apPowerUpIcon)
    {
        delete icon;
        icon = nullptr;
    }
    for (ZETextureReference*& preview : m_apTrackPreview)
    {
        delete preview;
        preview = nullptr;
    }
}
