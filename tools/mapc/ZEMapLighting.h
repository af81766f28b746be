// ZEMapLighting: bakes the static light of a map into one luminance
// lightmap per face.
//
// A face's lightmap lies flat on its plane, along the plane's two axes
// (ZEMapPlaneAxes), over the face's extent: width and height are powers of
// two from 4 to the description's maximum, chosen so a texel covers about
// the description's texel size. The corner texels' centres sit on the
// face's edges, so neighbouring faces meet with the same light.
//
// Each texel's light is the ambient intensity, plus the sun's intensity
// times the cosine of its angle with the face where nothing of the map
// stands between the texel and the sun, plus every static point and spot
// light (with attenuation 1 - distance / range when the light asks for it,
// a spot light only inside its cone) where nothing stands between texel and
// light; the sum is kept to 1 and stored as 0..255. Shadows are the
// engine's own segment tests: an AABB tree (ZEAABBTreeNode) over the
// opaque polygons of the level. Texels outside a face's outline are lit as
// the nearest point of the face, so no light leaks in along its edges.
#pragma once

#include "ZEMapDescription.h"
#include "ZEMapMath.h"
#include "ZEMapTrack.h"

#include <cstdint>
#include <memory>
#include <vector>

class ZEAABBTreeNode;

struct ZEMapLightmap
{
    uint16_t m_usWidth = 0, m_usHeight = 0;
    std::vector<uint8_t> m_aucTexels;       // rows from t = 0
    ZEMapVec3 m_vRight, m_vUp;              // the plane's axes
    double m_dU0 = 0.0, m_dV0 = 0.0;        // lowest face coordinates
    double m_dUSpan = 1.0, m_dVSpan = 1.0;  // face extent along the axes

    // Lightmap coordinates of a point of the face.
    void Coords(const ZEMapVec3& p, float& lu, float& lv) const;
    // A width x height map of one value.
    static ZEMapLightmap Uniform(const ZEMapPolygon& face, uint16_t width, uint16_t height, uint8_t value);
};

class ZEMapLighting
{
public:
    ZEMapLighting();
    ~ZEMapLighting();

    ZEMapLighting(const ZEMapLighting&) = delete;
    ZEMapLighting& operator=(const ZEMapLighting&) = delete;

    // The lights of the description and the shadow casters (opaque
    // polygons flagged as casting).
    void Prepare(const ZEMapDescription& description, const ZEMapTrack& track,
                 const std::vector<ZEMapPolygon>& casters);
    ZEMapLightmap Bake(const ZEMapPolygon& face);
    // One lightmap over several polygons of one plane (a face made of
    // them): it spans them all, and texels between them are lit as the
    // nearest of them.
    ZEMapLightmap Bake(const std::vector<const ZEMapPolygon*>& parts);
    // The largest extent one lightmap covers at the texel size asked for.
    double GetFullExtent() const { return (m_usMaxSide - 1) * m_dTexel; }

    uint64_t GetTexels() const { return m_ullTexels; }
    uint64_t GetRays() const { return m_ullRays; }

private:
    struct Lamp
    {
        ZEMapVec3 m_vPosition;
        double m_dIntensity = 0.0, m_dRange = 1.0;
        bool m_bAttenuation = true;
        bool m_bSpot = false;
        ZEMapVec3 m_vDirection;
        double m_dCosHalfCone = -1.0;
    };

    double LightAt(const ZEMapVec3& point, const ZEMapVec3& normal);
    bool Blocked(const ZEMapVec3& from, const ZEMapVec3& to);
    uint16_t SideFor(double extent) const;

    double m_dAmbient = 0.0;
    double m_dSun = 0.0;
    ZEMapVec3 m_vSunDirection{0.0, -1.0, 0.0};
    std::vector<Lamp> m_aLamps;
    double m_dSunReach = 100000.0;
    double m_dTop = 0.0;                    // highest point of any caster
    double m_dTexel = 32.0;
    uint16_t m_usMaxSide = 64;
    ZEAABBTreeNode* m_pTree = nullptr;
    uint64_t m_ullTexels = 0;
    uint64_t m_ullRays = 0;
};
