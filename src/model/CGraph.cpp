#include "model/CGraph.h"

#include "platform/Archive.h"
#include "platform/Errors.h"
#include "platform/Random.h"

#include <algorithm>
#include <cmath>

namespace
{

// Smallest record of one point: two doubles.
constexpr std::size_t kPointBytes = 16;

// The height at t on the span from p0 to p1.
double Between(const CDPoint& p0, const CDPoint& p1, double t) noexcept
{
    if (!(p1.x > p0.x))
        return p1.y; // zero-width span (duplicate x) or points out of order
    const double f = std::clamp((t - p0.x) / (p1.x - p0.x), 0.0, 1.0);
    return p0.y + f * (p1.y - p0.y);
}

// Bounded lookup over a[0..n-1]: the span [a[hi-1], a[hi]] with hi the first index >= 1
// whose x >= t (the last span when none is). A lower-bound search over indices 1..n-1
// finishes in at most ceil(log2 n) + 1 steps whatever the data holds, so unsorted points,
// ends away from 0 and 1 or duplicate x from a file cannot hang the audio thread.
std::size_t SpanEnd(const std::vector<CDPoint>& a, double t) noexcept
{
    const std::size_t n = a.size();
    std::size_t lo = 1;
    std::size_t count = n - 1;
    while (count > 0)
    {
        const std::size_t step = count / 2;
        const std::size_t mid = lo + step;
        if (a[mid].x < t)
        {
            lo = mid + 1;
            count -= step + 1;
        }
        else
            count = step;
    }
    return std::min(lo, n - 1);
}

double Interpolate(const std::vector<CDPoint>& a, double t) noexcept
{
    const std::size_t n = a.size();
    if (n == 0)
        return 0.0;
    if (n == 1)
        return a[0].y;
    const std::size_t hi = SpanEnd(a, t);
    return Between(a[hi - 1], a[hi], t);
}

} // namespace

CGraph::CGraph() : m_points{{0.0, 0.5}, {1.0, 0.5}} {}

CGraph::CGraph(const CGraph& other) : m_smooth(other.m_smooth), m_points(other.m_points)
{
    UpdateCurve();
}

CGraph& CGraph::operator=(const CGraph& other)
{
    if (this != &other)
    {
        m_smooth = other.m_smooth;
        m_points = other.m_points;
        UpdateCurve();
    }
    return *this;
}

void CGraph::CheckIndex(std::int32_t i) const
{
    if (i < 0 || i >= GetPointCount())
        throw plat::InvalidArgumentError("Graph point index out of range.");
}

void CGraph::GetPoint(std::int32_t i, CDPoint& out) const
{
    if (i < 0)
        throw plat::InvalidArgumentError("Graph point index out of range.");
    if (i >= GetPointCount())
        return;
    out = m_points[static_cast<std::size_t>(i)];
}

void CGraph::SetPoint(std::int32_t i, const CDPoint& p)
{
    if (i < 0)
        throw plat::InvalidArgumentError("Graph point index out of range.");
    if (i >= GetPointCount())
        return;
    m_points[static_cast<std::size_t>(i)] = p;
    UpdateCurve();
}

void CGraph::AddPoint(const CDPoint& p)
{
    InsertPoint(p);
    UpdateCurve();
}

void CGraph::InsertPoint(const CDPoint& p)
{
    auto it = m_points.size() > 1 ? m_points.begin() + 1 : m_points.end();
    it = std::find_if(it, m_points.end(), [&](const CDPoint& q) { return q.x > p.x; });
    m_points.insert(it, p);
}

void CGraph::RemovePoint(std::int32_t i)
{
    CheckIndex(i);
    if (i == 0 || i == GetPointCount() - 1)
        return;
    m_points.erase(m_points.begin() + i);
    UpdateCurve();
}

void CGraph::MovePoint(std::int32_t i, double x, double y)
{
    if (i < 0)
        throw plat::InvalidArgumentError("Graph point index out of range.");
    const std::int32_t n = GetPointCount();
    if (i >= n)
        return;
    CDPoint& p = m_points[static_cast<std::size_t>(i)];
    if (i > 0 && i < n - 1)
    {
        const double left = m_points[static_cast<std::size_t>(i - 1)].x;
        const double right = m_points[static_cast<std::size_t>(i + 1)].x;
        p.x = std::clamp(x, std::min(left, right), std::max(left, right));
    }
    p.y = y;
    UpdateCurve();
}

void CGraph::SetSmooth(std::int32_t flag)
{
    m_smooth = flag;
    UpdateCurve();
}

void CGraph::Reset()
{
    m_points = {{0.0, 0.0}, {1.0, 0.0}};
    m_curve.clear();
    UpdateOrder();
}

void CGraph::SetConstant(double y)
{
    Reset();
    m_points = {{0.0, y}, {1.0, y}};
    UpdateOrder();
}

void CGraph::ScaleToAverage(double target)
{
    if (m_points.empty())
        return;
    const double t = std::clamp(target, 0.0, 1.0);
    double sum = 0.0;
    double lowest = m_points.front().y;
    double highest = m_points.front().y;
    for (const CDPoint& p : m_points)
    {
        sum += p.y;
        lowest = std::min(lowest, p.y);
        highest = std::max(highest, p.y);
    }
    const double mean = sum / static_cast<double>(m_points.size());

    if (mean <= 0.001 || t == 0.0)
    {
        for (CDPoint& p : m_points)
            p.y = t;
        UpdateCurve();
        return;
    }

    double f = t / mean;
    if (f < 1.0 && lowest * f <= 0.0)
        return;
    if (highest * f >= 1.0)
        f = 1.0 / highest;
    for (CDPoint& p : m_points)
        p.y = std::clamp(p.y * f, 0.0001, 1.0);
    UpdateCurve();
}

