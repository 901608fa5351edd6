#pragma once
/** @brief A hand-drawn graph over a span: control points (x time fraction, y height
 *  fraction), read by linear interpolation, optionally smoothed into a curve.
 *
 * GetValueAt is called once per frame on the audio worker; it never allocates and never
 * throws. Editing (UI thread) rebuilds the curve at once. */

#include "model/CDPoint.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat
{
class Archive;
}

class CGraph
{
public:
    /** Corner-cutting passes of the smoothed curve (each doubles the points). */
    static constexpr int kSmoothingPasses = 4;
    /** Most points a graph read from a file may have. */
    static constexpr std::int32_t kMaxPoints = 100000;
    /** Heights read from a file are held to [0, kMaxHeight]: the top of the range, and the
     *  0.0001 that a property's SetValue lifts a flat graph by. */
    static constexpr double kMaxHeight = 1.0001;

    CGraph();
    CGraph(const CGraph& other);
    CGraph& operator=(const CGraph& other);

    std::int32_t GetPointCount() const noexcept { return static_cast<std::int32_t>(m_points.size()); }
    /** Copies point @p i into @p out; no effect at or past the count; negative: InvalidArgumentError. */
    void GetPoint(std::int32_t i, CDPoint& out) const;
    /** Replaces point @p i (no ordering check); no effect at or past the count. */
    void SetPoint(std::int32_t i, const CDPoint& p);
    /** Inserts before the first point from index 1 whose x is strictly greater, else appends. */
    void AddPoint(const CDPoint& p);
    /** Removes an inner point; the first and last stay. Out of range: InvalidArgumentError. */
    void RemovePoint(std::int32_t i);
    /** Moves point @p i; the end points keep their x, inner x is clamped between the neighbours. */
    void MovePoint(std::int32_t i, double x, double y);

    std::int32_t GetSmooth() const noexcept { return m_smooth; }
    void SetSmooth(std::int32_t flag);

    /** Points (0, 0) and (1, 0); the curve is emptied. */
    void Reset();
    /** Points (0, y) and (1, y). */
    void SetConstant(double y);
    /** Rescales the heights towards a mean of @p target (the highest point stops at 1). */
    void ScaleToAverage(double target);
    /** Puts a point at the middle time of every two neighbours (n points become 2n - 1), its
     *  height their mean moved by RandomUnit() - 0.5 and held to [0, 1]. Draws one number from
     *  the generator current on the calling thread per new point. */
    void DoublePoints();
    /** Removes every point that stands at an odd position; the last point always stays. */
    void HalvePoints();
    /** Turns every height y into 1 - y. */
    void FlipHeights();
    /** Reverses the points in time: the point at x comes to 1 - x, the order stays rising. */
    void MirrorTimes();
    /** Rebuilds the smoothed curve from the points. */
    void UpdateCurve();

    /** Height at time fraction @p t; 0 outside [0, 1] and for a non-finite t. */
    double GetValueAt(double t) const noexcept;
    /** The same height as GetValueAt(t), for a caller that walks the graph forward frame by
     *  frame: @p hint (1 to start with) remembers the span of the last call, so a time that
     *  did not go back costs a step or two rather than a search. Any hint is safe. */
    double GetValueAt(double t, std::size_t& hint) const noexcept;

    const std::vector<CDPoint>& GetPoints() const noexcept { return m_points; }
    const std::vector<CDPoint>& GetCurve() const noexcept { return m_curve; }

    void Serialize(plat::Archive& ar);

private:
    void CheckIndex(std::int32_t i) const;
    /** AddPoint without the curve's update. */
    void InsertPoint(const CDPoint& p);
    const std::vector<CDPoint>& Lookup() const noexcept;
    /** Recomputes m_ordered for the points the lookup reads; after every change to them. */
    void UpdateOrder() noexcept;

    std::int32_t m_smooth = 0;
    /** The lookup's points rise in x (never-falling): only then may a walk resume from a hint. */
    bool m_ordered = true;
    std::vector<CDPoint> m_points;
    std::vector<CDPoint> m_curve;
};
