// The model compiler: the description format (line numbers in every
// message, re-opened sections, includes), the closed-mesh rules every
// shape must meet, the refusals, and the structure of what it writes -
// levels, the three wheel animations, key-frame times and the blend
// between key frames.
#include "ZEModelCompiler.h"
#include "ZEModelDescription.h"
#include "ZEModelMesh.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// A small car: box 10 x 10 x 30 around its centre, the road at y = -5.
const char* const kCar = R"(
[model]
kind = car
size = 10 10 30
rear_axle = -20
tyre = 2 1.5

[materials]
paint = 200 20 20
glass = 40 50 60 0.5
tyre = 30 30 30
rim = 200 200 200

[body]
type = loft
material = paint
side = glass
round = 0.5
station = -15 -3 5 5 4.5
station = 15 -3 3 5 4.5

[lamp]
type = box
center = 3 0 14.8
size = 1 1 0.4
material = glass
mirror = x
lod = 1

[wheels]
type = wheels
radius = 2
width = 1.5
track = 3.5
front = 9
rear = -9
steer = 10
frames = 8 6 4
segments = 12 8 6
tyre = tyre
rim = rim
)";

std::string WithLine(const std::string& text, const std::string& from, const std::string& to)
{
    std::string result = text;
    size_t at = result.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        result.replace(at, from.size(), to);
    return result;
}

struct Compiled
{
    bool m_bOk = false;
    std::vector<std::string> m_aErrors;
    ZEZmfWriter m_Writer;
    ZEModelReport m_Report;

    bool HasError(const std::string& part) const
    {
        for (const std::string& error : m_aErrors)
            if (error.find(part) != std::string::npos)
                return true;
        return false;
    }
    std::string Errors() const
    {
        std::string all;
        for (const std::string& error : m_aErrors)
            all += error + "\n";
        return all;
    }
};

void Compile(const std::string& text, Compiled& out)
{
    ZEModelDescription description;
    description.Parse(text, "car.txt", "");
    ZEModelCompiler compiler;
    out.m_bOk = compiler.Compile(description, out.m_Writer, out.m_Report);
    out.m_aErrors = compiler.GetErrors();
}

float Distance2D(float a, float b)
{
    return std::sqrt(a * a + b * b);
}
}

// --- The description format ---------------------------------------------

TEST(ModelDescription, MalformedLinesAreReportedWithTheirLine)
{
    ZEModelDescription description;
    EXPECT_FALSE(description.Parse("loose = 1\n[ok]\nno equals sign\n[bad name!]\n# fine\n[ok]\nkey = v\n",
                                   "m.txt", ""));
    const std::vector<std::string>& errors = description.GetErrors();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].rfind("m.txt:1: ", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1].rfind("m.txt:3: ", 0), 0u) << errors[1];
    EXPECT_EQ(errors[2].rfind("m.txt:4: ", 0), 0u) << errors[2];
    ASSERT_NE(description.Find("ok"), nullptr);
    EXPECT_EQ(description.Find("ok")->Find("key")->m_Text, "v");
}

