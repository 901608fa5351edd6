#include "model/CBilateralLocal.h"

#include "platform/Archive.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;

// The movement's law: the channel gains for the swing value a (0..1) at depth d. The left
// channel follows the swing and the right its complement; cubic sharpens both, invert turns
// them over, and a channel above the middle plays at full gain.
inline void LawGains(double a, double d, bool cubic, bool invert, double& left, double& right) noexcept
{
    double g = (1.0 - d) / 2.0 + a * d;
    double h = 1.0 - g;
    if (cubic)
    {
        g = g * g * g;
        h = h * h * h;
    }
    if (invert)
    {
        g = 1.0 - g;
        h = 1.0 - h;
    }
    left = g > 0.5 ? 1.0 : 2.0 * g;
    right = h > 0.5 ? 1.0 : 2.0 * h;
}
constexpr std::int32_t kCurrentRecordsVersion = 400;
} // namespace

CBilateralLocal::CBilateralLocal()
{
    m_depth.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
    m_delay.Init(CSmartProperty::kModeConstant, 0.0, kMaxDelay);
    m_rate.Init(CSmartProperty::kModeConstant, CBilateralGlobal::kMinPerMinute,
                CBilateralGlobal::kMaxPerMinute);
}

void CBilateralLocal::SetDefaults()
{
    m_enabled = false;
    m_depth.SetValue(kDefaultDepth);
    m_delay.SetValue(0.0);
    m_invert = false;
    m_cubic = false;
    m_ownRate = false;
    m_rate.SetValue(kDefaultPerMinute);
}

void CBilateralLocal::CopyFrom(const CBilateralLocal& other)
{
    if (this == &other)
        return;
    m_enabled = other.m_enabled.load();
    m_depth = other.m_depth;
    m_delay = other.m_delay;
    m_invert = other.m_invert.load();
    m_cubic = other.m_cubic.load();
    m_ownRate = other.m_ownRate.load();
    m_rate = other.m_rate;
}

void CBilateralLocal::Setup(CBilateralGlobal* global, std::uint32_t currentFrame, std::uint32_t sampleRate,
                            std::uint32_t firstFrame, std::uint32_t endFrame)
{
    m_global = global;
    m_run.Bind(currentFrame, sampleRate, firstFrame, endFrame);

    // The delay comes from the file unchecked: a negative or non-finite value, or one that
    // would size the line to gigabytes, is held to [0, one second of frames].
    const double frames = m_delay.GetValueAt(m_run.Fraction()) / 100.0 * sampleRate;
    unsigned long n = 0;
    if (frames >= static_cast<double>(sampleRate))
        n = sampleRate;
    else if (frames > 0.0)
        n = static_cast<unsigned long>(frames);
    if (n > m_line.getMaximumDelay())
        m_line.setMaximumDelay(n); // grows only
    m_line.setDelay(n);
    m_line.clear();
    m_lineTicks = 0;
}

void CBilateralLocal::AdvanceOwnClock() noexcept
{
    m_run.AdvanceOwn(m_rate, 60.0);
}

double CBilateralLocal::ThroughLine(double a) noexcept
{
    const double delayed = m_line.tick(a);
    if (m_lineTicks < m_line.getDelay())
    {
        ++m_lineTicks;
        return 0.5; // the line is still giving back the zeros it was cleared to
    }
    return delayed;
}

void CBilateralLocal::Process(double& left, double& right) noexcept
{
    if (!m_enabled.load(std::memory_order_relaxed))
        return;
    const CCycleClock* clock = nullptr;
    if (m_ownRate.load(std::memory_order_relaxed))
    {
        AdvanceOwnClock();
        clock = &m_run.m_ownClock;
    }
    else if (m_global != nullptr)
        clock = &m_global->GetClock();
    if (clock == nullptr)
    {
        ++m_run.m_frame;
        return;
    }

    const double u = m_run.Fraction();
    double a = (std::sin(2.0 * kPi * clock->PhaseAt(m_run.m_frame)) + 1.0) / 2.0;
    if (m_delay.GetValueAt(u) / 100.0 > 0.0)
        a = ThroughLine(a);
    const double d = m_depth.GetValueAt(u) / 100.0;
    double gl = 0.0, gr = 0.0;
    LawGains(a, d, m_cubic.load(std::memory_order_relaxed), m_invert.load(std::memory_order_relaxed), gl, gr);
    left *= gl;
    right *= gr;
    ++m_run.m_frame;
}

