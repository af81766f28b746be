// The HUD family: the speedometer dial and the powerup icons.
//
// Both are loaded with a colour key (pure blue by default) and drawn with
// the nearest texel, so they are painted with ZEPaintOnKey: a hard outline
// against the key, anti-aliased inside, and no texel of the picture ever
// equal to the key.
//
// "tacho": the game stretches the dial over a screen rectangle that is
// "screen_aspect" times as wide as high and draws the needle itself, from
// the hub at (hub_x, hub_y) of the texture toward the angle speed x 180 /
// max_speed degrees (0 pointing left, the middle straight up, the maximum
// right); the needle's tip describes an ellipse whose half axes are
// needle_x texture widths and needle_y texture heights. The scale is laid
// along exactly those needle directions, and all geometry is worked out in
// screen proportions (units of the dial's on-screen height), so round
// things come out round and the numerals upright on the screen.
//
// "icon": a 64 x 64 badge drawn texel for texel at the screen's top right:
// a rounded glossy tile in the icon's colours with a symbol on it (nitro
// bottle, rocket, mine, oil drop), each outlined dark so it reads over any
// scene.
#include "ZETexArt.h"

#include <algorithm>
#include <cmath>

namespace
{
const char* const kBoldFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const ZETexColor kOutline{0.05f, 0.05f, 0.06f};

struct Point
{
    float x, y;
};

// --- Speedometer ----------------------------------------------------------------

struct TachoStyle
{
    float m_fAspect;              // screen width / height of the whole dial
    Point m_Hub;                  // in screen units (heights)
    float m_fNeedleX, m_fNeedleY; // needle reach in screen units
    float m_fEdgeX, m_fEdgeY;     // half axes of the dial's outline
    int m_iMaxSpeed, m_iNumberStep, m_iMajorStep, m_iMinorStep, m_iRedFrom;
    ZETexColor m_Face, m_FaceEdge, m_Bezel, m_Marks, m_Red, m_Numbers;
};

// A numeral placed in texture texels, its mask centred on (x, y).
struct Label
{
    ZETexMask m_Mask;
    ZETexMask m_Shadow;
    float m_fLeft, m_fTop;
};

class Tacho
{
public:
    Tacho(const TachoStyle& style, int width, int height, float numberReach)
        : m_Style(style), m_iWidth(width), m_iHeight(height), m_fNumberReach(numberReach)
    {
    }

    // Screen units of a texture point, and back.
    Point ToScreen(float x, float y) const { return {x / m_iWidth * m_Style.m_fAspect, y / m_iHeight}; }
    Point ToTexels(const Point& p) const { return {p.x / m_Style.m_fAspect * m_iWidth, p.y * m_iHeight}; }
    // Texels of the texture per screen unit across / down.
    float TexelsPerUnitX() const { return m_iWidth / m_Style.m_fAspect; }
    float TexelsPerUnitY() const { return float(m_iHeight); }

    // Where the needle points at `speed`, `reach` times its length out.
    Point Along(float speed, float reach) const
    {
        float a = speed / m_Style.m_iMaxSpeed * kZETexPi;
        return {m_Style.m_Hub.x - reach * m_Style.m_fNeedleX * std::cos(a),
                m_Style.m_Hub.y - reach * m_Style.m_fNeedleY * std::sin(a)};
    }

