#include "audio/CSoundBreathwork.h"

#include "SoundMedia.h"
#include "SoundRig.h"
#include "model/CSegmentBreathwork.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cmath>
#include <numbers>
#include <set>

namespace
{

using Format = plat::SoundWriter::Format;
using Rig = vtest::SoundRig<CSoundBreathwork, CSegmentBreathwork>;

constexpr unsigned kRate = 44100;
constexpr double kBrownHz = 100.0;
constexpr double kPinkHz = 3000.0;
constexpr double kNoiseAmp = 0.4;

// Prompt i is a cosine of its own pitch and amplitude, so the frame on which it starts says
// which prompt it is. Short prompts (0..2) last 0.4 s; of the long ones, one of each phase is
// too long for a 5 s phase.
double PromptAmp(int i)
{
    return 0.1 + 0.01 * i;
}
double PromptHz(int i)
{
    return 300.0 + 100.0 * i;
}
constexpr double kPromptSeconds[CBreathworkVoice::kPhraseCount] = {0.4, 0.4, 0.4, 1.0, 1.5, 6.0,
                                                                   1.0, 1.5, 6.0, 1.0, 6.0};
const std::set<int> kIn = {0, 3, 4, 5};
const std::set<int> kHold = {2, 9, 10};
const std::set<int> kOut = {1, 6, 7, 8};

QString LibraryPromptFolder()
{
    return GetSoundLibraryFolder() + "Suggestions/VORNA Voice/Breathwork/";
}

void WritePrompts(const QString& folder)
{
    QDir().mkpath(folder);
    for (int i = 0; i < CBreathworkVoice::kPhraseCount; ++i)
    {
        const double amp = PromptAmp(i);
        const double hz = PromptHz(i);
        ASSERT_TRUE(vtest::WriteFrames(
            folder + CBreathworkVoice::GetPhraseName(i) + ".wav", Format::WavFloat, kRate, 1,
            std::uint64_t(kPromptSeconds[i] * kRate),
            [=](std::uint64_t f, int)
            { return static_cast<float>(amp * std::cos(2.0 * std::numbers::pi * hz * double(f) / kRate)); }));
    }
}

void WriteNoise(const QString& install)
{
    const QString folder = install + "/Internals/Noise/";
    QDir().mkpath(folder);
    // 2 s hold whole periods of both tones: the loops are seamless.
    for (auto [name, hz] : {std::pair{"Brown.ogg", kBrownHz}, std::pair{"Pink.ogg", kPinkHz}})
        ASSERT_TRUE(vtest::WriteFrames(folder + name, Format::OggVorbis, kRate, 2, 2 * kRate,
                                       [hz = hz](std::uint64_t f, int) {
                                           return static_cast<float>(
                                               kNoiseAmp *
                                               std::sin(2.0 * std::numbers::pi * hz * double(f) / kRate));
                                       }));
}

// Which prompt starts on a frame (-1: none).
int PromptOf(const CStereoFrame& f)
{
    for (int i = 0; i < CBreathworkVoice::kPhraseCount; ++i)
        if (std::fabs(f.left - PromptAmp(i)) < 1e-6)
            return i;
    return -1;
}

class CSoundBreathworkTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        WritePrompts(LibraryPromptFolder());
        WriteNoise(Install());
    }
    static QString Install() { return vtest::TestHome() + "/breathwork-install"; }
    void SetUp() override { SetRegString(plat::RegRoot::LocalMachine, "InstallPath", Install()); }
    // Other tests find the installed data again.
    void TearDown() override { SetRegString(plat::RegRoot::LocalMachine, "InstallPath", ""); }

    static std::unique_ptr<Rig> MakeRig(std::int32_t pattern, double cycle, double breathing,
                                        double segmentSeconds)
    {
        auto rig = std::make_unique<Rig>(CSegment::kKindBreathwork, kRate,
                                         static_cast<std::uint32_t>(segmentSeconds * kRate));
        rig->segment->m_pattern = pattern;
        rig->segment->m_cycle.SetValue(cycle);
        rig->segment->m_breathing.SetValue(breathing);
        return rig;
    }
};

struct PhaseCase
{
    const char* name;
    std::int32_t pattern;
    double cycle;
    std::vector<std::pair<double, const std::set<int>*>> starts; // seconds (+ frames below 1e-3 s)
};

std::size_t FrameOf(double seconds)
{
    // Whole seconds plus a count of frames written as millionths: 5.000001 is 5 s + 1 frame.
    const double whole = std::floor(seconds + 1e-9);
    return static_cast<std::size_t>(whole * kRate + std::llround((seconds - whole) * 1e6));
}

