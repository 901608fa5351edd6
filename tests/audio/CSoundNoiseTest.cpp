#include "audio/CSoundNoise.h"

#include "GeneratorRig.h"
#include "SoundMedia.h"
#include "audio/SharedLoops.h"
#include "model/CSegmentNoise.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace
{

constexpr unsigned kRate = 22050;
// Each loop is a sine of its own, so the blend shows which loop sounds and how loud.
constexpr double kBrownHz = 100.0;
constexpr double kPinkHz = 1000.0;
constexpr double kWhiteHz = 3000.0;
constexpr double kLoopAmplitude = 0.5;

class CSoundNoiseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_noiseFolder =
            vtest::MakeInstallFolder(QStringLiteral("noise-install")) + QStringLiteral("/Internals/Noise/");
        QDir().mkpath(m_noiseFolder);
        for (const auto& [name, hz] : {std::pair{"Brown", kBrownHz}, {"Pink", kPinkHz}, {"White", kWhiteHz}})
            ASSERT_TRUE(vtest::WriteSine(m_noiseFolder + QLatin1String(name) + QStringLiteral(".ogg"),
                                         plat::SoundWriter::Format::OggVorbis, kRate, 2, kRate, hz,
                                         kLoopAmplitude));
        m_segment.SetDefaults();
    }

    // Init, then @p frames frames of GetSample.
    std::vector<CStereoFrame> Play(std::size_t frames)
    {
        m_rig.Prepare(m_noise, m_segment);
        EXPECT_TRUE(m_noise.Init()) << m_noise.GetErrorText().toStdString();
        return vtest::Render(m_noise, frames);
    }

    QString m_noiseFolder;
    vtest::GeneratorRig m_rig{kRate, 60};
    CSegmentNoise m_segment;
    CSoundNoise m_noise;
};

struct BlendCase
{
    const char* name;
    std::int32_t color;
    double mix;
    double brown;   // expected share of the brown loop
    double colorHz; // the coloured loop that must sound
};

const BlendCase kBlendCases[] = {
    {"PinkAlone", CSegmentNoise::kColorPink, 0.0, 0.0, kPinkHz},
    {"BrownAlone", CSegmentNoise::kColorPink, 100.0, 1.0, kPinkHz},
    {"WhiteQuarterBrown", CSegmentNoise::kColorWhite, 25.0, 0.25, kWhiteHz},
    // A stored colour outside the table plays pink instead of reading past the names.
    {"UnknownColourIsPink", 7, 0.0, 0.0, kPinkHz},
};

TEST_F(CSoundNoiseTest, MixBlendsBrownWithTheColour)
{
    for (const BlendCase& c : kBlendCases)
    {
        SCOPED_TRACE(c.name);
        CSoundNoise noise;
        m_segment.m_color = c.color;
        m_segment.m_smoothness.SetValue(c.mix);
        m_rig.Prepare(noise, m_segment);
        ASSERT_TRUE(noise.Init()) << noise.GetErrorText().toStdString();
        const auto frames = vtest::Render(noise, kRate);
        // Past the decoder's start-up; the left channel carries the loops at full amplitude.
        const auto left = vtest::Channel(frames, false, kRate / 4);
        const double otherHz = c.colorHz == kPinkHz ? kWhiteHz : kPinkHz;
        EXPECT_NEAR(vtest::AmplitudeAt(left, kRate, kBrownHz), c.brown * kLoopAmplitude, 0.02);
        EXPECT_NEAR(vtest::AmplitudeAt(left, kRate, c.colorHz), (1.0 - c.brown) * kLoopAmplitude, 0.02);
        EXPECT_LT(vtest::AmplitudeAt(left, kRate, otherHz), 0.005);
        EXPECT_TRUE(noise.Terminate());
    }
}

TEST_F(CSoundNoiseTest, FilterSettingsReachTheProcessorEveryFrame)
{
    m_segment.m_filter.SetValue(40.0);
    m_segment.m_sharpness.SetValue(25.0);
    CGraph rise; // frequency from 100 Hz at the start to 3000 Hz at the end
    rise.SetPoint(0, CDPoint{0.0, 0.0});
    rise.SetPoint(1, CDPoint{1.0, 1.0});
    rise.UpdateCurve();
    m_segment.m_frequency.SetGraph(rise);

    Play(1);
    EXPECT_DOUBLE_EQ(m_rig.m_effects.GetFilterGain(), 0.4);
    EXPECT_DOUBLE_EQ(m_rig.m_effects.GetFilterSharpness(), 0.25);
    EXPECT_NEAR(m_rig.m_effects.GetFilterCentre(), 100.0, 1.0);

    // Half-way through the segment the band has moved with the graph.
    m_noise.m_position = m_noise.m_segmentLength / 2;
    CStereoFrame frame;
    ASSERT_TRUE(m_noise.GetSample(frame));
    EXPECT_NEAR(m_rig.m_effects.GetFilterCentre(), 1550.0, 15.0);
}