    bool AddLabels(const std::string& facePath, float em, std::string& error)
    {
        ZETexFont font;
        if (!font.Open(facePath, error))
            return false;
        // Texels are wider than high on the screen; the numerals are
        // narrowed by as much so they look right there.
        float stretch = TexelsPerUnitX() / TexelsPerUnitY();
        float emTexels = em * TexelsPerUnitY();
        for (int speed = 0; speed <= m_Style.m_iMaxSpeed; speed += m_Style.m_iNumberStep)
        {
            Label label;
            label.m_Mask = font.Render(std::to_string(speed), emTexels, stretch, 0.0f, 0.02f, 3);
            label.m_Shadow = ZEBlurMask(ZEDilateMask(label.m_Mask, 1.0f), 1);
            Point at = Along(float(speed), m_fNumberReach);
            // The end numerals are lifted clear of the dial's lower edge.
            at.y = std::min(at.y, m_Style.m_Hub.y - 0.5f * em - 0.05f);
            Point texel = ToTexels(at);
            label.m_fLeft = texel.x - label.m_Mask.m_iWidth * 0.5f;
            label.m_fTop = texel.y - label.m_Mask.m_iHeight * 0.5f;
            m_aLabels.push_back(std::move(label));
        }
        m_Unit = font.Render("km/h", emTexels * 0.55f, stretch, 0.0f, 0.0f, 2);
        Point unit = ToTexels({m_Style.m_Hub.x, m_Style.m_Hub.y - 0.24f});
        m_fUnitLeft = unit.x - m_Unit.m_iWidth * 0.5f;
        m_fUnitTop = unit.y - m_Unit.m_iHeight * 0.5f;
        return true;
    }

    bool Sample(float tx, float ty, ZETexColor& color) const
    {
        Point p = ToScreen(tx, ty);
        const Point& hub = m_Style.m_Hub;
        float ex = (p.x - hub.x) / m_Style.m_fEdgeX, ey = (p.y - hub.y) / m_Style.m_fEdgeY;
        float rho = std::sqrt(ex * ex + ey * ey);
        // The outline: the upper half ellipse over a rounded foot that
        // holds the hub.
        float footBottom = 1.0f - 0.5f / m_iHeight;
        bool upper = p.y <= hub.y && rho <= 1.0f;
        float footCorner = 0.06f;
        float fx = std::fabs(p.x - hub.x) - (m_Style.m_fEdgeX - footCorner);
        float fy = p.y - (footBottom - footCorner);
        bool foot = p.y > hub.y && p.y <= footBottom &&
                    (fx <= 0.0f || fy <= 0.0f || fx * fx + fy * fy <= footCorner * footCorner) &&
                    std::fabs(p.x - hub.x) <= m_Style.m_fEdgeX;
        if (!upper && !foot)
            return false;
        // Below the hub the bezel runs straight along the foot's bottom.
        float edgeRho = p.y > hub.y ? std::max(std::fabs(ex), 0.9f + 0.1f * (p.y - hub.y) / (footBottom - hub.y)) : rho;
        color = edgeRho < 0.9f ? Face(p, tx, ty, rho) : Bezel(p, edgeRho);
        color = Hub(p, color);
        return true;
    }

private:
    ZETexColor Bezel(const Point& p, float rho) const
    {
        // Brushed metal, bright toward the upper left, with a thin bright
        // lip on the outside and a dark groove inside.
        float angle = std::atan2(p.y - m_Style.m_Hub.y, p.x - m_Style.m_Hub.x);
        float light = 0.5f + 0.5f * std::cos(angle + 2.3f);
        ZETexColor metal = ZEMix(m_Style.m_Bezel * 0.35f, m_Style.m_Bezel, light);
        float lip = std::exp(-std::pow((rho - 0.975f) / 0.012f, 2.0f));
        metal = metal + ZETexColor{0.25f, 0.25f, 0.25f} * (lip * light);
        float groove = std::exp(-std::pow((rho - 0.905f) / 0.01f, 2.0f));
        return ZEMix(metal, kOutline, 0.8f * groove);
    }

    ZETexColor Face(const Point& p, float tx, float ty, float rho) const
    {
        ZETexColor color = ZEMix(m_Style.m_Face, m_Style.m_FaceEdge, ZESmoothStep(0.0f, 0.9f, rho));
        // A soft sheen across the upper left of the glass.
        float sheen = std::exp(-std::pow((p.y - 0.25f) / 0.18f, 2.0f)) * std::exp(-std::pow((p.x - 0.9f) / 0.5f, 2.0f));
        color = color + ZETexColor{0.06f, 0.06f, 0.07f} * sheen;
        color = Scale(p, color);
        for (const Label& label : m_aLabels)
            color = Text(color, label.m_Mask, label.m_Shadow, label.m_fLeft, label.m_fTop, tx, ty, m_Style.m_Numbers);
        ZETexMask none;
        return Text(color, m_Unit, none, m_fUnitLeft, m_fUnitTop, tx, ty, m_Style.m_Numbers * 0.7f);
    }

