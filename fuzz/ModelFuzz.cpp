// Fuzz target: the ".zmf" model loader, through the model manager and the
// file manager as the game loads models.
//
// Each input is loaded twice: as a loose file, and as an entry of a package
// archive followed by another entry holding the same bytes again, so that
// reading past the entry's size would find plausible model data. Both loads
// must agree - loaded or not, and then on every count, vertex, index, time,
// flag and texel. A loaded model must keep the loader's promises (at least
// one level, animation and key frame; first key frame at 0 ms, times
// rising; equal groups and triangle counts across an animation's key
// frames; indices below the vertex count; texture numbers within the
// table), and is then blended, tested against segments and handled through
// a reference at every key frame and between them. A broken rule aborts,
// which libFuzzer records as a crash with the input that caused it.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZEModelManager.h"
#include "resources/ZETextureManager.h"

#include "FuzzFolder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
const char kLooseName[] = "loose.zmf";
const char kPackage[] = "models.dat";
const char kPackedName[] = "packed.zmf";

void Require(bool holds, const char* rule) { ZEFuzzRequire(holds, "model loader", rule); }

// The engine parts a model load reaches, over a private folder of their own.
class Environment
{
public:
    Environment()
    {
        m_Files.SetMainDirectory(ZEString(m_Folder.Root().c_str()));
    }

    void WriteFile(const char* name, const uint8_t* bytes, size_t length) { m_Folder.Write(name, bytes, length); }

    // The input as the first entry of a package, a copy of it behind.
    bool WritePackage(const uint8_t* bytes, size_t length)
    {
        return m_Folder.WritePackage(kPackage, kPackedName, "after.zmf", bytes, length) &&
               m_Files.AddArchive(ZEString(kPackage));
    }

    void RemovePackage() { m_Files.RemoveAllArchives(); }

    void ForgetModels()
    {
        m_Models.FreeUnusedModels();
        m_Textures.ReleaseUnusedTextures();
    }

    ZEModelManager& Models() { return m_Models; }

private:
    ZEFuzzFolder m_Folder{"model"};
    ZEFileManager m_Files;
    ZETextureManager m_Textures;
    ZEConsole m_Console;
    ZEModelManager m_Models;
};

// ---------------------------------------------------------------------------
// What a model holds, as bytes, so two loads can be compared whole.

void Append(std::string& out, const void* data, size_t size)
{
    out.append(static_cast<const char*>(data), size);
}

template <class T>
void AppendValue(std::string& out, const T& value)
{
    Append(out, &value, sizeof(value));
}

void DescribeGroup(const ZEModelTriGroup& group, std::string& out)
{
    AppendValue(out, group.m_usNumIndices);
    Append(out, group.m_pusIndices, group.m_usNumIndices * sizeof(uint16_t));
    AppendValue(out, group.m_usTexture);
    Append(out, group.m_aucColor, 3);
    Append(out, group.m_aucColorKey, 3);
    AppendValue(out, group.m_ucAlpha);
    AppendValue(out, group.m_bColorKeyed);
    AppendValue(out, group.m_bEnvironmentMapped);
    AppendValue(out, group.m_bSameAsPrevious);
}

std::string Describe(const ZEModel& model)
{
    std::string out;
    AppendValue(out, model.m_ulNumLODs);
    AppendValue(out, model.m_ulNumAnimations);
    AppendValue(out, model.m_ulNumVertices);
    AppendValue(out, model.m_ulNumTextures);
    AppendValue(out, model.m_bTransparent);
    Append(out, model.m_pVertices, model.m_ulNumVertices * sizeof(ZEVertex));
    Append(out, model.m_pAnimationNames, model.m_ulNumAnimations * sizeof(ZEModelAnimationName));
    for (uint32_t t = 1; t <= model.m_ulNumTextures; ++t)
    {
        ZETextureReference* reference = model.GetTexture(static_cast<uint16_t>(t));
        ZETexture* texture = reference ? reference->GetTexture() : nullptr;
        uint32_t width = 0, height = 0;
        if (texture)
            texture->GetDimensions(width, height);
        AppendValue(out, width);
        AppendValue(out, height);
        if (texture && texture->GetData() && !texture->m_bLightmap)
            Append(out, texture->GetData(), static_cast<size_t>(width) * height * (texture->m_bAlpha ? 4 : 3));
    }
    for (uint32_t lod = 0; lod < model.m_ulNumLODs; ++lod)
        for (uint32_t a = 0; a < model.m_ulNumAnimations; ++a)
        {
            const ZEModelAnimation& animation = model.m_pLODs[lod][a];
            AppendValue(out, animation.m_usNumTriangles);
            AppendValue(out, animation.m_ulNumKeyFrames);
            for (uint32_t k = 0; k < animation.m_ulNumKeyFrames; ++k)
            {
                const ZEModelKeyFrame& frame = animation.m_pKeyFrames[k];
                AppendValue(out, frame.m_ulTime);
                AppendValue(out, frame.m_ulNumGroups);
                for (uint32_t g = 0; g < frame.m_ulNumGroups; ++g)
                    DescribeGroup(frame.m_pGroups[g], out);
            }
        }
    return out;
}