TEST_F(CSoundNoiseTest, TerminateStopsTheEffects)
{
    Play(10);
    EXPECT_TRUE(m_noise.Terminate());
    EXPECT_FALSE(m_noise.IsEffectsRunning());
    EXPECT_FALSE(m_rig.m_effects.IsRunning());
}

// Past Init the loops come from the readers' buffers and the filter is only set: a second
// of frames, the buffers refilled several times over, allocates nothing.
TEST_F(CSoundNoiseTest, RenderingAllocatesNothing)
{
    m_segment.m_smoothness.SetValue(30.0);
    Play(1);
    CStereoFrame frame;
    vtest::AllocationScope scope;
    for (unsigned i = 0; i < kRate; ++i)
    {
        ASSERT_TRUE(m_noise.GetSample(frame));
        m_noise.PostProcess(frame);
        ++m_noise.m_position;
        ++m_noise.m_absoluteFrame;
    }
    EXPECT_EQ(scope.Count(), 0u);
}

// Each loop is decoded once for every track that plays it, and a track's next segment reuses
// what its last one held; the tracks still hear the same frames.
TEST_F(CSoundNoiseTest, TracksShareOneDecodeOfEachLoop)
{
    const std::uint64_t start = audio::SharedLoops::DecodeCount();
    CSoundNoise first;
    CSoundNoise second;
    m_rig.Prepare(first, m_segment);
    ASSERT_TRUE(first.Init()) << first.GetErrorText().toStdString();
    vtest::GeneratorRig otherRig{kRate, 60};
    otherRig.Prepare(second, m_segment);
    ASSERT_TRUE(second.Init()) << second.GetErrorText().toStdString();
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 2u); // brown and pink
    const auto a = vtest::Render(first, kRate / 2);
    const auto b = vtest::Render(second, kRate / 2);
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i].left, b[i].left) << i;

    ASSERT_TRUE(second.Terminate());
    otherRig.Prepare(second, m_segment);
    ASSERT_TRUE(second.Init());
    ASSERT_TRUE(first.Terminate());
    m_rig.Prepare(first, m_segment);
    ASSERT_TRUE(first.Init());
    EXPECT_EQ(audio::SharedLoops::DecodeCount() - start, 2u);
}

class NoFilterProcessor : public CEffectsProcessor
{
public:
    bool AddFilter() override { return false; }
};

TEST_F(CSoundNoiseTest, FilterBandThatCannotBeAddedFailsInit)
{
    NoFilterProcessor effects;
    CSoundNoise noise; // after the processor, which it terminates when destroyed
    m_rig.Prepare(noise, m_segment);
    noise.m_effects = &effects;
    EXPECT_FALSE(noise.Init());
    EXPECT_EQ(noise.GetErrorText(), QStringLiteral("Failed to initialize the noise filter."));
}

struct MissingCase
{
    const char* name;
    const char* removed;
    std::int32_t color;
    const char* message;
};

// The texts are the program's own: the pink loop's failure also names the white noise.
const MissingCase kMissingCases[] = {
    {"Brown", "Brown.ogg", CSegmentNoise::kColorPink, "Failed to open the brown noise."},
    {"Pink", "Pink.ogg", CSegmentNoise::kColorPink, "Failed to open the white noise."},
    {"White", "White.ogg", CSegmentNoise::kColorWhite, "Failed to open the white noise."},
};

TEST_F(CSoundNoiseTest, MissingLoopFailsInitWithItsMessage)
{
    for (const MissingCase& c : kMissingCases)
    {
        SCOPED_TRACE(c.name);
        const QString path = m_noiseFolder + QLatin1String(c.removed);
        const QString kept = path + QStringLiteral(".kept");
        ASSERT_TRUE(QFile::rename(path, kept));
        CSoundNoise noise;
        m_segment.m_color = c.color;
        m_rig.Prepare(noise, m_segment);
        EXPECT_FALSE(noise.Init());
        EXPECT_EQ(noise.GetErrorText(), QString::fromLatin1(c.message));
        ASSERT_TRUE(QFile::rename(kept, path));
    }
}

} // namespace