    ZETexColor Scale(const Point& p, const ZETexColor& under) const
    {
        ZETexColor color = under;
        const Point& hub = m_Style.m_Hub;
        // The needle parameter of this point: its angle and its reach.
        float nx = (hub.x - p.x) / m_Style.m_fNeedleX, ny = (hub.y - p.y) / m_Style.m_fNeedleY;
        float reach = std::sqrt(nx * nx + ny * ny);
        float speed = std::atan2(ny, nx) / kZETexPi * m_Style.m_iMaxSpeed;
        if (speed >= m_Style.m_iRedFrom - 0.5f && speed <= m_Style.m_iMaxSpeed + 0.5f && reach > 0.9f && reach < 1.0f)
            color = ZEMix(color, m_Style.m_Red, 0.9f);
        // The thin arc the ticks stand on.
        if (reach > 0.965f && reach < 0.985f && speed > -0.5f && speed < m_Style.m_iMaxSpeed + 0.5f)
            color = ZEMix(color, m_Style.m_Marks, 0.8f);
        for (int tick = 0; tick <= m_Style.m_iMaxSpeed; tick += m_Style.m_iMinorStep)
        {
            bool major = tick % m_Style.m_iMajorStep == 0;
            bool middle = !major && tick % (m_Style.m_iMajorStep / 2) == 0 && m_Style.m_iMajorStep % 2 == 0;
            float inner = major ? 0.8f : middle ? 0.86f : 0.89f;
            float width = major ? 0.028f : middle ? 0.02f : 0.013f;
            Point a = Along(float(tick), inner), b = Along(float(tick), 0.98f);
            float d = ZESdSegment(p.x, p.y, a.x, a.y, b.x, b.y, width * 0.5f);
            if (d < 0.0f)
                color = tick >= m_Style.m_iRedFrom && !major ? ZEMix(m_Style.m_Marks, m_Style.m_Red, 0.5f) : m_Style.m_Marks;
        }
        return color;
    }

    static ZETexColor Text(const ZETexColor& under, const ZETexMask& mask, const ZETexMask& shadow, float left,
                           float top, float tx, float ty, const ZETexColor& ink)
    {
        ZETexColor color = under;
        if (shadow.m_iWidth > 0)
            color = ZEMix(color, kOutline, 0.8f * ZEMaskSample(shadow, tx - left - 0.8f, ty - top - 0.8f));
        return ZEMix(color, ink, ZEMaskSample(mask, tx - left, ty - top));
    }

    ZETexColor Hub(const Point& p, const ZETexColor& under) const
    {
        float d = std::hypot(p.x - m_Style.m_Hub.x, p.y - m_Style.m_Hub.y);
        const float radius = 0.085f;
        if (d > radius + 0.03f)
            return under;
        if (d > radius)
            return under * (0.4f + 0.6f * (d - radius) / 0.03f);
        // A domed cap lit from the upper left.
        float lx = (p.x - m_Style.m_Hub.x) / radius, ly = (p.y - m_Style.m_Hub.y) / radius;
        float light = ZEClamp01(0.55f - 0.45f * (lx + ly) * 0.7f);
        float spot = std::exp(-((lx + 0.35f) * (lx + 0.35f) + (ly + 0.35f) * (ly + 0.35f)) / 0.08f);
        ZETexColor cap = ZEMix(ZETexColor{0.12f, 0.12f, 0.13f}, ZETexColor{0.62f, 0.63f, 0.66f}, light);
        return cap + ZETexColor{0.35f, 0.35f, 0.35f} * spot;
    }