// Each phase starts a prompt of its kind on its first frame, at the pattern's share of the
// cycle; a hold of ratio 0 lasts exactly one frame.
TEST_F(CSoundBreathworkTest, PhasesStartTheirPrompts)
{
    const PhaseCase cases[] = {
        {"pattern 0 with a 10 s cycle", 0, 10.0, {{0, &kIn}, {5, &kHold}, {5.000001, &kOut}, {10, &kIn}}},
        {"pattern 6 with a 14 s cycle", 6, 14.0, {{0, &kIn}, {2, &kHold}, {10, &kOut}, {14, &kIn}}},
        {"pattern 9 with an 8 s cycle", 9, 8.0, {{0, &kIn}, {2, &kHold}, {4, &kOut}, {6, &kHold}, {8, &kIn}}},
        {"a stored pattern outside the table acts as 0",
         42,
         10.0,
         {{0, &kIn}, {5, &kHold}, {5.000001, &kOut}}},
    };
    for (const PhaseCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto made = MakeRig(c.pattern, c.cycle, 0.0, 30.0);
        Rig& rig = *made;
        ASSERT_TRUE(rig.sound.Init()) << rig.sound.GetErrorText().toStdString();
        const auto out = rig.Render(FrameOf(c.starts.back().first) + 2);
        ASSERT_FALSE(rig.failed);
        for (const auto& [seconds, kinds] : c.starts)
        {
            const std::size_t at = FrameOf(seconds);
            EXPECT_TRUE(kinds->count(PromptOf(out[at])) == 1) << "at " << seconds << " s: " << out[at].left;
            EXPECT_EQ(PromptOf(out[at - (at > 0 ? 1 : 0)]) == PromptOf(out[at]), at == 0)
                << "nothing else starts just before " << seconds << " s";
        }
    }
}

// The first cycle speaks a long prompt wherever one fits the phase (the short one when the
// drawn long one is too long); later cycles take the short one at random, or a long one that
// fits. Checked against the scripted random numbers.
TEST_F(CSoundBreathworkTest, FirstCycleSpeaksLongPromptsThatFit)
{
    const std::uint32_t phase = 5 * kRate; // pattern 0, 10 s: in and out of 5 s
    bool sawShortLater = false;
    for (std::uint32_t seed = 1; seed <= 10; ++seed)
    {
        SCOPED_TRACE(seed);
        plat::Random15 script = vtest::ScriptRandom(seed * 31337);
        auto longOrShort = [&](int first, int count, int shortPrompt)
        {
            const int p = first + static_cast<int>(script.Int(static_cast<std::uint32_t>(count)));
            return kPromptSeconds[p] * kRate > phase ? shortPrompt : p;
        };
        const int in1 = longOrShort(3, 3, 0);
        longOrShort(9, 2, 2); // the one-frame hold draws a long prompt, which never fits it
        const int out1 = longOrShort(6, 3, 1);
        const int in2 = script.Int(2) == 0 ? 0 : longOrShort(3, 3, 0);
        sawShortLater = sawShortLater || in2 == 0;

        auto made = MakeRig(0, 10.0, 0.0, 30.0);
        Rig& rig = *made;
        ASSERT_TRUE(rig.sound.Init());
        const auto out = rig.Render(10 * kRate + 1);
        EXPECT_EQ(PromptOf(out[0]), in1);
        EXPECT_EQ(PromptOf(out[phase + 1]), out1);
        EXPECT_EQ(PromptOf(out[10 * kRate]), in2);
        EXPECT_NE(PromptOf(out[0]), 5) << "never a long prompt that outlasts its phase";
    }
    EXPECT_TRUE(sawShortLater);
}

// A cycle that could not end inside the segment is not begun: a 30 s segment of 12 s cycles
// breathes twice, then is silent to its last frame, breath noise included.
TEST_F(CSoundBreathworkTest, CycleThatCannotEndIsNotBegun)
{
    auto made = MakeRig(0, 12.0, 50.0, 30.0);
    Rig& rig = *made;
    ASSERT_TRUE(rig.sound.Init());
    const auto out = rig.Render(30 * kRate + 1);
    ASSERT_FALSE(rig.failed);
    EXPECT_GT(vtest::ToneAmplitude(out, kRate, kPinkHz, 15 * kRate, kRate / 5), 0.05) << "the second inhale";
    for (std::size_t i = 24 * kRate; i < out.size(); ++i)
        ASSERT_EQ(out[i].left, 0.0f) << "frame " << i;
}

// The breath noise: ((1 - v) brown + v pink) x sqrt(v), swelling to full at the middle of the
// inhale and exhale, silent in the holds.
TEST_F(CSoundBreathworkTest, BreathNoiseFollowsTheBreathingSetting)
{
    for (double breathing : {0.0, 50.0, 100.0})
    {
        SCOPED_TRACE(testing::Message() << "breathing " << breathing);
        const double v = breathing / 100.0;
        auto made = MakeRig(6, 14.0, breathing, 14.0); // in 0-2 s, hold 2-10 s, out 10-14 s
        Rig& rig = *made;
        ASSERT_TRUE(rig.sound.Init());
        const auto out = rig.Render(14 * kRate);
        for (auto [mid, e] : {std::pair{1.0, 1.0}, std::pair{6.0, 0.0}, std::pair{12.0, 1.0}})
        {
            SCOPED_TRACE(testing::Message() << mid << " s");
            const auto from = static_cast<std::size_t>((mid - 0.05) * kRate);
            const std::size_t count = kRate / 10;
            EXPECT_NEAR(vtest::ToneAmplitude(out, kRate, kBrownHz, from, count),
                        (1 - v) * std::sqrt(v) * kNoiseAmp * e, 0.012);
            EXPECT_NEAR(vtest::ToneAmplitude(out, kRate, kPinkHz, from, count),
                        v * std::sqrt(v) * kNoiseAmp * e, 0.012);
        }
    }
}

