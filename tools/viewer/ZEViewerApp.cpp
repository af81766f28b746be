#include "ZEViewerApp.h"
#include "ZEViewerOverview.h"

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZEInputDevices.h"
#include "math/ZEBoundingVolume.h"
#include "render/ZECamera.h"
#include "render/ZELight.h"
#include "render/ZERenderer.h"
#include "render/ZESkyBox.h"
#include "resources/ZEModelManager.h"
#include "resources/ZETextureManager.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include <algorithm>
#include <cfloat>
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

// The vertices the faces of a map's tree draw (entities such as the sky
// box are left out), and the box of those within an x-z area.
struct FaceBox
{
    const ZELVertex* m_pVertices;
    uint32_t m_ulCount;
    float m_fLowX = -FLT_MAX, m_fHighX = FLT_MAX, m_fLowZ = -FLT_MAX, m_fHighZ = FLT_MAX;
    ZEVector m_vMin{FLT_MAX, FLT_MAX, FLT_MAX};
    ZEVector m_vMax{-FLT_MAX, -FLT_MAX, -FLT_MAX};

    bool Empty() const { return m_vMin.x > m_vMax.x; }

    void Grow(const ZEBSPNode* node)
    {
        if (!node)
            return;
        for (const ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext)
            for (uint16_t i = 0; i < face->m_usNumIndices; ++i)
            {
                if (face->m_pusIndices[i] >= m_ulCount)
                    continue;
                const ZELVertex& v = m_pVertices[face->m_pusIndices[i]];
                if (v.x < m_fLowX || v.x > m_fHighX || v.z < m_fLowZ || v.z > m_fHighZ)
                    continue;
                m_vMin = ZEVector(std::min(m_vMin.x, v.x), std::min(m_vMin.y, v.y), std::min(m_vMin.z, v.z));
                m_vMax = ZEVector(std::max(m_vMax.x, v.x), std::max(m_vMax.y, v.y), std::max(m_vMax.z, v.z));
            }
        Grow(node->m_pFront);
        Grow(node->m_pBack);
    }
};
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
    // wrenzo.previews is mounted when it is there; the previews themselves
    // are rendered by the viewer before it exists.
    for (const char* package : {"Zervane.dat", "wrenzo.textures", "wrenzo.models", "wrenzo.maps", "wrenzo.previews"})
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
    return !m_Options.m_bOverview || FrameOverview();
}

bool ZEViewerApp::FrameOverview()
{
    ZETerrain* loaded = m_pEngine->GetTerrain();
    ZEBSPTerrain* terrain = ZEIsKindOf(loaded, ZEBSPTerrain::ms_RTTI) ? static_cast<ZEBSPTerrain*>(loaded) : nullptr;
    FaceBox faces{terrain ? terrain->m_pLVertices : nullptr, terrain ? terrain->m_ulNumLVertices : 0};
    if (terrain)
        faces.Grow(terrain->m_pRoot);
    if (faces.Empty())
    {
        Fail("map " + m_Options.m_MapName + " has no faces to frame");
        return false;
    }
    // Around the track, when the map has one: the faces there give the
    // heights.
    ZEVector min, max;
    ZEOverviewRegion(faces.m_vMin, faces.m_vMax, m_avTrackNodes, min, max);
    FaceBox region{faces.m_pVertices, faces.m_ulCount, min.x, max.x, min.z, max.z};
    region.Grow(terrain->m_pRoot);
    if (!region.Empty())
    {
        min = region.m_vMin;
        max = region.m_vMax;
    }
    // The sky box is left out of the picture as it is of the framing:
    // around the far-off camera it could only show its lower half behind
    // the map, which reads better alone on the background colour.
    delete loaded->m_pSkyBox;
    loaded->m_pSkyBox = nullptr;

    const float aspect = float(m_Options.m_usWidth) / m_Options.m_usHeight;
    std::vector<ZEVector> points = ZEOverviewPoints(min, max, m_avTrackNodes);
    ZEOverviewView view = m_Options.m_bRotationGiven
                              ? ZEFrameOverview(points, aspect, m_Options.m_vRotation.x, m_Options.m_vRotation.y)
                              : ZEFrameOverview(points, aspect);
    std::printf("zeview: framing %.0f..%.0f x %.0f..%.0f y %.0f..%.0f z (%s) from pitch %.0f yaw %.0f\n", min.x,
                max.x, min.y, max.y, min.z, max.z, m_avTrackNodes.empty() ? "the map" : "around the track",
                view.m_vRotation.x, view.m_vRotation.y);
    m_pRenderer->SetPerspective(view.m_fFovY, aspect, view.m_fNear, view.m_fFar);
    m_Options.m_bFixedCamera = true;
    m_Options.m_vPosition = view.m_vPosition;
    m_Options.m_vRotation = view.m_vRotation;
    return true;
}

bool ZEViewerApp::ReceiveCustomEntity(ZECustomEntity* entity)
{
    if (entity && entity->m_ClassName == ZEString("TrackNode"))
        m_avTrackNodes.push_back(entity->m_vPosition);
    return false;
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