void CGraph::DoublePoints()
{
    // Each new point lands right after the left one of its pair, so the next pair starts two on.
    for (std::size_t i = 0; i + 1 < m_points.size(); i += 2)
    {
        const CDPoint a = m_points[i];
        const CDPoint b = m_points[i + 1];
        const double y = std::clamp((a.y + b.y) / 2 + RandomUnit() - 0.5, 0.0, 1.0);
        InsertPoint(CDPoint{(a.x + b.x) / 2, y});
    }
    UpdateCurve();
}

void CGraph::HalvePoints()
{
    // Removing point i moves the next one into its place, so stepping on by one drops every point
    // that stood at an odd position.
    for (std::size_t i = 1; i + 1 < m_points.size(); ++i)
        m_points.erase(m_points.begin() + static_cast<std::ptrdiff_t>(i));
    UpdateCurve();
}

void CGraph::FlipHeights()
{
    for (CDPoint& p : m_points)
        p.y = 1.0 - p.y;
    UpdateCurve();
}

void CGraph::MirrorTimes()
{
    std::reverse(m_points.begin(), m_points.end());
    for (CDPoint& p : m_points)
        p.x = 1.0 - p.x;
    UpdateCurve();
}

void CGraph::UpdateCurve()
{
    // Every edit of the points ends here, so the order flag follows them.
    if (m_smooth == 0 || m_points.size() < 3)
    {
        UpdateOrder();
        return;
    }
    m_curve = m_points;
    std::vector<CDPoint> next;
    for (int pass = 0; pass < kSmoothingPasses; ++pass)
    {
        const std::size_t n = m_curve.size();
        next.clear();
        next.reserve(2 * n);
        next.push_back(m_curve.front());
        for (std::size_t i = 0; i + 1 < n; ++i)
        {
            const CDPoint& a = m_curve[i];
            const CDPoint& b = m_curve[i + 1];
            next.push_back({0.75 * a.x + 0.25 * b.x, 0.75 * a.y + 0.25 * b.y});
            next.push_back({0.25 * a.x + 0.75 * b.x, 0.25 * a.y + 0.75 * b.y});
        }
        next.push_back(m_curve.back());
        m_curve.swap(next);
    }
    UpdateOrder();
}

const std::vector<CDPoint>& CGraph::Lookup() const noexcept
{
    const bool useCurve = m_smooth != 0 && m_points.size() >= 3 && !m_curve.empty();
    return useCurve ? m_curve : m_points;
}

void CGraph::UpdateOrder() noexcept
{
    const std::vector<CDPoint>& a = Lookup();
    m_ordered =
        std::is_sorted(a.begin(), a.end(), [](const CDPoint& p, const CDPoint& q) { return p.x < q.x; });
}

double CGraph::GetValueAt(double t) const noexcept
{
    if (!(t >= 0.0 && t <= 1.0)) // also false for NaN
        return 0.0;
    return Interpolate(Lookup(), t);
}

double CGraph::GetValueAt(double t, std::size_t& hint) const noexcept
{
    if (!(t >= 0.0 && t <= 1.0))
        return 0.0;
    const std::vector<CDPoint>& a = Lookup();
    const std::size_t n = a.size();
    if (n < 2 || !m_ordered)
        return Interpolate(a, t);
    // With the points in order, the span the search finds is the first whose end reaches t;
    // every span before the hint ends before t when the span before the hint does.
    std::size_t hi = hint;
    if (hi < 1 || hi >= n || (hi > 1 && !(a[hi - 1].x < t)))
        hi = SpanEnd(a, t);
    else
        while (hi < n - 1 && a[hi].x < t)
            ++hi;
    hint = hi;
    return Between(a[hi - 1], a[hi], t);
}

void CGraph::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteInt32(m_smooth);
        ar.WriteInt32(GetPointCount());
        for (const CDPoint& p : m_points)
        {
            ar.WriteDouble(p.x);
            ar.WriteDouble(p.y);
        }
        return;
    }

    const std::int32_t smooth = ar.ReadInt32();
    const std::int32_t n = ar.ReadCount(kPointBytes);
    // The lookup needs two points; fewer cannot come from this program's own files.
    if (n < 2)
        plat::Archive::ThrowBadFormat("The file is damaged: a graph has fewer than two points.");
    // The editor draws a few hundred points. A graph of millions would cost gigabytes once
    // smoothed (each pass doubles the points), so a count far beyond the editor's is refused.
    if (n > kMaxPoints)
        plat::Archive::ThrowBadFormat("The file is damaged: a graph has too many points.");
    std::vector<CDPoint> points(static_cast<std::size_t>(n));
    for (CDPoint& p : points)
    {
        p.x = ar.ReadDouble();
        p.y = ar.ReadDouble();
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            plat::Archive::ThrowBadFormat("The file is damaged: a graph point is not a number.");
        // A height is a fraction of the owner's range: outside it the setting leaves its range.
        p.y = std::clamp(p.y, 0.0, kMaxHeight);
    }
    m_smooth = smooth;
    m_points = std::move(points);
    m_curve.clear();
    UpdateCurve(); // also brings the order flag up to date
}