// Init starts the walks of the cycle and breathing settings at the session rate: a started
// walk takes a new target every rate evaluations (here 11025), an unstarted one every 44100.
TEST_F(CSoundBreathworkTest, InitStartsTheWalksOfItsSettings)
{
    constexpr unsigned rate = 11025;
    for (bool cycle : {true, false})
    {
        SCOPED_TRACE(cycle ? "cycle" : "breathing");
        plat::SetRandomSeedOverride(11);
        Rig rig(CSegment::kKindBreathwork, rate, 60 * rate);
        CSmartProperty& p = cycle ? rig.segment->m_cycle : rig.segment->m_breathing;
        p.GetAutoGraph().m_changeRate = CAutoGraph::kFastestRate;
        p.SetMode(CSmartProperty::kModeAutoGraph);
        ASSERT_TRUE(rig.sound.Init());
        std::vector<double> values;
        for (unsigned i = 0; i < 4 * rate; ++i)
            values.push_back(p.GetValueAt(0.5));
        int bends = 0;
        for (std::size_t i = 2; i < values.size(); ++i)
            bends += std::abs(values[i] - 2 * values[i - 1] + values[i - 2]) > 1e-9;
        EXPECT_GE(bends, 3);
        plat::SetRandomSeedOverride(std::nullopt);
    }
}

struct MissingCase
{
    const char* name;
    QString removed; // a file moved away for the case
    QString error;   // empty: Init succeeds
};

// Every prompt and both noise loops must open; the prompts installed with the program stand in
// for a library that has none.
TEST_F(CSoundBreathworkTest, FilesThatCannotBeOpened)
{
    const MissingCase cases[] = {
        {"a missing prompt", LibraryPromptFolder() + "Hold your breath.wav",
         "Failed to open a breathwork sound file."},
        {"missing brown noise", Install() + "/Internals/Noise/Brown.ogg",
         "Failed to open the breathwork brown noise."},
        {"missing pink noise", Install() + "/Internals/Noise/Pink.ogg",
         "Failed to open the breathwork white noise."},
        {"prompts only in the installation", LibraryPromptFolder(), {}},
    };
    const QString installPrompts = Install() + "/Sound Library/Suggestions/VORNA Voice/Breathwork/";
    WritePrompts(installPrompts);
    QDir(installPrompts).removeRecursively(); // only the last case has them
    for (const MissingCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.error.isEmpty())
            WritePrompts(installPrompts);
        const QString aside =
            c.removed.endsWith('/') ? c.removed.chopped(1) + "-aside" : c.removed + "-aside";
        ASSERT_TRUE(QDir().rename(c.removed, aside));
        {
            auto made = MakeRig(0, 10.0, 50.0, 30.0);
            Rig& rig = *made;
            EXPECT_EQ(rig.sound.Init(), c.error.isEmpty());
            EXPECT_EQ(rig.sound.GetErrorText(), c.error);
            if (c.error.isEmpty())
            {
                EXPECT_GT(rig.Render(kRate)[0].left, 0.05f) << "the installed in prompt";
            }
        }
        ASSERT_TRUE(QDir().rename(aside, c.removed));
    }
    QDir(installPrompts).removeRecursively();
}

// A prompt opens when it is first said: one whose file is there but cannot be decoded lets the
// segment start and fails the render when its phase begins, with the same message.
TEST_F(CSoundBreathworkTest, PromptThatCannotBeDecodedFailsWhenSaid)
{
    // The first cycle says a long prompt of the in phase, on the first frame.
    const char* longIn[] = {"Breathe in", "Take a deep breath", "Take in a deep and slow breath"};
    for (const char* name : longIn)
    {
        const QString path = LibraryPromptFolder() + name + ".wav";
        ASSERT_TRUE(QDir().rename(path, path + "-aside"));
        QFile garbage(path);
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write("RIFF, but no sound in it");
    }
    {
        auto made = MakeRig(0, 10.0, 50.0, 30.0);
        Rig& rig = *made;
        EXPECT_TRUE(rig.sound.Init());
        rig.Render(kRate);
        EXPECT_TRUE(rig.failed);
        EXPECT_EQ(rig.error, "Failed to open a breathwork sound file.");
    }
    for (const char* name : longIn)
    {
        const QString path = LibraryPromptFolder() + name + ".wav";
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_TRUE(QDir().rename(path + "-aside", path));
    }
}

} // namespace
