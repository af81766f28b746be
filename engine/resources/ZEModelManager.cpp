#include "resources/ZEModelManager.h"

#include "core/ZETimer.h"
#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"

#include <cmath>
#include <cstring>

ZE_IMPLEMENT_ROOT_RTTI(ZEModel);

uint32_t ZEModel::ms_ulNextID = 1;
ZEModelManager* ZEModelManager::ms_pModelManager = nullptr;

namespace
{
// "modeldetail" 4 always draws the coarsest level.
const int32_t kCoarsestDetail = 4;

uint32_t GameTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetTime() : 0;
}

// Elapsed game milliseconds scaled by an animation speed, as a whole number
// of animation milliseconds. A negative or not-a-number speed would make
// the conversion undefined; such a speed holds the animation at its start.
uint32_t ScaledTime(uint32_t elapsed, float speed)
{
    double t = static_cast<double>(elapsed) * speed;
    if (!(t > 0.0))
        return 0;
    if (t >= 4294967295.0)
        return UINT32_MAX;
    return static_cast<uint32_t>(t);
}

float LargestComponent(const ZEVector& v)
{
    float largest = v.x > v.y ? v.x : v.y;
    return largest > v.z ? largest : v.z;
}

float MeanComponent(const ZEVector& v)
{
    return (v.x + v.y + v.z) / 3.0f;
}
}

// ---------------------------------------------------------------------------
// Key-frame records

ZEModelTriGroup::~ZEModelTriGroup()
{
    // The vertex array belongs to the model and is shared by every group.
    m_pVertices = nullptr;
    m_pLVertices = nullptr;
}

ZEModelKeyFrame::~ZEModelKeyFrame()
{
    delete[] m_pGroups;
}

ZEModelAnimation::~ZEModelAnimation()
{
    delete[] m_pKeyFrames;
}

uint32_t ZEModelAnimation::GetLength() const
{
    if (!m_pKeyFrames || m_ulNumKeyFrames == 0)
        return 0;
    return m_pKeyFrames[m_ulNumKeyFrames - 1].m_ulTime;
}

// ---------------------------------------------------------------------------
// ZEModel

ZEModel::ZEModel()
    : m_ulID(ms_ulNextID++)
{
}

ZEModel::ZEModel(const ZEString& path)
    : ZEModel()
{
    Load(path);
}

ZEModel::~ZEModel()
{
    Free();
}

// Reading ".zmf" files is not built yet: every load fails, so the manager
// hands out no models.
bool ZEModel::Load(const ZEString&)
{
    if (m_bLoaded)
        Free();
    return false;
}

void ZEModel::Free()
{
    for (uint32_t lod = 0; m_pLODs && lod < m_ulNumLODs; ++lod)
        delete[] m_pLODs[lod];
    delete[] m_pLODs;
    delete[] m_pAnimationNames;
    delete[] m_pVertices;
    delete[] m_pInterpolatedVertices;
    for (uint32_t i = 0; m_ppTextures && i < m_ulNumTextures; ++i)
        delete m_ppTextures[i];
    delete[] m_ppTextures;

    m_pLODs = nullptr;
    m_pAnimationNames = nullptr;
    m_pVertices = nullptr;
    m_pInterpolatedVertices = nullptr;
    m_ppTextures = nullptr;
    m_ulNumLODs = m_ulNumAnimations = m_ulNumVertices = m_ulNumTextures = 0;
    m_ulCachedLOD = m_ulCachedAnimation = m_ulCachedTime = UINT32_MAX;
    m_bTransparent = false;
    m_bLoaded = false;
}

ZEModelReference* ZEModel::GetReference()
{
    ++m_ulReferences;
    return new ZEModelReference(this);
}

uint32_t ZEModel::ReleaseReference(ZEModelReference* reference)
{
    bool mine = reference && reference->m_pModel == this && reference->m_ulID == m_ulID;
    if (mine && m_ulReferences > 0)
        --m_ulReferences;
    return m_ulReferences;
}

ZEModelAnimation* ZEModel::GetAnimation(uint32_t lod, uint32_t animation) const
{
    if (!m_pLODs || lod >= m_ulNumLODs || animation >= m_ulNumAnimations || !m_pLODs[lod])
        return nullptr;
    return &m_pLODs[lod][animation];
}

// Drawing, blending, segment tests and shadows come with the model loader;
// until then a model draws nothing and is never hit.
void ZEModel::Render(const ZEVector*, const ZEVector*, const ZEVector*, uint32_t, uint32_t, uint32_t,
                     const float*)
{
}

bool ZEModel::Clips(const ZEVector&, const ZEVector&, uint32_t, uint32_t, uint32_t)
{
    return false;
}

bool ZEModel::Clips(const ZEVector&, const ZEVector&, _ZEClipInfo&, uint32_t, uint32_t, uint32_t)
{
    return false;
}

bool ZEModel::MergeFrames(uint32_t, uint32_t, uint32_t, ZEModelKeyFrame*& kf1, ZEModelKeyFrame*& kf2)
{
    kf1 = nullptr;
    kf2 = nullptr;
    return false;
}