    TachoStyle m_Style;
    int m_iWidth;
    int m_iHeight;
    float m_fNumberReach;
    std::vector<Label> m_aLabels;
    ZETexMask m_Unit;
    float m_fUnitLeft = 0.0f;
    float m_fUnitTop = 0.0f;
};

bool PaintTacho(ZETexParams& params, ZETexCanvas& canvas, std::string& error)
{
    TachoStyle style;
    ZETexColor key = params.Color("key", {0.0f, 0.0f, 1.0f});
    style.m_fAspect = params.Float("screen_aspect", 2.4f, 0.25f, 16.0f);
    float hubX = params.Float("hub_x", 0.5f, 0.0f, 1.0f), hubY = params.Float("hub_y", 0.95f, 0.0f, 1.0f);
    float needleX = params.Float("needle_x", 0.08f / 0.18f, 0.01f, 1.0f);
    float needleY = params.Float("needle_y", 0.8f, 0.01f, 1.0f);
    float edgeX = params.Float("edge_x", 0.495f, 0.01f, 0.5f), edgeY = params.Float("edge_y", 0.94f, 0.01f, 1.0f);
    style.m_iMaxSpeed = params.Int("max_speed", 200, 10, 1000);
    style.m_iNumberStep = params.Int("numbers_every", 50, 1, 1000);
    style.m_iMajorStep = params.Int("major_every", 50, 1, 1000);
    style.m_iMinorStep = params.Int("minor_every", 10, 1, 1000);
    style.m_iRedFrom = params.Int("red_from", 160, 0, 1000);
    float em = params.Float("numeral_size", 0.18f, 0.02f, 1.0f);
    float numberReach = params.Float("numeral_reach", 0.61f, 0.0f, 1.0f);
    std::string face = params.Text("face", kBoldFace);
    style.m_Face = params.Color("face_color", {0.17f, 0.18f, 0.21f});
    style.m_FaceEdge = params.Color("face_edge", {0.05f, 0.05f, 0.06f});
    style.m_Bezel = params.Color("bezel", {0.86f, 0.87f, 0.9f});
    style.m_Marks = params.Color("marks", {0.95f, 0.95f, 0.95f});
    style.m_Red = params.Color("red", {0.86f, 0.1f, 0.06f});
    style.m_Numbers = params.Color("numbers", {1.0f, 1.0f, 1.0f});
    if (style.m_iMajorStep % style.m_iMinorStep != 0)
        params.Fail("major_every", "must be a multiple of minor_every");
    if (params.HasError())
        return false;
    style.m_Hub = {hubX * style.m_fAspect, hubY};
    style.m_fNeedleX = needleX * style.m_fAspect;
    style.m_fNeedleY = needleY;
    style.m_fEdgeX = edgeX * style.m_fAspect;
    style.m_fEdgeY = edgeY;

    Tacho tacho(style, canvas.Width(), canvas.Height(), numberReach);
    if (!tacho.AddLabels(face, em, error))
        return false;
    ZEPaintOnKey(canvas, 4, key, [&](float x, float y, ZETexColor& color) { return tacho.Sample(x, y, color); });
    return true;
}

// --- Powerup icons ---------------------------------------------------------------

// Rotates a point about (cx, cy) into a frame whose first axis points
// along `angle` (radians, y down): t along, s across.
Point Local(float x, float y, float cx, float cy, float angle)
{
    float dx = x - cx, dy = y - cy, c = std::cos(angle), s = std::sin(angle);
    return {dx * c + dy * s, -dx * s + dy * c};
}

// Shading of a cylinder seen from the side: `across` from -1 to 1, light
// from the upper left (negative across).
float Cylinder(float across)
{
    float a = std::max(-1.0f, std::min(1.0f, across));
    float light = 0.55f + 0.45f * std::cos((a + 0.45f) * 1.5f);
    float shine = std::exp(-std::pow((a + 0.45f) / 0.16f, 2.0f));
    return light + 0.5f * shine;
}

class Icon
{
public:
    Icon(const std::string& symbol, const ZETexColor& light, const ZETexColor& dark, const ZETexMask& text)
        : m_Symbol(symbol), m_Light(light), m_Dark(dark), m_Text(text)
    {
    }