// ---------------------------------------------------------------------------
// The loader's promises

void CheckGroup(const ZEModel& model, const ZEModelTriGroup& group, const ZEModelTriGroup* before)
{
    Require(group.m_usNumIndices % 3 == 0, "a group holds whole triangles");
    Require(group.m_usNumIndices == 0 || group.m_pusIndices, "a group with triangles has indices");
    for (uint32_t i = 0; i < group.m_usNumIndices; ++i)
        Require(group.m_pusIndices[i] < model.m_ulNumVertices, "indices lie below the vertex count");
    Require(group.m_usTexture <= model.m_ulNumTextures, "texture numbers lie within the table");
    Require(group.m_pVertices == model.m_pVertices, "a loaded group points at the loaded vertices");
    Require(!before || before->m_usNumIndices == group.m_usNumIndices,
            "a group keeps its triangle count across key frames");
}

void CheckAnimation(const ZEModel& model, const ZEModelAnimation& animation)
{
    Require(animation.m_ulNumKeyFrames > 0 && animation.m_pKeyFrames, "an animation has key frames");
    Require(animation.m_pKeyFrames[0].m_ulTime == 0, "the first key frame is at 0 ms");
    for (uint32_t k = 0; k < animation.m_ulNumKeyFrames; ++k)
    {
        const ZEModelKeyFrame& frame = animation.m_pKeyFrames[k];
        const ZEModelKeyFrame* previous = k > 0 ? &animation.m_pKeyFrames[k - 1] : nullptr;
        Require(!previous || frame.m_ulTime > previous->m_ulTime, "key-frame times rise");
        Require(!previous || frame.m_ulNumGroups == previous->m_ulNumGroups,
                "every key frame has the same groups");
        Require(frame.m_ulNumGroups == 0 || frame.m_pGroups, "a key frame with groups has them");
        uint32_t triangles = 0;
        for (uint32_t g = 0; g < frame.m_ulNumGroups; ++g)
        {
            CheckGroup(model, frame.m_pGroups[g], previous ? &previous->m_pGroups[g] : nullptr);
            triangles += frame.m_pGroups[g].m_usNumIndices / 3u;
        }
        Require(triangles == animation.m_usNumTriangles, "groups add up to the animation's triangle count");
    }
}

void CheckModel(const ZEModel& model)
{
    Require(model.m_bLoaded, "a handed-out model is loaded");
    Require(model.m_ulNumLODs > 0 && model.m_pLODs, "a model has a level");
    Require(model.m_ulNumAnimations > 0 && model.m_pAnimationNames, "a model has an animation");
    Require(model.m_ulNumVertices == 0 || (model.m_pVertices && model.m_pInterpolatedVertices),
            "a model with vertices has both vertex arrays");
    for (uint32_t a = 0; a < model.m_ulNumAnimations; ++a)
        Require(std::memchr(model.m_pAnimationNames[a], 0, sizeof(ZEModelAnimationName)) != nullptr,
                "animation names are terminated");
    for (uint32_t lod = 0; lod < model.m_ulNumLODs; ++lod)
    {
        Require(model.m_pLODs[lod] != nullptr, "every level has its animations");
        for (uint32_t a = 0; a < model.m_ulNumAnimations; ++a)
            CheckAnimation(model, model.m_pLODs[lod][a]);
    }
}