TEST(ModelDescription, ReopenedSectionReplacesKeysButRepeatsInOneBlockAddUp)
{
    ZEModelDescription description;
    ASSERT_TRUE(description.Parse("[a]\nstation = 1\nstation = 2\ncolour = red\n[b]\nx = 1\n[a]\ncolour = blue\n",
                                  "m.txt", ""));
    const ZEModelSection* a = description.Find("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FindAll("station").size(), 2u);
    ASSERT_EQ(a->FindAll("colour").size(), 1u);
    EXPECT_EQ(a->Find("colour")->m_Text, "blue");
    EXPECT_EQ(a->Find("colour")->m_iLine, 8);
    EXPECT_EQ(description.GetSections().size(), 2u);
}

TEST(ModelDescription, IncludesNestAndReportCyclesAndMissingFiles)
{
    ZETempFolder folder("modelc");
    ASSERT_TRUE(folder.Ok());
    folder.Write("base.txt", "[model]\nkind = prop\n[materials]\nred = 255 0 0\n");
    folder.Write("middle.txt", "include = base.txt\n[materials]\nred = 200 0 0\n");
    std::string top = folder.Write("top.txt", "include = middle.txt\n[part]\ntype = box\n");
    ZEModelDescription description;
    ASSERT_TRUE(description.Load(top));
    EXPECT_EQ(description.GetFiles().size(), 3u);
    EXPECT_EQ(description.Find("materials")->Find("red")->m_Text, "200 0 0");
    EXPECT_EQ(description.Find("materials")->Find("red")->m_File, "middle.txt");

    std::string loop = folder.Write("loop.txt", "include = loop2.txt\n");
    folder.Write("loop2.txt", "[x]\ninclude = loop.txt\n");
    ZEModelDescription cyclic;
    EXPECT_FALSE(cyclic.Load(loop));
    ASSERT_EQ(cyclic.GetErrors().size(), 1u);
    EXPECT_NE(cyclic.GetErrors()[0].find("loop2.txt:2: include of loop.txt forms a cycle"), std::string::npos)
        << cyclic.GetErrors()[0];

    std::string missing = folder.Write("missing.txt", "\n\ninclude = nowhere.txt\n");
    ZEModelDescription broken;
    EXPECT_FALSE(broken.Load(missing));
    ASSERT_EQ(broken.GetErrors().size(), 1u);
    EXPECT_EQ(broken.GetErrors()[0].rfind("missing.txt:3: cannot read", 0), 0u) << broken.GetErrors()[0];
}

TEST(ModelDescription, KeysAfterAnIncludeNeedASectionHeader)
{
    ZETempFolder folder("modelc");
    ASSERT_TRUE(folder.Ok());
    folder.Write("base.txt", "[a]\nx = 1\n");
    std::string top = folder.Write("top.txt", "[a]\ninclude = base.txt\ny = 2\n");
    ZEModelDescription description;
    EXPECT_FALSE(description.Load(top));
    ASSERT_EQ(description.GetErrors().size(), 1u);
    EXPECT_EQ(description.GetErrors()[0].rfind("top.txt:3: ", 0), 0u);
}

// --- Closed meshes -------------------------------------------------------

TEST(ModelMesh, EveryShapeIsClosedWeldedAndWoundOutward)
{
    std::string error;
    std::vector<std::pair<const char*, ZEMesh>> shapes;
    shapes.emplace_back("box", ZEMakeBox(ZEVector(1, 2, 3)));
    shapes.emplace_back("cylinder", ZEMakeCylinder(2, 2, 4, 12));
    shapes.emplace_back("cone", ZEMakeCylinder(2, 0, 4, 5));
    shapes.emplace_back("sphere", ZEMakeSphere(3, 10));
    shapes.emplace_back("lathe", ZEMakeLathe({{0, 0}, {2, 0}, {2, 1}, {1, 2}, {1, 3}, {0, 3}}, 9));
    shapes.emplace_back("loft", ZEMakeLoft({{-5, 0, 2, 3, 2}, {0, 0, 4, 3, 2.5f}, {5, 1, 2, 2, 1}}, 0.5f, 2));
    shapes.emplace_back("sharp loft", ZEMakeLoft({{-5, 0, 2, 3, 2}, {5, 1, 2, 2, 1}}, 0.0f, 0));
    // A concave outline (an L) in both windings.
    shapes.emplace_back("extrusion", ZEMakeExtrusion({{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}}, 1, error));
    shapes.emplace_back("clockwise extrusion",
                        ZEMakeExtrusion({{0, 4}, {1, 4}, {1, 1}, {4, 1}, {4, 0}, {0, 0}}, 1, error));
    shapes.emplace_back("arc", ZEMakeArc(1, 2, -90, 180, 1, 8));
    shapes.emplace_back("ring", ZEMakeArc(1, 2, 0, 360, 1, 16));
    shapes.emplace_back("wheel", ZEMakeWheel(ZEWheelShape(), 12));
    EXPECT_TRUE(error.empty()) << error;
    for (auto& shape : shapes)
    {
        EXPECT_EQ(shape.second.Check(), "") << shape.first;
        EXPECT_GT(shape.second.Volume(), 0.0) << shape.first;
        ZEMesh mirrored = shape.second;
        mirrored.Transform(ZEVector(10, 20, 30), ZEVector(1, 2, 3), true);
        EXPECT_EQ(mirrored.Check(), "") << shape.first << " mirrored";
    }
}

TEST(ModelMesh, CheckFindsOpenInconsistentInwardAndDegenerateMeshes)
{
    ZEMesh open = ZEMakeBox(ZEVector(1, 1, 1));
    open.m_aTriangles.pop_back();
    EXPECT_NE(open.Check().find("not closed"), std::string::npos);

    ZEMesh flipped = ZEMakeBox(ZEVector(1, 1, 1));
    std::swap(flipped.m_aTriangles[0].m_aulIndex[1], flipped.m_aTriangles[0].m_aulIndex[2]);
    EXPECT_NE(flipped.Check().find("not consistently wound"), std::string::npos);

    ZEMesh inward = ZEMakeBox(ZEVector(1, 1, 1));
    for (ZEMeshTriangle& triangle : inward.m_aTriangles)
        std::swap(triangle.m_aulIndex[1], triangle.m_aulIndex[2]);
    EXPECT_EQ(inward.Check(), "its faces point inward");

    ZEMesh unwelded = ZEMakeBox(ZEVector(1, 1, 1));
    uint32_t copy = unwelded.AddVertex(unwelded.m_aPositions[unwelded.m_aTriangles[0].m_aulIndex[0]]);
    unwelded.m_aTriangles[0].m_aulIndex[0] = copy;
    EXPECT_NE(unwelded.Check().find("not closed"), std::string::npos);
    unwelded.Weld();
    EXPECT_EQ(unwelded.Check(), "");

    ZEMesh flat;
    flat.AddVertex(ZEVector(0, 0, 0));
    flat.AddVertex(ZEVector(1, 0, 0));
    flat.AddVertex(ZEVector(2, 0, 0));
    flat.AddTriangle(0, 1, 2);
    EXPECT_EQ(flat.Check(), "it has a degenerate triangle");
    EXPECT_EQ(ZEMesh().Check(), "it has no triangles");
}

TEST(ModelMesh, FaceClassesFollowTheNormal)
{
    ZEMesh box = ZEMakeBox(ZEVector(1, 1, 1));
    box.Classify();
    int counts[ZE_FACE_CLASSES] = {};
    for (const ZEMeshTriangle& triangle : box.m_aTriangles)
        ++counts[triangle.m_ucClass];
    EXPECT_EQ(counts[ZE_FACE_TOP], 2);
    EXPECT_EQ(counts[ZE_FACE_BOTTOM], 2);
    EXPECT_EQ(counts[ZE_FACE_SIDE], 4);
    EXPECT_EQ(counts[ZE_FACE_FRONT], 2);
    EXPECT_EQ(counts[ZE_FACE_BACK], 2);
}

TEST(ModelMesh, SelfIntersectingOutlineIsRefused)
{
    std::string error;
    ZEMesh bowtie = ZEMakeExtrusion({{0, 0}, {2, 2}, {2, 0}, {0, 2}}, 1, error);
    EXPECT_FALSE(error.empty() && bowtie.Check().empty());
}

// --- What the compiler writes ---------------------------------------------

TEST(ModelCompiler, CarHasThreeLevelsAndThreeLoopingWheelAnimations)
{
    Compiled car;
    Compile(kCar, car);
    ASSERT_TRUE(car.m_bOk) << car.Errors();
    const ZEZmfWriter& w = car.m_Writer;
    ASSERT_EQ(w.m_aLevels.size(), 3u);
    const char* names[3] = {"straight", "left", "right"};
    const int frames[3] = {8, 6, 4};
    const uint32_t cycle = 502;   // 251 x radius 2
    for (size_t level = 0; level < 3; ++level)
    {
        ASSERT_EQ(w.m_aLevels[level].m_aAnimations.size(), 3u);
        for (size_t a = 0; a < 3; ++a)
        {
            const ZEZmfWriter::Animation& animation = w.m_aLevels[level].m_aAnimations[a];
            EXPECT_STREQ(animation.m_Name.CStr(), names[a]);
            ASSERT_EQ(animation.m_aKeyFrames.size(), static_cast<size_t>(frames[level] + 1));
            EXPECT_EQ(animation.m_aKeyFrames.front().m_ulTime, 0u);
            EXPECT_EQ(animation.m_aKeyFrames.back().m_ulTime, cycle);
            for (size_t k = 1; k < animation.m_aKeyFrames.size(); ++k)
            {
                EXPECT_GT(animation.m_aKeyFrames[k].m_ulTime, animation.m_aKeyFrames[k - 1].m_ulTime);
                EXPECT_EQ(animation.m_aKeyFrames[k].m_aGroups.size(), animation.m_aKeyFrames[0].m_aGroups.size());
            }
            // A whole turn: the last pose is the first.
            const auto& first = animation.m_aKeyFrames.front().m_aGroups;
            const auto& last = animation.m_aKeyFrames.back().m_aGroups;
            for (size_t g = 0; g < first.size(); ++g)
            {
                if (last[g].m_usMode == ZE_ZMF_SAME_AS_PREVIOUS)
                    continue;
                EXPECT_EQ(last[g].m_ausIndices, first[g].m_ausIndices) << "group " << g;
            }
        }
    }
    EXPECT_EQ(car.m_Report.m_aulTriangles.size(), 3u);
    EXPECT_GT(car.m_Report.m_aulTriangles[0], car.m_Report.m_aulTriangles[1]);
    EXPECT_GT(car.m_Report.m_aulTriangles[1], car.m_Report.m_aulTriangles[2]);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(car.m_Writer.Build(bytes)) << car.m_Writer.GetError().CStr();
}

TEST(ModelCompiler, CarSitsOnTheRoadWithItsRearWheelsAtTheRearAxle)
{
    Compiled car;
    Compile(kCar, car);
    ASSERT_TRUE(car.m_bOk) << car.Errors();
    const ZEModelReport& report = car.m_Report;
    EXPECT_FLOAT_EQ(report.m_vMin.y, 0.0f);
    EXPECT_NEAR(report.m_vMax.y, 10.0f, 1e-3);
    EXPECT_NEAR(report.m_vMax.x - report.m_vMin.x, 10.0f, 0.3);
    EXPECT_NEAR(report.m_vMax.z - report.m_vMin.z, 30.0f, 1e-3);
    EXPECT_FLOAT_EQ(report.m_fRearContactZ, -20.0f);
    // The rear wheels (9 behind the box centre) touch at -20, so the box
    // centre is 11 behind the origin.
    EXPECT_NEAR(0.5f * (report.m_vMin.z + report.m_vMax.z), -11.0f, 1e-3);
    // The lowest vertices are the tyres' contact, under the rear axle among
    // others.
    bool rearContact = false;
    for (const ZEVertex& v : car.m_Writer.m_aVertices)
        if (v.y < 1e-3f && std::fabs(v.z + 20.0f) < 1e-3f)
            rearContact = true;
    EXPECT_TRUE(rearContact);
    EXPECT_NE(report.Describe().find("ground height 0.05"), std::string::npos) << report.Describe();
}

// Between two key frames the loader blends every vertex in a straight line;
// with enough key frames per turn the rims keep their size.
TEST(ModelCompiler, BlendedWheelsKeepTheirRadius)
{
    Compiled car;
    Compile(kCar, car);
    ASSERT_TRUE(car.m_bOk) << car.Errors();
    const ZEZmfWriter& w = car.m_Writer;
    const ZEZmfWriter::Animation& straight = w.m_aLevels[0].m_aAnimations[0];
    const float axleY = 2.0f, axleZ = -20.0f;   // rear wheel centre in the model
    int checked = 0;
    for (size_t k = 0; k + 1 < straight.m_aKeyFrames.size(); ++k)
    {
        const auto& a = straight.m_aKeyFrames[k].m_aGroups;
        const auto& b = straight.m_aKeyFrames[k + 1].m_aGroups;
        for (size_t g = 0; g < a.size(); ++g)
        {
            if (b[g].m_usMode == ZE_ZMF_SAME_AS_PREVIOUS)
                continue;
            for (size_t m = 0; m < a[g].m_ausIndices.size(); ++m)
            {
                const ZEVertex& p = w.m_aVertices[a[g].m_ausIndices[m]];
                const ZEVertex& q = w.m_aVertices[b[g].m_ausIndices[m]];
                if (std::fabs(p.z - axleZ) > 2.5f)
                    continue;   // a front wheel
                float before = Distance2D(p.y - axleY, p.z - axleZ);
                float middle = Distance2D(0.5f * (p.y + q.y) - axleY, 0.5f * (p.z + q.z) - axleZ);
                EXPECT_GE(middle, 0.92f * before);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 0);
}

TEST(ModelCompiler, StaticPartsAreWrittenOnceAndRepeatedByReference)
{
    Compiled car;
    Compile(kCar, car);
    ASSERT_TRUE(car.m_bOk) << car.Errors();
    const auto& frames = car.m_Writer.m_aLevels[0].m_aAnimations[1].m_aKeyFrames;
    size_t repeated = 0;
    for (const ZEZmfWriter::Group& group : frames[1].m_aGroups)
        repeated += group.m_usMode == ZE_ZMF_SAME_AS_PREVIOUS;
    EXPECT_GT(repeated, 0u);
    for (const ZEZmfWriter::Group& group : frames[0].m_aGroups)
        EXPECT_NE(group.m_usMode, ZE_ZMF_SAME_AS_PREVIOUS);
    bool translucent = false;
    for (const ZEZmfWriter::Group& group : frames[0].m_aGroups)
        translucent |= group.m_fOpacity < 1.0f;
    EXPECT_TRUE(translucent);
}

TEST(ModelCompiler, PropHasOneStaticAnimationPerLevel)
{
    Compiled prop;
    Compile("[model]\nkind = prop\nlevels = 2\n[materials]\ngrey = 1 2 3\n[drum]\ntype = cylinder\nradius = 2\n"
            "length = 4\nsegments = 12 6\nmaterial = grey\n",
            prop);
    ASSERT_TRUE(prop.m_bOk) << prop.Errors();
    ASSERT_EQ(prop.m_Writer.m_aLevels.size(), 2u);
    for (const ZEZmfWriter::Level& level : prop.m_Writer.m_aLevels)
    {
        ASSERT_EQ(level.m_aAnimations.size(), 1u);
        EXPECT_STREQ(level.m_aAnimations[0].m_Name.CStr(), "default");
        ASSERT_EQ(level.m_aAnimations[0].m_aKeyFrames.size(), 1u);
        EXPECT_EQ(level.m_aAnimations[0].m_aKeyFrames[0].m_ulTime, 0u);
    }
    EXPECT_EQ(prop.m_Report.m_aulTriangles[0], 48u);
    EXPECT_EQ(prop.m_Report.m_aulTriangles[1], 24u);
}

TEST(ModelCompiler, ImagesAreProjectedOntoTheFacesThatAskForThem)
{
    Compiled prop;
    Compile("[model]\nkind = prop\n[materials]\nwhite = 255 255 255\nred = 255 0 0\n"
            "[face]\ntype = image\nsize = 16 16\narea = -2 0 2 4\nbase = white\nrect = -2 0 0 4 red\n"
            "[plate]\ntype = box\ncenter = 0 2 0\nsize = 4 4 1\nmaterial = white\ntexture = face\n"
            "projection = front\n",
            prop);
    ASSERT_TRUE(prop.m_bOk) << prop.Errors();
    const ZEZmfWriter& w = prop.m_Writer;
    ASSERT_EQ(w.m_aTextures.size(), 1u);
    EXPECT_EQ(w.m_aTextures[0].m_usWidth, 16);
    // The left half of the area is red: seen from the front that is +x.
    const std::vector<uint8_t>& texels = w.m_aTextures[0].m_aTexels;
    EXPECT_EQ(texels[0], 255);
    EXPECT_EQ(texels[1], 0);
    EXPECT_EQ(texels[15 * 3 + 1], 255);
    int textured = 0, plain = 0;
    for (const ZEZmfWriter::Group& group : w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups)
        (group.m_usTexture ? textured : plain) += static_cast<int>(group.m_ausIndices.size() / 3);
    EXPECT_EQ(textured, 2);
    EXPECT_EQ(plain, 10);
    for (const ZEVertex& v : w.m_aVertices)
    {
        EXPECT_FLOAT_EQ(v.u, (-v.x + 2.0f) / 4.0f);
        EXPECT_FLOAT_EQ(v.v, v.y / 4.0f);
    }
}

// --- Refusals ---------------------------------------------------------------

TEST(ModelCompiler, PartOutsideTheBoxIsRefusedAtItsLine)
{
    Compiled car;
    Compile(WithLine(kCar, "center = 3 0 14.8", "center = 3 0 15"), car);
    EXPECT_FALSE(car.m_bOk);
    EXPECT_TRUE(car.HasError("car.txt:22: part [lamp] reaches z = 15.2")) << car.Errors();
}

TEST(ModelCompiler, SteeredWheelsMustStayInsideTheBox)
{
    Compiled car;
    Compile(WithLine(kCar, "steer = 10", "steer = 40"), car);
    EXPECT_FALSE(car.m_bOk);
    EXPECT_TRUE(car.HasError("part [wheels] reaches x")) << car.Errors();
}

TEST(ModelCompiler, PartsMustFillTheDeclaredBox)
{
    Compiled car;
    Compile(WithLine(kCar, "size = 10 10 30", "size = 10 12 30"), car);
    EXPECT_FALSE(car.m_bOk);
    EXPECT_TRUE(car.HasError("car.txt:4: the parts fall short of the box's top (+y) face")) << car.Errors();
}

TEST(ModelCompiler, OpenShapeIsRefused)
{
    Compiled prop;
    Compile("[model]\nkind = prop\n[materials]\ngrey = 1 2 3\n[cup]\ntype = lathe\n"
            "profile = 0 0  2 0  2 3\nmaterial = grey\n",
            prop);
    EXPECT_FALSE(prop.m_bOk);
    EXPECT_TRUE(prop.HasError("car.txt:5: part [cup] at level 0: it is not closed")) << prop.Errors();
}

TEST(ModelCompiler, DescriptionMistakesAreRefusedWithTheirLines)
{
    struct Case
    {
        const char* m_pFrom;
        const char* m_pTo;
        const char* m_pError;
    };
    const Case cases[] = {
        {"round = 0.5", "rounded = 0.5", "car.txt:18: [body] does not take the key 'rounded'"},
        {"material = paint\nside", "material = chrome\nside", "car.txt:16: unknown material 'chrome'"},
        {"station = 15 -3 3 5 4.5", "station = -16 -3 3 5 4.5", "car.txt:20: stations must go forward"},
        {"station = 15 -3 3 5 4.5", "station = 15 -3 x 5 4.5", "car.txt:20: 'x' is not a number"},
        {"frames = 8 6 4", "frames = 8 6 3", "a wheel turn needs at least 4 key frames"},
        {"track = 3.5", "track = 2", "does not match the tyre inset"},
        {"kind = car", "kind = boat", "car.txt:3: [model] needs kind = car or kind = prop"},
        {"type = box", "type = blob", "car.txt:23: unknown part type 'blob'"},
        {"paint = 200 20 20", "paint = 300 20 20", "car.txt:9: '300' is not a colour channel"},
        {"glass = 40 50 60 0.5", "glass = 40 50 60 1.5", "car.txt:10: the opacity is a number"},
        {"lod = 1", "lod = 3", "car.txt:28: lod is the last level"},
    };
    for (const Case& c : cases)
    {
        Compiled car;
        Compile(WithLine(kCar, c.m_pFrom, c.m_pTo), car);
        EXPECT_FALSE(car.m_bOk) << c.m_pTo;
        EXPECT_TRUE(car.HasError(c.m_pError)) << c.m_pTo << ":\n" << car.Errors();
    }
}

TEST(ModelCompiler, CarWithoutWheelsOrPropWithWheelsIsRefused)
{
    Compiled car;
    std::string text = kCar;
    Compile(text.substr(0, text.find("[wheels]")), car);
    EXPECT_FALSE(car.m_bOk);
    EXPECT_TRUE(car.HasError("a car needs a [wheels] section")) << car.Errors();

    Compiled prop;
    Compile(WithLine(WithLine(kCar, "kind = car", "kind = prop"), "rear_axle = -20\ntyre = 2 1.5\n", ""), prop);
    EXPECT_FALSE(prop.m_bOk);
    EXPECT_TRUE(prop.HasError("only a car has wheels")) << prop.Errors();
}

TEST(ModelCompiler, UnreadableDescriptionLeavesTheOutputUntouched)
{
    ZETempFolder folder("modelc");
    ASSERT_TRUE(folder.Ok());
    std::string output = folder.Write("out.zmf", "old");
    std::string input = folder.Write("bad.txt", "[model]\nkind = prop\n[p]\ntype = box\nsize = 1 1\nmaterial = m\n");
    std::vector<std::string> errors;
    ZEModelReport report;
    EXPECT_FALSE(ZECompileModelFile(input, output, errors, report));
    EXPECT_FALSE(errors.empty());
    std::ifstream file(output);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "old");

    std::string good = folder.Write("good.txt", "[model]\nkind = prop\n[materials]\nm = 1 1 1\n[p]\ntype = box\n"
                                                "size = 1 1 1\nmaterial = m\n");
    EXPECT_TRUE(ZECompileModelFile(good, output, errors, report));
    EXPECT_GT(fs::file_size(output), 16u);
}