    bool Sample(float x, float y, ZETexColor& color) const
    {
        float badge = ZESdRoundBox(x, y, 32.0f, 32.0f, 30.5f, 30.5f, 11.0f);
        if (badge > 0.0f)
            return false;
        color = Badge(x, y, badge);
        // Each symbol paints itself over the badge and tells its signed
        // distance, for the dark rim that keeps it apart from the badge.
        float distance = 1e30f;
        if (m_Symbol == "nitro")
            color = Nitro(x, y, color, distance);
        else if (m_Symbol == "rocket")
            color = Rocket(x, y, color, distance);
        else if (m_Symbol == "mine")
            color = Mine(x, y, color, distance);
        else
            color = Oil(x, y, color, distance);
        if (distance > 0.0f && distance < 1.6f)
            color = ZEMix(color, kOutline, 0.85f);
        return true;
    }

private:
    ZETexColor Badge(float x, float y, float distance) const
    {
        if (distance > -2.5f)
        {
            // The rim: bright on top, dark at the bottom.
            float light = ZEClamp01(1.0f - y / 64.0f);
            return ZEMix(ZETexColor{0.2f, 0.2f, 0.22f}, ZETexColor{0.92f, 0.93f, 0.95f}, light);
        }
        ZETexColor color = ZEMix(m_Light, m_Dark, ZESmoothStep(4.0f, 60.0f, y));
        float r = std::hypot(x - 32.0f, y - 30.0f) / 34.0f;
        color = color * (1.05f - 0.35f * r * r);
        // The gloss: a pale band over the upper part of the tile.
        float gloss = ZESdEllipse(x, y, 32.0f, 6.0f, 34.0f, 20.0f) < 0.0f ? 0.16f * (1.0f - y / 26.0f) : 0.0f;
        return color + ZETexColor{1.0f, 1.0f, 1.0f} * std::max(0.0f, gloss);
    }

    // The gas bottle: a silver cylinder with a valve and a label.
    ZETexColor Nitro(float x, float y, const ZETexColor& under, float& distance) const
    {
        float body = ZESdRoundBox(x, y, 32.0f, 38.0f, 11.0f, 18.5f, 7.0f);
        float neck = ZESdRoundBox(x, y, 32.0f, 15.0f, 3.0f, 4.0f, 0.5f);
        float valve = ZESdRoundBox(x, y, 32.0f, 10.0f, 7.5f, 2.5f, 1.2f);
        float nozzle = ZESdRoundBox(x, y, 42.0f, 10.5f, 4.0f, 1.4f, 0.5f);
        distance = std::min(std::min(body, neck), std::min(valve, nozzle));
        if (distance > 0.0f)
            return under;
        if (body <= 0.0f)
        {
            float shade = Cylinder((x - 32.0f) / 11.0f);
            ZETexColor metal = ZETexColor{0.72f, 0.76f, 0.82f} * shade;
            bool label = y > 30.0f && y < 46.0f;
            if (label)
            {
                ZETexColor band = ZETexColor{0.08f, 0.3f, 0.72f} * shade;
                float ink = ZEMaskSample(m_Text, x - (32.0f - m_Text.m_iWidth * 0.5f), y - (38.5f - m_Text.m_iHeight * 0.5f));
                return ZEMix(band, ZETexColor{1.0f, 1.0f, 1.0f}, ink);
            }
            // Thin rings at the label's edges.
            if (std::fabs(y - 29.5f) < 0.8f || std::fabs(y - 46.5f) < 0.8f)
                return metal * 0.5f;
            return metal;
        }
        float shade = Cylinder((x - 32.0f) / 7.5f);
        return ZETexColor{0.35f, 0.36f, 0.38f} * shade;
    }