// ---------------------------------------------------------------------------
// Using a loaded model

// Segment tests through the model's sphere along three directions.
void TestSegments(ZEModel& model, uint32_t animation, uint32_t time, uint32_t lod)
{
    const ZEVector& center = model.m_BoundingSphere.m_vCenter;
    float reach = model.m_BoundingSphere.m_fRadius + 1.0f;
    const ZEVector directions[] = {ZEVector(1, 0, 0), ZEVector(0.3f, -1, 0.2f), ZEVector(-0.5f, 0.5f, 1)};
    for (const ZEVector& direction : directions)
    {
        ZEVector start = center - direction * reach;
        ZEVector move = direction * (2.0f * reach);
        _ZEClipInfo info;
        model.Clips(start, move, animation, time, lod);
        model.Clips(start, move, info, animation, time, lod);
    }
}

// At every key frame, halfway to the next, and past the end.
void Animate(ZEModel& model, uint32_t lod, uint32_t a)
{
    const ZEModelAnimation& animation = model.m_pLODs[lod][a];
    for (uint32_t k = 0; k < animation.m_ulNumKeyFrames; ++k)
    {
        uint32_t time = animation.m_pKeyFrames[k].m_ulTime;
        _ZEModelFrames frames;
        Require(model.PrepareFrames(a, time, lod, frames), "a loaded model has frames at every time");
        TestSegments(model, a, time, lod);
        if (k + 1 < animation.m_ulNumKeyFrames)
        {
            uint32_t next = animation.m_pKeyFrames[k + 1].m_ulTime;
            uint32_t between = time + (next - time) / 2;
            Require(model.PrepareFrames(a, between, lod, frames), "a loaded model has frames at every time");
            Require(frames.m_pKeyFrame2 == nullptr || frames.m_pVertices == model.m_pInterpolatedVertices,
                    "blended frames use the blended vertices");
            TestSegments(model, a, between, lod);
        }
    }
    uint32_t length = animation.GetLength();
    if (length < UINT32_MAX)
        TestSegments(model, a, length + 1, lod);
}

void UseReference(ZEModelReference& reference)
{
    ZEModel& model = *reference.GetModel();
    reference.SetAnimation(model.m_ulNumAnimations - 1);
    reference.SetAnimation(ZEString(model.m_pAnimationNames[0]));
    reference.IsRealAnimation(0);
    reference.ModelContainsTransparency();
    reference.SetScale(ZEVector(2, 0.5f, 1));
    reference.GetModelBBox();
    ZEVector pos(5, -3, 2);
    ZEVector rot(10, 45, -30);
    reference.GetBoundingSphere(pos);
    ZEVector start = pos - ZEVector(0, 0, 100);
    _ZEClipInfo info;
    ZEVector contact;
    reference.Clips(pos, rot, start, ZEVector(0, 0, 200), info);
    reference.Clips(pos, rot, start, ZEVector(0, 0, 200), contact);
}

void Exercise(ZEModelReference& reference)
{
    ZEModel& model = *reference.GetModel();
    for (uint32_t lod = 0; lod < model.m_ulNumLODs; ++lod)
        for (uint32_t a = 0; a < model.m_ulNumAnimations; ++a)
            Animate(model, lod, a);
    UseReference(reference);
}

// The description of the model the manager loads under `name`; empty when
// it cannot be loaded.
std::string LoadAndDescribe(Environment& environment, const char* name, bool exercise)
{
    std::unique_ptr<ZEModelReference> reference(environment.Models().GetModel(name));
    if (!reference)
        return std::string();
    ZEModel* model = reference->GetModel();
    Require(model != nullptr, "a reference reaches its freshly loaded model");
    CheckModel(*model);
    std::string description = Describe(*model);
    if (exercise)
        Exercise(*reference);
    return description;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    static Environment environment;
    environment.WriteFile(kLooseName, bytes, length);
    std::string loose = LoadAndDescribe(environment, kLooseName, true);
    environment.ForgetModels();

    if (environment.WritePackage(bytes, length))
    {
        std::string packed = LoadAndDescribe(environment, kPackedName, false);
        Require(packed == loose, "a packaged model loads exactly as the same bytes alone");
        environment.RemovePackage();
        environment.ForgetModels();
    }
    return 0;
}
