#include "GeneratorRig.h"

#include "model/CSegment.h"
#include "platform/Registry.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vtest
{

GeneratorRig::GeneratorRig(unsigned rate, unsigned seconds) : m_rate(rate), m_seconds(seconds)
{
    const unsigned total = rate * seconds;
    m_brainwaves.StartClock(0, rate, total);
    m_bilateral.StartClock(0, rate, total);
}

void GeneratorRig::Prepare(CSound& sound, CSegment& segment)
{
    segment.m_begin = 0.0;
    segment.m_end = 1.0;
    sound.m_rate = m_rate;
    sound.m_sessionSeconds = m_seconds;
    sound.m_segment = &segment;
    sound.m_effects = &m_effects;
    sound.m_segmentStart = 0;
    sound.m_segmentEnd = m_rate * m_seconds;
    sound.m_position = 0;
    sound.m_segmentLength = m_rate * m_seconds;
    sound.m_absoluteFrame = 0;
    sound.m_fadeFrames = 0;
    sound.m_playlistFadeFrames = 0;
    sound.m_brainwavesGlobal = &m_brainwaves;
    sound.m_bilateralGlobal = &m_bilateral;
}

std::vector<CStereoFrame> Render(CSound& sound, std::size_t frames)
{
    std::vector<CStereoFrame> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
    {
        if (!sound.GetSample(out[i]))
        {
            ADD_FAILURE() << "GetSample failed at frame " << i << ": " << sound.GetErrorText().toStdString();
            out.resize(i);
            break;
        }
        ++sound.m_position;
        ++sound.m_absoluteFrame;
    }
    return out;
}

std::vector<double> Channel(const std::vector<CStereoFrame>& frames, bool right, std::size_t from)
{
    std::vector<double> x;
    for (std::size_t i = from; i < frames.size(); ++i)
        x.push_back(right ? frames[i].right : frames[i].left);
    return x;
}

namespace
{

// The Hann-windowed signal and the window's sum, which scales a bin to an amplitude.
struct Windowed
{
    std::vector<double> samples;
    double windowSum = 0.0;
};

Windowed ApplyHann(const std::vector<double>& x)
{
    Windowed w;
    const std::size_t n = x.size();
    w.samples.resize(n);
    for (std::size_t i = 0; i < n; ++i)
    {
        const double hann =
            n < 2 ? 1.0 : 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(n - 1));
        w.samples[i] = hann * x[i];
        w.windowSum += hann;
    }
    return w;
}

// Goertzel's recurrence: one multiply-add a sample for one frequency.
double Amplitude(const Windowed& w, unsigned rate, double hz)
{
    if (w.windowSum <= 0.0)
        return 0.0;
    const double k = 2.0 * std::cos(2.0 * std::numbers::pi * hz / rate);
    double s1 = 0.0;
    double s2 = 0.0;
    for (const double v : w.samples)
    {
        const double s0 = v + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / w.windowSum;
}

} // namespace

double AmplitudeAt(const std::vector<double>& x, unsigned rate, double hz)
{
    return Amplitude(ApplyHann(x), rate, hz);
}

double PeakHz(const std::vector<double>& x, unsigned rate, double lo, double hi)
{
    const Windowed w = ApplyHann(x);
    auto search = [&](double from, double to, double step)
    {
        double best = from;
        double bestAmp = -1.0;
        for (double f = from; f <= to + 1e-9; f += step)
        {
            const double a = Amplitude(w, rate, f);
            if (a > bestAmp)
            {
                bestAmp = a;
                best = f;
            }
        }
        return best;
    };
    // The window's main lobe is 4 / T Hz wide, so a coarse step of 1 / (2 T) cannot miss a peak.
    const double seconds = double(x.size()) / rate;
    const double coarseStep = 0.5 / seconds;
    const double coarse = search(lo, hi, coarseStep);
    const double fine = search(coarse - coarseStep, coarse + coarseStep, 0.05);
    return search(fine - 0.05, fine + 0.05, 0.01);
}

QString MakeInstallFolder(const QString& name)
{
    const QString folder = TestHome() + QLatin1Char('/') + name;
    QDir().mkpath(folder + QStringLiteral("/Internals"));
    SetRegString(plat::RegRoot::LocalMachine, QStringLiteral("InstallPath"), folder);
    return folder;
}

} // namespace vtest