    // The EMP rocket: a white body with a red nose, fins and a flame,
    // flying up to the right.
    ZETexColor Rocket(float x, float y, const ZETexColor& under, float& distance) const
    {
        const float angle = -kZETexPi / 4.0f;
        Point p = Local(x, y, 33.0f, 31.0f, angle);
        float t = p.x, s = p.y;
        float body = ZESdRoundBox(t, s, -2.0f, 0.0f, 11.0f, 5.5f, 1.0f);
        std::vector<float> nose;
        for (int i = 0; i <= 8; ++i)
        {
            float f = i / 8.0f;
            nose.push_back(9.0f + 12.0f * f);
            nose.push_back(-5.5f * std::sqrt(1.0f - f * f));
        }
        for (int i = 8; i >= 0; --i)
        {
            float f = i / 8.0f;
            nose.push_back(9.0f + 12.0f * f);
            nose.push_back(5.5f * std::sqrt(1.0f - f * f));
        }
        float cone = ZESdPolygon(t, s, nose);
        float fins = ZESdPolygon(t, s, {-13.0f, -5.0f, -5.0f, -5.0f, -15.0f, -12.0f, -17.0f, -12.0f});
        fins = std::min(fins, ZESdPolygon(t, s, {-13.0f, 5.0f, -5.0f, 5.0f, -15.0f, 12.0f, -17.0f, 12.0f}));
        float nozzle = ZESdRoundBox(t, s, -14.5f, 0.0f, 2.0f, 3.5f, 0.5f);
        distance = std::min(std::min(body, cone), std::min(fins, nozzle));

        // The flame behind it, with a glow that spills onto the badge.
        float flameLength = 15.0f;
        float along = (-16.0f - t) / flameLength;
        ZETexColor color = under;
        if (along > -0.1f && along < 1.3f)
        {
            float halfWidth = 5.5f * std::sqrt(ZEClamp01(1.0f - along)) * ZEClamp01(along * 4.0f + 0.6f);
            float glow = std::exp(-std::pow(std::fabs(s) / (halfWidth + 3.5f), 2.0f)) * ZEClamp01(1.2f - along);
            color = color + ZETexColor{1.0f, 0.6f, 0.15f} * (0.9f * glow);
            if (std::fabs(s) < halfWidth)
            {
                float core = 1.0f - std::fabs(s) / std::max(halfWidth, 0.01f);
                ZETexColor flame = ZEMix(ZETexColor{1.0f, 0.35f, 0.05f}, ZETexColor{1.0f, 0.95f, 0.6f}, core * (1.0f - along));
                color = ZEMix(color, flame, ZEClamp01(core * 2.0f));
            }
        }
        if (distance > 0.0f)
            return color;
        float shade = Cylinder(s / 5.5f);
        if (nozzle <= 0.0f)
            return ZETexColor{0.3f, 0.3f, 0.32f} * shade;
        if (fins <= 0.0f)
            return ZETexColor{0.78f, 0.12f, 0.08f} * (0.8f + 0.2f * shade);
        if (cone <= 0.0f)
            return ZETexColor{0.85f, 0.14f, 0.1f} * shade;
        // A cyan band marks the EMP charge.
        if (t > -4.0f && t < -0.5f)
            return ZETexColor{0.15f, 0.75f, 0.85f} * shade;
        return ZETexColor{0.86f, 0.87f, 0.88f} * shade;
    }

