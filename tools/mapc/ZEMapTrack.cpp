#include "ZEMapTrack.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace
{
const uint32_t kStepsPerSpan = 64;
const double kPi = 3.14159265358979323846;
// How much tighter than the corridor's half width a radius must stay.
const double kTurnMargin = 1.1;
// Room between two passes of the corridor.
const double kPassGap = 20.0;
// More road segments than this make the later stages slow for nothing.
const size_t kMostSegments = 8000;

ZEMapVec2 Lerp(const ZEMapVec2& a, const ZEMapVec2& b, double t)
{
    return a + (b - a) * t;
}

double Mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

double Smoothstep(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// A point of the centripetal Catmull-Rom span p1 -> p2 (Barry and Goldman's
// pyramid), f from 0 to 1.
ZEMapVec2 CatmullRom(const ZEMapVec2& p0, const ZEMapVec2& p1, const ZEMapVec2& p2, const ZEMapVec2& p3, double f)
{
    auto knot = [](const ZEMapVec2& a, const ZEMapVec2& b) { return std::max(std::sqrt((b - a).Length()), 1e-6); };
    double t0 = 0.0;
    double t1 = t0 + knot(p0, p1);
    double t2 = t1 + knot(p1, p2);
    double t3 = t2 + knot(p2, p3);
    double t = t1 + (t2 - t1) * f;
    ZEMapVec2 a1 = p0 * ((t1 - t) / (t1 - t0)) + p1 * ((t - t0) / (t1 - t0));
    ZEMapVec2 a2 = p1 * ((t2 - t) / (t2 - t1)) + p2 * ((t - t1) / (t2 - t1));
    ZEMapVec2 a3 = p2 * ((t3 - t) / (t3 - t2)) + p3 * ((t - t2) / (t3 - t2));
    ZEMapVec2 b1 = a1 * ((t2 - t) / (t2 - t0)) + a2 * ((t - t0) / (t2 - t0));
    ZEMapVec2 b2 = a2 * ((t3 - t) / (t3 - t1)) + a3 * ((t - t1) / (t3 - t1));
    return b1 * ((t2 - t) / (t2 - t1)) + b2 * ((t - t1) / (t2 - t1));
}
}

bool ZEMapTrack::Build(const ZEMapDescription& description, ZEMapMessages& messages)
{
    m_aDense.clear();
    m_aSamples.clear();
    m_dDenseLength = m_dLength = m_dSegment = m_dMaxCorridorHalf = 0.0;
    if (description.m_bScene)
        return true;
    const ZEMapTrackDesc& track = description.m_Track;
    if (!CheckPoints(track, messages))
        return false;
    BuildDense(track.m_avPoints);
    double segments = m_dDenseLength / description.m_Settings.m_dSegment;
    if (segments > kMostSegments)
    {
        messages.Error(track.m_ulLine, ZEString::Format("[track] points: a road %.0f long makes %.0f segments of "
                                                        "[settings] segment; at most %zu are allowed",
                                                        m_dDenseLength, segments, kMostSegments));
        return false;
    }
    Resample(description);
    if (!CheckNarrows(description, messages))
        return false;
    SetWidths(description);
    bool turns = CheckTurns(messages);
    bool approaches = CheckApproaches(messages);
    return turns && approaches;
}

bool ZEMapTrack::CheckPoints(const ZEMapTrackDesc& track, ZEMapMessages& messages) const
{
    const std::vector<ZEMapVec2>& points = track.m_avPoints;
    if (points.size() < 4)
    {
        messages.Error(track.m_ulLine, "[track] points: a closed track needs at least 4 control points");
        return false;
    }
    for (size_t i = 0; i < points.size(); ++i)
    {
        size_t next = (i + 1) % points.size();
        if ((points[next] - points[i]).Length() < 1.0)
        {
            messages.Error(track.m_aulPointLines[next],
                           ZEString::Format("[track] points: point %zu lies on point %zu", next + 1, i + 1));
            return false;
        }
    }
    return true;
}

void ZEMapTrack::BuildDense(const std::vector<ZEMapVec2>& points)
{
    size_t n = points.size();
    m_aDense.clear();
    for (size_t i = 0; i < n; ++i)
        for (uint32_t step = 0; step < kStepsPerSpan; ++step)
        {
            Dense dense;
            dense.m_vPoint = CatmullRom(points[(i + n - 1) % n], points[i], points[(i + 1) % n], points[(i + 2) % n],
                                        static_cast<double>(step) / kStepsPerSpan);
            dense.m_ulSpan = static_cast<uint32_t>(i);
            m_aDense.push_back(dense);
        }
    double arc = 0.0;
    for (size_t i = 0; i < m_aDense.size(); ++i)
    {
        m_aDense[i].m_dArc = arc;
        arc += (m_aDense[(i + 1) % m_aDense.size()].m_vPoint - m_aDense[i].m_vPoint).Length();
    }
    m_dDenseLength = arc;
}

ZEMapVec2 ZEMapTrack::DenseAt(double arc, uint32_t& span) const
{
    arc = std::fmod(arc, m_dDenseLength);
    if (arc < 0.0)
        arc += m_dDenseLength;
    auto after = std::upper_bound(m_aDense.begin(), m_aDense.end(), arc,
                                  [](double a, const Dense& d) { return a < d.m_dArc; });
    size_t i = static_cast<size_t>(after - m_aDense.begin()) - 1;
    const Dense& a = m_aDense[i];
    const Dense& b = m_aDense[(i + 1) % m_aDense.size()];
    double length = i + 1 < m_aDense.size() ? b.m_dArc - a.m_dArc : m_dDenseLength - a.m_dArc;
    span = a.m_ulSpan;
    return Lerp(a.m_vPoint, b.m_vPoint, length > 0.0 ? (arc - a.m_dArc) / length : 0.0);
}

void ZEMapTrack::Resample(const ZEMapDescription& description)
{
    const ZEMapTrackDesc& track = description.m_Track;
    size_t count = std::max<size_t>(16, static_cast<size_t>(std::lround(m_dDenseLength / description.m_Settings.m_dSegment)));
    m_aSamples.assign(count, ZEMapTrackSample());
    double step = m_dDenseLength / static_cast<double>(count);
    for (size_t k = 0; k < count; ++k)
    {
        uint32_t span = 0;
        ZEMapTrackSample& sample = m_aSamples[k];
        sample.m_vPoint = DenseAt(track.m_dStart + step * static_cast<double>(k), span);
        sample.m_dAlong = step * static_cast<double>(k);
        size_t next = (span + 1) % track.m_avPoints.size();
        bool nearer = (track.m_avPoints[span] - sample.m_vPoint).Length() <=
                      (track.m_avPoints[next] - sample.m_vPoint).Length();
        sample.m_ulLine = track.m_aulPointLines[nearer ? span : next];
    }
    // The drawn road is the polygon through the samples: measure that.
    m_dLength = 0.0;
    for (size_t k = 0; k < count; ++k)
    {
        m_aSamples[k].m_dAlong = m_dLength;
        m_dLength += (m_aSamples[(k + 1) % count].m_vPoint - m_aSamples[k].m_vPoint).Length();
    }
    m_dSegment = m_dLength / static_cast<double>(count);
    for (size_t k = 0; k < count; ++k)
    {
        ZEMapTrackSample& sample = m_aSamples[k];
        const ZEMapVec2& prev = m_aSamples[(k + count - 1) % count].m_vPoint;
        const ZEMapVec2& next = m_aSamples[(k + 1) % count].m_vPoint;
        sample.m_vTangent = (next - prev).Unit();
        sample.m_vRight = ZEMapVec2(sample.m_vTangent.z, -sample.m_vTangent.x);
        ZEMapVec2 in = sample.m_vPoint - prev, out = next - sample.m_vPoint;
        double angle = std::atan2(in.CrossY(out), in.Dot(out));
        sample.m_dCurvature = angle / (0.5 * (in.Length() + out.Length()));
    }
}

bool ZEMapTrack::CheckNarrows(const ZEMapDescription& description, ZEMapMessages& messages) const
{
    const std::vector<ZEMapNarrow>& narrows = description.m_aNarrows;
    bool fine = true;
    for (size_t i = 0; i < narrows.size(); ++i)
    {
        const ZEMapNarrow& narrow = narrows[i];
        double reach = narrow.m_dTo - narrow.m_dFrom + 2.0 * narrow.m_dRamp;
        if (narrow.m_dTo > m_dLength)
        {
            messages.Error(narrow.m_ulToLine, ZEString::Format("[[narrow]] to: the track is only %.0f long", m_dLength));
            fine = false;
        }
        else if (reach >= m_dLength)
        {
            messages.Error(narrow.m_ulLine, ZEString::Format("[[narrow]] reaches %.0f with its ramps; the track is "
                                                             "only %.0f long",
                                                             reach, m_dLength));
            fine = false;
        }
    }
    for (size_t j = 0; fine && j < narrows.size(); ++j)
        for (size_t i = 0; i < j; ++i)
        {
            const ZEMapNarrow& a = narrows[i];
            const ZEMapNarrow& b = narrows[j];
            if (!Overlaps(a.m_dFrom - a.m_dRamp, a.m_dTo - a.m_dFrom + 2.0 * a.m_dRamp, b.m_dFrom - b.m_dRamp,
                          b.m_dTo - b.m_dFrom + 2.0 * b.m_dRamp))
                continue;
            messages.Error(b.m_ulLine, ZEString::Format("[[narrow]] overlaps the [[narrow]] on line %u (ramps "
                                                        "included: from %.0f to %.0f)",
                                                        a.m_ulLine, Wrap(a.m_dFrom - a.m_dRamp),
                                                        Wrap(a.m_dTo + a.m_dRamp)));
            fine = false;
        }
    return fine;
}

void ZEMapTrack::SetWidths(const ZEMapDescription& description)
{
    double verge = description.m_Track.m_dVerge;
    double walls = description.m_Walls.HasTerrain() ? description.m_Walls.m_dThickness : 0.0;
    m_dMaxCorridorHalf = 0.0;
    for (ZEMapTrackSample& sample : m_aSamples)
    {
        sample.m_dRoadHalf = RoadHalfAt(description, sample.m_dAlong);
        sample.m_dInnerHalf = sample.m_dRoadHalf + verge;
        sample.m_dCorridorHalf = sample.m_dInnerHalf + walls;
        m_dMaxCorridorHalf = std::max(m_dMaxCorridorHalf, sample.m_dCorridorHalf);
    }
}

double ZEMapTrack::RoadHalfAt(const ZEMapDescription& description, double along) const
{
    double normal = description.m_Track.m_dWidth * 0.5;
    double half = normal;
    for (const ZEMapNarrow& narrow : description.m_aNarrows)
    {
        // How far `along` lies outside the section, either way round the loop.
        bool inside = Ahead(narrow.m_dFrom, along) <= narrow.m_dTo - narrow.m_dFrom;
        double outside = inside ? 0.0 : std::min(Ahead(along, narrow.m_dFrom), Ahead(narrow.m_dTo, along));
        double share = 0.0;
        if (inside)
            share = 1.0;
        else if (outside < narrow.m_dRamp)
            share = 1.0 - Smoothstep(outside / narrow.m_dRamp);
        half = std::min(half, normal + (narrow.m_dWidth * 0.5 - normal) * share);
    }
    return half;
}

bool ZEMapTrack::CheckTurns(ZEMapMessages& messages) const
{
    std::set<uint32_t> reported;
    bool fine = true;
    for (const ZEMapTrackSample& sample : m_aSamples)
    {
        double radius = std::fabs(sample.m_dCurvature) > 1e-12 ? 1.0 / std::fabs(sample.m_dCurvature) : 1e30;
        double needed = sample.m_dCorridorHalf * kTurnMargin;
        if (radius >= needed || reported.count(sample.m_ulLine))
            continue;
        reported.insert(sample.m_ulLine);
        messages.Error(sample.m_ulLine,
                       ZEString::Format("[track] points: the road turns with a radius of %.0f near this point; "
                                        "road, verges and walls need at least %.0f (%.0f wide)",
                                        radius, needed, 2.0 * sample.m_dCorridorHalf));
        fine = false;
    }
    return fine;
}

bool ZEMapTrack::CheckApproaches(ZEMapMessages& messages) const
{
    std::set<std::pair<uint32_t, uint32_t>> reported;
    bool fine = true;
    for (size_t i = 0; i < m_aSamples.size(); ++i)
        for (size_t j = i + 1; j < m_aSamples.size(); ++j)
        {
            const ZEMapTrackSample& a = m_aSamples[i];
            const ZEMapTrackSample& b = m_aSamples[j];
            // Passes nearer along the road than half a turn round the wider
            // corridor are one bend, not two passes.
            double arc = std::min(b.m_dAlong - a.m_dAlong, m_dLength - (b.m_dAlong - a.m_dAlong));
            double apart = std::max(kPi * std::max(a.m_dCorridorHalf, b.m_dCorridorHalf), 4.0 * m_dSegment);
            if (arc <= apart)
                continue;
            double needed = a.m_dCorridorHalf + b.m_dCorridorHalf + kPassGap;
            double distance = (a.m_vPoint - b.m_vPoint).Length();
            if (distance >= needed)
                continue;
            auto key = std::make_pair(std::min(a.m_ulLine, b.m_ulLine), std::max(a.m_ulLine, b.m_ulLine));
            if (reported.count(key) || reported.size() >= 4)
                continue;
            reported.insert(key);
            messages.Error(key.first, ZEString::Format("[track] points: the road comes back within %.0f of itself "
                                                       "(near the points on lines %u and %u); two passes need %.0f",
                                                       distance, key.first, key.second, needed));
            fine = false;
        }
    return fine;
}

double ZEMapTrack::Wrap(double along) const
{
    double wrapped = std::fmod(along, m_dLength);
    if (wrapped < 0.0)
        wrapped += m_dLength;
    return wrapped >= m_dLength ? 0.0 : wrapped;
}

size_t ZEMapTrack::SegmentAt(double along) const
{
    double wrapped = Wrap(along);
    auto after = std::upper_bound(m_aSamples.begin(), m_aSamples.end(), wrapped,
                                  [](double a, const ZEMapTrackSample& s) { return a < s.m_dAlong; });
    return static_cast<size_t>(after - m_aSamples.begin()) - 1;
}

ZEMapTrackSample ZEMapTrack::At(double along) const
{
    double wrapped = Wrap(along);
    size_t k = SegmentAt(wrapped);
    const ZEMapTrackSample& a = m_aSamples[k];
    const ZEMapTrackSample& b = m_aSamples[(k + 1) % m_aSamples.size()];
    double length = (b.m_vPoint - a.m_vPoint).Length();
    double f = length > 0.0 ? (wrapped - a.m_dAlong) / length : 0.0;
    ZEMapTrackSample sample = a;
    sample.m_vPoint = Lerp(a.m_vPoint, b.m_vPoint, f);
    sample.m_vTangent = (b.m_vPoint - a.m_vPoint).Unit();
    sample.m_vRight = ZEMapVec2(sample.m_vTangent.z, -sample.m_vTangent.x);
    sample.m_dAlong = wrapped;
    sample.m_dCurvature = Mix(a.m_dCurvature, b.m_dCurvature, f);
    sample.m_dRoadHalf = Mix(a.m_dRoadHalf, b.m_dRoadHalf, f);
    sample.m_dInnerHalf = Mix(a.m_dInnerHalf, b.m_dInnerHalf, f);
    sample.m_dCorridorHalf = Mix(a.m_dCorridorHalf, b.m_dCorridorHalf, f);
    return sample;
}

ZEMapVec3 ZEMapTrack::Point(double along, double side, double y) const
{
    double wrapped = Wrap(along);
    size_t k = SegmentAt(wrapped);
    const ZEMapTrackSample& a = m_aSamples[k];
    const ZEMapTrackSample& b = m_aSamples[(k + 1) % m_aSamples.size()];
    double length = (b.m_vPoint - a.m_vPoint).Length();
    double f = length > 0.0 ? (wrapped - a.m_dAlong) / length : 0.0;
    ZEMapVec2 p = Lerp(a.m_vPoint + a.m_vRight * side, b.m_vPoint + b.m_vRight * side, f);
    return ZEMapVec3(p.x, y, p.z);
}

ZEMapVec3 ZEMapTrack::Resolve(const ZEMapPlace& place) const
{
    if (!place.m_bAlong)
        return place.m_vPosition;
    return Point(place.m_dAlong, place.m_dSide, place.m_vPosition.y);
}

double ZEMapTrack::Heading(double along) const
{
    ZEMapVec2 t = At(along).m_vTangent;
    return std::atan2(t.x, t.z) * 180.0 / kPi;
}

double ZEMapTrack::DistanceToCentre(const ZEMapVec2& p, double* along) const
{
    double best = 1e300;
    size_t count = m_aSamples.size();
    for (size_t k = 0; k < count; ++k)
    {
        const ZEMapVec2& a = m_aSamples[k].m_vPoint;
        const ZEMapVec2& b = m_aSamples[(k + 1) % count].m_vPoint;
        double d = ZEMapSegmentDistance(p, a, b);
        if (d < best)
        {
            best = d;
            if (along)
            {
                ZEMapVec2 ab = b - a;
                double t = std::clamp((p - a).Dot(ab) / std::max(ab.Dot(ab), 1e-12), 0.0, 1.0);
                *along = m_aSamples[k].m_dAlong + t * ab.Length();
            }
        }
    }
    return best;
}

double ZEMapTrack::Ahead(double from, double to) const
{
    return Wrap(to - from);
}

double ZEMapTrack::TurnAhead(double along, double distance) const
{
    double turn = 0.0;
    size_t k = SegmentAt(along);
    for (double covered = 0.0; covered < distance; covered += m_dSegment)
    {
        k = (k + 1) % m_aSamples.size();
        turn += m_aSamples[k].m_dCurvature * m_dSegment;
    }
    return turn;
}

double ZEMapTrack::SharpestAhead(double along, double distance) const
{
    double sharpest = 0.0;
    size_t k = SegmentAt(along);
    for (double covered = 0.0; covered <= distance; covered += m_dSegment)
    {
        sharpest = std::max(sharpest, std::fabs(m_aSamples[k].m_dCurvature));
        k = (k + 1) % m_aSamples.size();
    }
    return sharpest;
}

double ZEMapTrack::WidestCorridorAhead(double along, double distance) const
{
    size_t count = m_aSamples.size();
    size_t k = SegmentAt(along);
    size_t last = (SegmentAt(along + distance) + 1) % count;
    double widest = m_aSamples[k].m_dCorridorHalf;
    for (size_t steps = 0; k != last && steps < count; ++steps)
    {
        k = (k + 1) % count;
        widest = std::max(widest, m_aSamples[k].m_dCorridorHalf);
    }
    return widest;
}

bool ZEMapTrack::Overlaps(double from1, double length1, double from2, double length2) const
{
    if (length1 >= m_dLength || length2 >= m_dLength)
        return true;
    return Ahead(from1, from2) < length1 || Ahead(from2, from1) < length2;
}
