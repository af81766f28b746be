#include "ZEViewerApp.h"

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZEInputDevices.h"
#include "math/ZEBoundingVolume.h"
#include "render/ZECamera.h"
#include "render/ZELight.h"
#include "render/ZERenderer.h"
#include "resources/ZEModelManager.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include <cstdio>
#include <cstdlib>

namespace
{
// Splits "dir/name.zmf" into "dir/" and "name.zmf" ("" and the whole text
// without a slash).
void SplitPath(const std::string& path, std::string& directory, std::string& name)
{
    size_t slash = path.find_last_of('/');
    directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

float Clamp(float value, float low, float high)
{
    return value < low ? low : (value > high ? high : value);
}
}

ZEViewerApp::ZEViewerApp(const ZEViewerOptions& options)
    : m_Options(options), m_vOrbit(options.m_vRotation), m_iFramesLeft(options.m_iFrames)
{
}

void ZEViewerApp::Prepare(char*)
{
    m_usWidth = m_Options.m_usWidth;
    m_usHeight = m_Options.m_usHeight;
    m_usFullscreen = 0;
}

void ZEViewerApp::Start()
{
    m_pRenderer->SetWindowTitle(ZEString("Zervane viewer"));
    m_pRenderer->SetBackgroundColor(40, 44, 52);
    m_pEngine->ShowCursor(m_Options.m_ShotName.empty());
    m_pEngine->AddLightToWorld(new ZELight(1.0f));

    bool loaded = m_Options.m_ModelFile.empty() ? LoadMap() : LoadModel();
    if (!loaded)
        return;
    m_fDistance = m_fRadius * m_Options.m_fDistance;
    PlaceCamera();
}

bool ZEViewerApp::LoadModel()
{
    std::string directory, name;
    SplitPath(m_Options.m_ModelFile, directory, name);
    ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(directory.c_str()));
    ZEModelManager::ms_pModelManager->SetModelDirectory(ZEString(""));

    ZEModelReference* model = ZEModelManager::ms_pModelManager->GetModel(ZEString(name.c_str()));
    if (!model)
    {
        Fail("cannot load model " + m_Options.m_ModelFile);
        return false;
    }
    if (m_Options.m_iAnimation >= 0)
    {
        model->SetAnimation(static_cast<uint32_t>(m_Options.m_iAnimation));
        model->m_bLoop = true;
    }
    ZEEngineObject* object = new ZEEngineObject();
    object->m_pModel = model;
    object->m_bCollision = false;
    m_pEngine->AddObjectToWorld(object);

    ZEBoundingSphere sphere = model->GetBoundingSphere(object->m_vPosition);
    m_vTarget = model->GetCenter(object->m_vPosition);
    if (sphere.m_fRadius > 0.0f)
        m_fRadius = sphere.m_fRadius;
    return true;
}

// Points the file manager at the data folder and adds the packages there,
// as the game does at its start: maps name their textures by package.
void ZEViewerApp::MountData()
{
    ZEFileManager* files = ZEFileManager::ms_pFileManager;
    files->RemoveAllArchives();
    files->SetMainDirectory(ZEString(m_Options.m_DataDirectory.c_str()));
    for (const char* package : {"Zervane.dat", "wrenzo.textures", "wrenzo.models", "wrenzo.maps"})
        files->AddArchive(ZEString(package));
    const uint8_t black[3] = {0, 0, 0};
    m_pEngine->SetCursorImage(ZETextureManager::ms_pTexManager->GetTexture(ZEString("cursor01"),
                                                                            ZEString("Engine"), false, black));
}

bool ZEViewerApp::LoadMap()
{
    MountData();
    LoadBSPFile(ZEString(m_Options.m_MapName.c_str()));
    if (!m_pEngine->GetTerrain())
    {
        Fail("cannot load map " + m_Options.m_MapName);
        return false;
    }
    m_fRadius = 400.0f;
    return true;
}

void ZEViewerApp::Fail(const std::string& why)
{
    std::fprintf(stderr, "zeview: %s\n", why.c_str());
    m_iExitStatus = 1;
    Exit();
}

void ZEViewerApp::PlaceCamera()
{
    ZECamera& camera = m_pRenderer->m_Camera;
    if (m_Options.m_bFixedCamera)
    {
        camera.SetRotation(m_Options.m_vRotation);
        camera.SetPosition(m_Options.m_vPosition);
        return;
    }
    camera.SetRotation(m_vOrbit);
    camera.SetPosition(m_vTarget - camera.GetFVector() * m_fDistance);
}

void ZEViewerApp::Update2(uint32_t)
{
    PlaceCamera();
}

void ZEViewerApp::Render()
{
    if (m_Options.m_ShotName.empty() || --m_iFramesLeft > 0)
        return;
    // The frame is complete but not yet presented: the back buffer holds it.
    m_pRenderer->TakeScreenshot(ZEString(m_Options.m_ShotName.c_str()));
    std::printf("zeview: wrote %s.tga\n", m_Options.m_ShotName.c_str());
    Exit();
}

void ZEViewerApp::KeyDown(uint32_t key)
{
    if (key == ZE_KEY_ESCAPE)
        Exit();
    else if (key == ZE_KEY_UP)
        m_fDistance *= 0.9f;
    else if (key == ZE_KEY_DOWN)
        m_fDistance *= 1.1f;
}

void ZEViewerApp::MouseMovement(uint32_t, uint32_t, int32_t dx, int32_t dy, char)
{
    if (!m_pInputDevices || !m_pInputDevices->IsPressed(ZE_KEY_MOUSE0))
        return;
    m_vOrbit.y += dx * 0.5f;
    m_vOrbit.x = Clamp(m_vOrbit.x - dy * 0.5f, -89.0f, 89.0f);
}

void ZEViewerApp::EndProcess(int status)
{
    std::exit(status != 0 ? status : m_iExitStatus);
}