    // The EMP mine: a flat dark disc with studs round its rim, a yellow
    // and black band, a red light on top and sparks jumping off it.
    ZETexColor Mine(float x, float y, const ZETexColor& under, float& distance) const
    {
        const float cx = 32.0f, cy = 35.0f, rx = 21.0f, ry = 11.0f, depth = 7.0f;
        float top = ZESdEllipse(x, y, cx, cy, rx, ry);
        float side = ZESdRoundBox(x, y, cx, cy + depth * 0.5f, rx, depth * 0.5f, 0.0f);
        float bottom = ZESdEllipse(x, y, cx, cy + depth, rx, ry);
        float dome = ZESdEllipse(x, y, cx, cy - 3.0f, 10.0f, 6.5f);
        float studs = 1e30f;
        for (int i = 0; i < 8; ++i)
        {
            float a = (i + 0.5f) * kZETexPi / 4.0f;
            float sx = cx + std::cos(a) * rx * 1.02f, sy = cy + std::sin(a) * ry * 1.02f;
            studs = std::min(studs, ZESdCircle(x, y, sx, sy, 2.6f));
        }
        float disc = std::min(std::min(top, side), bottom);
        distance = std::min(std::min(disc, dome), studs);

        ZETexColor color = under;
        // Sparks: two jagged arcs above the disc.
        for (int bolt = 0; bolt < 2; ++bolt)
        {
            float side2 = bolt == 0 ? -1.0f : 1.0f;
            std::vector<Point> path = {{32.0f + side2 * 6.0f, 25.0f}, {32.0f + side2 * 11.0f, 18.0f},
                                       {32.0f + side2 * 8.0f, 15.0f}, {32.0f + side2 * 15.0f, 6.0f}};
            for (size_t i = 0; i + 1 < path.size(); ++i)
            {
                float d = ZESdSegment(x, y, path[i].x, path[i].y, path[i + 1].x, path[i + 1].y, 0.0f);
                color = color + ZETexColor{0.3f, 0.8f, 1.0f} * (0.5f * std::exp(-d * d / 6.0f));
                if (d < 1.0f)
                    color = ZEMix(color, ZETexColor{0.85f, 0.97f, 1.0f}, ZEClamp01(1.2f - d));
            }
        }
        if (distance > 0.0f)
            return color;
        if (dome <= 0.0f)
        {
            float lx = (x - cx) / 10.0f, ly = (y - cy + 3.0f) / 6.5f;
            float shade = ZEClamp01(0.75f - 0.5f * (lx + ly));
            ZETexColor metal = ZETexColor{0.42f, 0.44f, 0.47f} * (0.5f + shade);
            float light = ZESdCircle(x, y, cx, cy - 5.0f, 2.6f);
            if (light < 2.5f)
                metal = ZEMix(metal, ZETexColor{1.0f, 0.2f, 0.1f}, ZEClamp01(1.0f - light / 2.5f));
            if (light < 0.0f)
                metal = ZEMix(ZETexColor{1.0f, 0.25f, 0.15f}, ZETexColor{1.0f, 0.85f, 0.8f}, ZEClamp01(-light / 2.0f));
            return metal;
        }
        if (studs <= 0.0f)
            return ZETexColor{0.6f, 0.62f, 0.65f} * (0.6f + 0.4f * ZEClamp01(-studs / 2.0f));
        if (top <= 0.0f)
        {
            float lx = (x - cx) / rx, ly = (y - cy) / ry;
            float shade = 0.55f + 0.3f * ZEClamp01(0.5f - 0.5f * (lx + ly));
            ZETexColor metal = ZETexColor{0.25f, 0.27f, 0.29f} * shade * 1.4f;
            // A groove ring between dome and rim.
            float ring = ZESdEllipse(x, y, cx, cy - 1.0f, 15.0f, 8.0f);
            if (std::fabs(ring) < 0.7f)
                metal = metal * 0.5f;
            return metal;
        }
        // The side band: yellow and black hazard stripes.
        float stripe = std::fmod(x + y * 0.8f + 100.0f, 8.0f) < 4.0f ? 1.0f : 0.0f;
        float shade = 0.7f + 0.3f * std::cos((x - cx) / rx * 1.5f + 0.4f);
        return ZEMix(ZETexColor{0.1f, 0.1f, 0.1f}, ZETexColor{0.98f, 0.78f, 0.1f}, stripe) * shade;
    }