void CBilateralLocal::ProcessBlock(const model::ClockBlock& shared, std::uint32_t offset, double* gainLeft,
                                   double* gainRight, std::uint32_t n) noexcept
{
    if (!m_enabled.load(std::memory_order_relaxed))
    {
        std::fill_n(gainLeft, n, 1.0);
        std::fill_n(gainRight, n, 1.0);
        return;
    }
    const bool own = m_ownRate.load(std::memory_order_relaxed);
    const bool cubic = m_cubic.load(std::memory_order_relaxed);
    const bool invert = m_invert.load(std::memory_order_relaxed);
    // The fraction is needed only by a property that follows a graph.
    const bool needFraction = !m_delay.IsConstant() || !m_depth.IsConstant();
    if (!own && !needFraction && m_run.m_frame == shared.firstFrame + offset)
    {
        // On the session clock's frames with constant settings: the shared swing, through
        // the line when there is a delay, and the law with its switches decided once.
        const double* wave = shared.wave.data() + offset;
        const bool delayed = m_delay.GetValue() / 100.0 > 0.0;
        const double d = m_depth.GetValue() / 100.0;
        for (std::uint32_t i = 0; i < n; ++i)
        {
            gainLeft[i] = delayed ? ThroughLine(wave[i]) : wave[i];
        }
        for (std::uint32_t i = 0; i < n; ++i)
        {
            LawGains(gainLeft[i], d, cubic, invert, gainLeft[i], gainRight[i]);
        }
        m_run.m_frame += n;
        return;
    }
    std::size_t delayHint = 1;
    std::size_t depthHint = 1;
    for (std::uint32_t i = 0; i < n; ++i)
    {
        const std::uint32_t k = offset + i;
        const CCycleClock* clock = &shared.clock[k];
        if (own)
        {
            AdvanceOwnClock();
            clock = &m_run.m_ownClock;
        }
        const double u = needFraction ? m_run.Fraction() : 0.0;
        double a = !own && m_run.m_frame == shared.firstFrame + k
                       ? shared.wave[k]
                       : (std::sin(2.0 * kPi * clock->PhaseAt(m_run.m_frame)) + 1.0) / 2.0;
        if (m_delay.GetValueAt(u, delayHint) / 100.0 > 0.0)
            a = ThroughLine(a);
        const double d = m_depth.GetValueAt(u, depthHint) / 100.0;
        LawGains(a, d, cubic, invert, gainLeft[i], gainRight[i]);
        ++m_run.m_frame;
    }
}

void CBilateralLocal::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteFlag(m_enabled);
        ar.WriteFlag(m_invert);
        ar.WriteFlag(m_cubic);
        ar.WriteFlag(m_ownRate);
        m_depth.Serialize(ar);
        m_delay.Serialize(ar);
        m_rate.Serialize(ar);
        return;
    }
    if (LoadOld(ar))
        return;
    m_enabled = ar.ReadFlag();
    m_invert = ar.ReadFlag();
    m_cubic = ar.ReadFlag();
    m_ownRate = ar.ReadFlag();
    m_depth.Serialize(ar);
    m_delay.Serialize(ar);
    m_rate.Serialize(ar);
}

bool CBilateralLocal::LoadOld(plat::Archive& ar)
{
    if (ar.IsStoring() || ar.GetFileVersion() >= kCurrentRecordsVersion)
        return false;
    m_enabled = ar.ReadFlag();
    m_depth.LoadOld(ar, true, true); // old files hold the depth as a fraction
    // Old files hold the delay in units ten times larger; they had no delay graph, so the
    // delay becomes a constant and its graph is left as it was.
    const double delay = m_delay.ValueFromFile(ar.ReadDouble() * 10.0);
    const CGraph graph = m_delay.GetGraph();
    m_delay.SetValue(delay);
    m_delay.GetGraph() = graph;
    m_invert = ar.ReadFlag();
    m_cubic = ar.ReadFlag();
    m_ownRate = ar.ReadFlag();
    m_rate.LoadOld(ar, true, false);
    return true;
}