float ZEModel::InterpolateVertices(uint32_t, uint32_t, uint32_t, ZEModelKeyFrame*, ZEModelKeyFrame*)
{
    return 1.0f;
}

void ZEModel::CreateColorKeyedTextures() {}

void ZEModel::RenderProjectedShadow(ZERenderer*, const ZEVector*, const ZEVector*, const ZEVector*, uint32_t,
                                    uint32_t, uint32_t, const ZEVector&, const ZEPlane&)
{
}

void ZEModel::RenderStencilShadow(ZERenderer*, ZECamera*, const ZEVector*, const ZEVector*, const ZEVector*,
                                  uint32_t, uint32_t, uint32_t, const ZEVector&)
{
}

// ---------------------------------------------------------------------------
// ZEModelReference

ZEModelReference::ZEModelReference(ZEModel* model)
    : m_pModel(model), m_ulID(model ? model->m_ulID : 0)
{
}

ZEModelReference::~ZEModelReference()
{
    if (ZEModel* model = GetModel())
        model->ReleaseReference(this);
}

ZEModel* ZEModelReference::GetModel() const
{
    ZEModelManager* manager = ZEModelManager::ms_pModelManager;
    if (!m_pModel || !manager || !manager->Contains(m_pModel, m_ulID))
        return nullptr;
    return m_pModel;
}

void ZEModelReference::Render(const ZEVector& pos, const ZEVector& rot, const float* color)
{
    ZEModel* model = GetModel();
    if (!model || Culled(pos))
        return;
    uint32_t lod = GetLOD(pos);
    const ZEVector* scale = m_bScaled ? &m_vScale : nullptr;
    if (m_bAnimating)
    {
        m_ulAnimationTime = GetAnimationTime(lod);
        model->Render(&pos, &rot, scale, m_ulAnimation, m_ulAnimationTime, lod, color);
    }
    else
    {
        model->Render(&pos, &rot, scale, 0, 0, lod, color);
    }
}

void ZEModelReference::SetAnimation(uint32_t index)
{
    ZEModel* model = GetModel();
    if (!model || index >= model->m_ulNumAnimations)
        return;
    m_ulAnimation = index;
    m_bAnimating = true;
    m_ulAnimationStart = GameTime();
}

void ZEModelReference::SetAnimation(const ZEString& name)
{
    ZEModel* model = GetModel();
    if (!model || !model->m_pAnimationNames)
        return;
    for (uint32_t i = 0; i < model->m_ulNumAnimations; ++i)
    {
        const ZEModelAnimationName& stored = model->m_pAnimationNames[i];
        if (strnlen(stored, sizeof(stored)) < sizeof(stored) && name == stored)
        {
            SetAnimation(i);
            return;
        }
    }
}

void ZEModelReference::SetScale(const ZEVector& scale)
{
    m_vScale = scale;
    m_bScaled = scale.x != 1.0f || scale.y != 1.0f || scale.z != 1.0f;
}

bool ZEModelReference::Culled(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    if (!ZERenderer::ms_pRenderer)
        return false;
    float radius = model ? model->m_BoundingSphere.m_fRadius : 0.0f;
    if (m_bScaled)
        radius *= LargestComponent(m_vScale);
    ZEBoundingSphere sphere(pos, radius);
    return ZERenderer::ms_pRenderer->m_Camera.Culled(&sphere);
}

ZEAABoundingBox ZEModelReference::GetModelBBox() const
{
    ZEModel* model = GetModel();
    if (!model)
        return ZEAABoundingBox();
    const ZEAABoundingBox& box = model->m_BoundingBox;
    ZEVector half = box.GetHalfSize();
    if (m_bScaled)
        half = ZEVector(half.x * m_vScale.x, half.y * m_vScale.y, half.z * m_vScale.z);
    return ZEAABoundingBox(box.m_vCenter - half, box.m_vCenter + half);
}

ZEBoundingSphere ZEModelReference::GetBoundingSphere(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    float radius = model ? model->m_BoundingSphere.m_fRadius : 0.0f;
    if (m_bScaled)
        radius *= MeanComponent(m_vScale);
    return ZEBoundingSphere(pos, radius);
}

ZEVector ZEModelReference::GetCenter(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    return model ? model->m_BoundingSphere.m_vCenter + pos : pos;
}

uint32_t ZEModelReference::GetLOD(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    if (!model || model->m_ulNumLODs == 0)
        return 0;
    uint32_t last = model->m_ulNumLODs - 1;
    int32_t detail = ZEEngine::ms_pEngine ? ZEEngine::ms_pEngine->m_lModelDetail : 0;
    if (detail == kCoarsestDetail)
        return last;

    double level = detail;
    if (ZERenderer::ms_pRenderer)
    {
        const ZECamera& camera = ZERenderer::ms_pRenderer->m_Camera;
        float band = camera.m_fZFar / static_cast<float>(model->m_ulNumLODs);
        float distance = (camera.m_vPosition - pos).GetLength();
        if (band > 0.0f)
            level += std::floor(distance / band);
    }
    // A negative detail or a camera without depth range must not index
    // outside the levels.
    if (!(level >= 0.0))
        return 0;
    return level > last ? last : static_cast<uint32_t>(level);
}