    // The oil drop: glossy black with highlights, over a puddle with a
    // rainbow sheen.
    ZETexColor Oil(float x, float y, const ZETexColor& under, float& distance) const
    {
        const float cx = 32.0f, cy = 35.0f, radius = 13.0f;
        std::vector<float> drop;
        for (int i = 0; i <= 12; ++i)
        {
            float f = i / 12.0f;
            float dy = -radius * 0.25f - f * 19.0f;
            float half = radius * 0.97f * std::pow(1.0f - f, 1.3f);
            drop.push_back(cx - half);
            drop.push_back(cy + dy);
        }
        for (int i = 12; i >= 0; --i)
        {
            float f = i / 12.0f;
            float dy = -radius * 0.25f - f * 19.0f;
            float half = radius * 0.97f * std::pow(1.0f - f, 1.3f);
            drop.push_back(cx + half);
            drop.push_back(cy + dy);
        }
        float body = std::min(ZESdCircle(x, y, cx, cy, radius), ZESdPolygon(x, y, drop));
        float puddle = ZESdEllipse(x, y, 32.0f, 53.5f, 24.0f, 5.5f);
        distance = std::min(body, puddle);
        if (distance > 0.0f)
            return under;
        if (body <= 0.0f)
        {
            float lx = (x - cx) / radius, ly = (y - cy) / radius;
            ZETexColor color = ZEMix(ZETexColor{0.16f, 0.15f, 0.17f}, ZETexColor{0.03f, 0.03f, 0.035f},
                                     ZEClamp01(0.5f + 0.5f * (lx + ly)));
            // Reflected light along the lower right edge.
            float rim = ZEClamp01(1.0f + body / 3.0f) * ZEClamp01(0.2f + 0.6f * (lx + ly));
            color = color + ZETexColor{0.25f, 0.22f, 0.15f} * rim;
            float spot = ZESdEllipse(x, y, cx - 5.0f, cy - 5.0f, 2.8f, 5.0f);
            float dot = ZESdCircle(x, y, cx - 6.0f, cy + 4.0f, 1.2f);
            if (spot < 1.0f)
                color = ZEMix(color, ZETexColor{1.0f, 1.0f, 1.0f}, ZEClamp01(1.0f - spot) * 0.95f);
            if (dot < 0.5f)
                color = ZEMix(color, ZETexColor{0.9f, 0.9f, 0.9f}, ZEClamp01(0.5f - dot) * 1.2f);
            return color;
        }
        // The puddle's sheen: bands of colour across its surface.
        float band = (x - 32.0f) / 24.0f * 2.2f + (y - 53.5f) / 5.5f * 0.6f;
        ZETexColor sheen{0.5f + 0.5f * std::cos(band * 3.0f), 0.5f + 0.5f * std::cos(band * 3.0f - 2.1f),
                         0.5f + 0.5f * std::cos(band * 3.0f + 2.1f)};
        float strength = 0.35f * std::exp(-std::pow((y - 52.0f) / 2.5f, 2.0f));
        return ZEMix(ZETexColor{0.05f, 0.05f, 0.06f}, sheen * 0.8f, strength);
    }

    std::string m_Symbol;
    ZETexColor m_Light;
    ZETexColor m_Dark;
    ZETexMask m_Text;
};

bool PaintIcon(ZETexParams& params, ZETexCanvas& canvas, std::string& error)
{
    ZETexColor key = params.Color("key", {0.0f, 0.0f, 1.0f});
    std::string symbol = params.Text("symbol", "nitro");
    ZETexColor light = params.Color("light", {0.3f, 0.55f, 0.9f});
    ZETexColor dark = params.Color("dark", {0.04f, 0.1f, 0.3f});
    std::string label = params.Text("label", "N2O");
    std::string face = params.Text("face", kBoldFace);
    if (symbol != "nitro" && symbol != "rocket" && symbol != "mine" && symbol != "oil")
        params.Fail("symbol", "is nitro, rocket, mine or oil");
    if (canvas.Width() != 64 || canvas.Height() != 64)
        params.Fail("size", "an icon is 64 x 64 texels, the size the HUD draws it");
    if (params.HasError())
        return false;
    ZETexMask text;
    if (symbol == "nitro")
    {
        ZETexFont font;
        if (!font.Open(face, error))
            return false;
        text = font.Render(label, 10.0f, 0.85f, 0.0f, 0.0f, 1);
    }
    Icon icon(symbol, light, dark, text);
    ZEPaintOnKey(canvas, 4, key, [&](float x, float y, ZETexColor& color) { return icon.Sample(x, y, color); });
    return true;
}
}

void ZERegisterHudFamily(ZETexPainters& painters)
{
    painters.Add("tacho", PaintTacho,
                 "half-elliptical speedometer dial on a colour key, scale laid along the game's needle; key, "
                 "screen_aspect, hub_x, hub_y, needle_x, needle_y, edge_x, edge_y, max_speed, numbers_every, "
                 "major_every, minor_every, red_from, numeral_size, numeral_reach, face, face_color, face_edge, bezel, marks, red, "
                 "numbers");
    painters.Add("icon", PaintIcon,
                 "64 x 64 powerup badge on a colour key; key, symbol (nitro, rocket, mine, oil), light, dark, "
                 "label (nitro only), face");
}
