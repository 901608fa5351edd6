#include "platform/dsp/ParamEq.h"

#include "platform_dsp/SignalTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

std::vector<double> ImpulseResponse(dsp::ParamEq& eq, std::size_t frames = 1 << 17)
{
    std::vector<float> b = vtest::StereoImpulse(frames);
    vtest::InBlocks(b, 4096, [&](float* p, std::size_t n) { eq.Process(p, n); });
    return vtest::Channel(b, 0);
}

} // namespace

// The peak must sit at the centre with the set gain, and the set bandwidth must span the
// half-gain points; a wrong alpha (octaves taken as semitones, no warping correction) moves them.
TEST(ParamEq, CentreGainAndHalfGainBandEdges)
{
    struct Case
    {
        const char* name;
        double rate, centre, bandwidth, gain;
        bool edges = true; // near Nyquist the bilinear transform bends the band's skirts
    };
    const Case cases[] = {
        {"wide low boost", 48000, 125, 36, 15},
        {"octave boost", 44100, 1000, 12, 12},
        {"narrow cut", 44100, 3000, 1, -15},
        {"narrow band at a low centre and high rate", 96000, 80, 1, 9},
        {"band near a third of the rate", 22050, 7000, 9, 7, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        dsp::ParamEq eq;
        eq.Prepare(c.rate);
        eq.SetParams({float(c.centre), float(c.bandwidth), float(c.gain)});
        const std::vector<double> ir = ImpulseResponse(eq);
        EXPECT_NEAR(vtest::GainDbAt(ir, c.centre, c.rate), c.gain, 0.05);
        if (!c.edges)
            continue;
        const double edge = std::pow(2.0, c.bandwidth / 24.0);
        EXPECT_NEAR(vtest::GainDbAt(ir, c.centre / edge, c.rate), c.gain / 2, 0.5);
        EXPECT_NEAR(vtest::GainDbAt(ir, c.centre * edge, c.rate), c.gain / 2, 0.5);
    }
}

TEST(ParamEq, ZeroGainIsFlat)
{
    for (double rate : {11025.0, 44100.0, 96000.0})
    {
        dsp::ParamEq eq;
        eq.Prepare(rate);
        eq.SetParams({125.0f, 36.0f, 0.0f});
        const std::vector<double> ir = ImpulseResponse(eq, 1 << 14);
        for (double f = 20; f < rate / 2; f *= 1.25)
            EXPECT_NEAR(vtest::GainDbAt(ir, f, rate), 0.0, 0.01) << rate << " Hz rate, " << f << " Hz";
    }
}

// Out-of-range settings move to the nearest supported value; the centre's ceiling is a third of
// the rate, so the 8 kHz band of a low-rate session must not reach or pass Nyquist.
TEST(ParamEq, ClampsEverySettingToItsRange)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        const char* name;
        double rate;
        dsp::ParamEqParams in, expected;
    };
    const Case cases[] = {
        {"8 kHz at 11025 Hz", 11025, {8000, 9, 7}, {3675, 9, 7}},
        {"8 kHz at 22050 Hz", 22050, {8000, 9, 7}, {7350, 9, 7}},
        {"above 16 kHz", 96000, {20000, 12, 0}, {16000, 12, 0}},
        {"centre 0 (a filter never set)", 44100, {0, 36, 0}, {80, 36, 0}},
        {"bandwidth and gain too small", 44100, {1000, 0, -20}, {1000, 1, -15}},
        {"bandwidth and gain too large", 44100, {1000, 50, 20}, {1000, 36, 15}},
        {"NaN everywhere", 44100, {nan, nan, nan}, {80, 1, -15}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        dsp::ParamEq eq;
        eq.Prepare(c.rate);
        eq.SetParams(c.in);
        EXPECT_FLOAT_EQ(eq.GetParams().center, c.expected.center);
        EXPECT_FLOAT_EQ(eq.GetParams().bandwidth, c.expected.bandwidth);
        EXPECT_FLOAT_EQ(eq.GetParams().gain, c.expected.gain);
    }
}

TEST(ParamEq, ClampedBandPeaksAtItsNewCentreAndStaysStable)
{
    dsp::ParamEq eq;
    eq.Prepare(11025);
    eq.SetParams({8000, 9, 7});
    const std::vector<double> ir = ImpulseResponse(eq);
    EXPECT_NEAR(vtest::GainDbAt(ir, 3675, 11025), 7.0, 0.05);
    EXPECT_LT(std::abs(ir.back()), 1e-12);
}

TEST(ParamEq, ResetClearsTheRinging)
{
    dsp::ParamEq eq;
    eq.Prepare(44100);
    eq.SetParams({80, 1, 15});
    std::vector<float> b = vtest::StereoImpulse(64);
    eq.Process(b.data(), 64);
    eq.Reset();
    std::vector<float> silence(2 * 64, 0.0f);
    eq.Process(silence.data(), 64);
    for (float v : silence)
        ASSERT_EQ(v, 0.0f);
}

// A flat band at rest hands its input back unchanged, bit for bit; a band set flat while it
// still rings from a boost must ring on, not fall silent.
TEST(ParamEq, FlatBandPassesInputAndABoostRingsDownAfterItIsSetFlat)
{
    dsp::ParamEq eq;
    eq.Prepare(44100);
    eq.SetParams({1000, 12, 0});
    std::vector<float> noise(2 * 4096);
    std::uint32_t seed = 7;
    for (float& v : noise)
        v = static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / 16777216.0f - 0.5f;
    std::vector<float> out = noise;
    eq.Process(out.data(), 4096);
    EXPECT_EQ(out, noise);

    eq.SetParams({80, 1, 15});
    std::vector<float> b = vtest::StereoImpulse(64);
    eq.Process(b.data(), 64);
    eq.SetParams({80, 1, 0});
    std::vector<float> tail(2 * 64, 0.0f);
    eq.Process(tail.data(), 64);
    double energy = 0.0;
    for (float v : tail)
        energy += double(v) * v;
    EXPECT_GT(energy, 0.0);
}