uint32_t ZEModelReference::GetAnimationTime(uint32_t lod)
{
    ZEModel* model = GetModel();
    ZEModelAnimation* animation = model ? model->GetAnimation(lod, m_ulAnimation) : nullptr;
    uint32_t length = animation ? animation->GetLength() : 0;
    uint32_t now = GameTime();
    uint32_t t = ScaledTime(now - m_ulAnimationStart, m_fAnimationSpeed);
    if (t > length)
    {
        if (m_bLoop)
        {
            t = length == 0 ? 0 : (t - 1) % length + 1;
            m_ulAnimationStart = now - t;
        }
        else
        {
            m_bAnimating = false;
            m_ulAnimation = 0;
            m_ulAnimationStart = 0;
            t = 0;
        }
    }
    return m_bReverse ? length - t : t;
}

// Segment tests and shadows of a reference run through the model's own
// tests, which come with the model loader.
bool ZEModelReference::Clips(const ZEVector&, const ZEBoundingVolume&)
{
    return false;
}

bool ZEModelReference::Clips(const ZEVector&, const ZEVector&, const ZEVector&, const ZEVector&)
{
    return false;
}

bool ZEModelReference::Clips(const ZEVector&, const ZEVector&, const ZEVector&, const ZEVector&, ZEVector&)
{
    return false;
}

bool ZEModelReference::Clips(const ZEVector&, const ZEVector&, const ZEVector&, const ZEVector&, _ZEClipInfo&)
{
    return false;
}

bool ZEModelReference::ModelContainsTransparency() const
{
    ZEModel* model = GetModel();
    return model && model->m_bTransparent;
}

bool ZEModelReference::IsRealAnimation(uint32_t index) const
{
    ZEModel* model = GetModel();
    ZEModelAnimation* animation = model ? model->GetAnimation(0, index) : nullptr;
    return animation && animation->m_ulNumKeyFrames >= 2;
}

void ZEModelReference::GetFakeShadowData(ZEVector& center, const ZEVector&, ZEVector& direction, float& width,
                                         float& length)
{
    center = ZEVector();
    direction = ZEVector(0.0f, 0.0f, 1.0f);
    width = 0.0f;
    length = 0.0f;
}

void ZEModelReference::RenderProjectedShadow(ZERenderer*, const ZEVector&, const ZEVector&, const ZEVector&,
                                             const ZEPlane&)
{
}

void ZEModelReference::RenderStencilShadow(ZERenderer*, ZECamera*, const ZEVector&, const ZEVector&,
                                           const ZEVector&)
{
}

// ---------------------------------------------------------------------------
// ZEModelManager

ZEModelManager::ZEModelManager()
{
    ms_pModelManager = this;
}

ZEModelManager::~ZEModelManager()
{
    FreeAllModels();
    if (ms_pModelManager == this)
        ms_pModelManager = nullptr;
}

void ZEModelManager::SetModelDirectory(const ZEString& directory)
{
    m_Directory = directory;
    m_Directory.MakePathName();
}

ZEModelReference* ZEModelManager::GetModel(const ZEString& name)
{
    ZEString path(m_Directory);
    path.Append(name.CStr());
    if (ZEModelReference* shared = AlreadyLoaded(path))
        return shared;
    ZEModel* model = new ZEModel();
    if (!model->Load(path))
    {
        delete model;
        return nullptr;
    }
    AddToList(model);
    return model->GetReference();
}

ZEModelReference* ZEModelManager::GetModel(const char* name)
{
    return GetModel(ZEString(name));
}

ZEModelReference* ZEModelManager::AlreadyLoaded(const ZEString& path)
{
    for (ZEModel* model = m_pModels; model; model = model->m_pNext)
        if (model->m_Name == path)
            return model->GetReference();
    return nullptr;
}

void ZEModelManager::FreeUnusedModels()
{
    ZEModel* model = m_pModels;
    while (model)
    {
        ZEModel* next = model->m_pNext;
        if (model->m_ulReferences == 0)
        {
            RemoveFromList(model);
            delete model;
        }
        model = next;
    }
}

void ZEModelManager::FreeAllModels()
{
    while (m_pModels)
    {
        ZEModel* model = m_pModels;
        RemoveFromList(model);
        delete model;
    }
}

void ZEModelManager::AddToList(ZEModel* model)
{
    if (!model)
        return;
    model->m_pNext = nullptr;
    ZEModel** link = &m_pModels;
    while (*link)
        link = &(*link)->m_pNext;
    *link = model;
    ++m_ulNumModels;
}

void ZEModelManager::RemoveFromList(ZEModel* model)
{
    for (ZEModel** link = &m_pModels; *link; link = &(*link)->m_pNext)
    {
        if (*link != model)
            continue;
        *link = model->m_pNext;
        model->m_pNext = nullptr;
        --m_ulNumModels;
        return;
    }
}

bool ZEModelManager::Contains(const ZEModel* model, uint32_t id) const
{
    for (const ZEModel* listed = m_pModels; listed; listed = listed->m_pNext)
        if (listed == model && listed->m_ulID == id)
            return true;
    return false;
}
