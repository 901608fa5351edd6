#include "audio/CBreathworkVoice.h"
#include "audio/CSoundFile.h"
#include "platform/audio/DecodedCopy.h"
#include "platform/audio/Spectrum.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{

const QString kData = QStringLiteral(VORNA_TEST_DATA_DIR);

std::vector<CStereoFrame> ReadWhole(const QString& path, unsigned rate, bool loop, std::size_t extra = 0)
{
    CSoundFile file;
    EXPECT_TRUE(file.Open(path, rate, loop)) << path.toStdString();
    std::vector<CStereoFrame> frames(file.GetLength() + extra);
    file.ReadFrames(frames.data(), static_cast<std::uint32_t>(frames.size()));
    return frames;
}

// Mean power per spectrum bin of the left channel in the octave [lo, 2 lo) Hz, in dB.
std::vector<double> OctaveBandsDb(const std::vector<CStereoFrame>& frames, unsigned rate,
                                  const std::vector<double>& bands)
{
    plat::Spectrum spectrum;
    std::vector<double> power(plat::Spectrum::kBins, 0.0);
    std::vector<float> block(plat::Spectrum::kSize), mag(plat::Spectrum::kBins);
    int blocks = 0;
    for (std::size_t at = 0; at + plat::Spectrum::kSize <= frames.size(); at += plat::Spectrum::kSize)
    {
        for (int i = 0; i < plat::Spectrum::kSize; ++i)
            block[i] = frames[at + i].left;
        spectrum.Compute(block.data(), mag.data());
        for (int k = 0; k < plat::Spectrum::kBins; ++k)
            power[k] += static_cast<double>(mag[k]) * mag[k];
        ++blocks;
    }
    std::vector<double> db;
    for (double lo : bands)
    {
        const int a = static_cast<int>(std::ceil(lo * plat::Spectrum::kSize / rate));
        const int b = static_cast<int>(std::ceil(2 * lo * plat::Spectrum::kSize / rate));
        double sum = 0.0;
        for (int k = a; k < b; ++k)
            sum += power[k];
        db.push_back(10.0 * std::log10(sum / (b - a) / blocks));
    }
    return db;
}

struct NoiseCase
{
    const char* file;
    double dbPerOctave; // slope of the power per Hz
};

// The noise loops: stereo, 30-60 s, the right colour (white flat, pink -3 dB, brown -6 dB per
// octave, each octave band within 1.5 dB of the line), and no jump where the loop wraps.
TEST(InstalledData, NoiseLoopsHaveTheirColourAndWrapSeamlessly)
{
    const unsigned rate = 44100;
    const std::vector<double> bands = {125, 250, 500, 1000, 2000, 4000};
    for (const NoiseCase c : {NoiseCase{"White", 0.0}, NoiseCase{"Pink", -3.0}, NoiseCase{"Brown", -6.0}})
    {
        SCOPED_TRACE(c.file);
        const QString path = kData + "/Internals/Noise/" + c.file + ".ogg";
        CSoundFile probe;
        ASSERT_TRUE(probe.Open(path, rate, true));
        const std::size_t length = probe.GetLength();
        EXPECT_GE(length, 30u * rate);
        EXPECT_LE(length, 60u * rate);

        // Read past the wrap: the step there is no larger than the loop's own steps.
        const auto frames = ReadWhole(path, rate, true, 2000);
        double worst = 0.0;
        bool stereo = false;
        for (std::size_t i = 1; i < length; ++i)
        {
            worst = std::max(worst, static_cast<double>(std::fabs(frames[i].left - frames[i - 1].left)));
            stereo = stereo || frames[i].left != frames[i].right;
        }
        EXPECT_TRUE(stereo) << "two independent channels";
        for (std::size_t i = length; i < length + 2000; ++i)
            ASSERT_LE(std::fabs(frames[i].left - frames[i - 1].left), worst * 1.01) << "jump at frame " << i;

        const std::vector<double> db = OctaveBandsDb(frames, rate, bands);
        for (std::size_t j = 0; j < bands.size(); ++j)
        {
            const double line = db[0] + c.dbPerOctave * static_cast<double>(j);
            EXPECT_NEAR(db[j], line, 1.5) << "octave from " << bands[j] << " Hz";
        }
    }
}

// Each noise loop is installed decoded as well, and the copy is the file's own decode, bit for
// bit: a copy left from an older loop would change the sound of every noise.
TEST(InstalledData, NoiseLoopsAreStoredDecodedAsTheyDecode)
{
    const unsigned rate = 44100;
    for (const char* name : {"White", "Pink", "Brown"})
    {
        SCOPED_TRACE(name);
        const QString path = kData + "/Internals/Noise/" + name + ".ogg";
        const plat::DecodedCopy copy = plat::DecodedCopy::Map(path, rate);
        ASSERT_TRUE(copy);
        const auto frames = ReadWhole(path, rate, true);
        ASSERT_EQ(copy.Frames(), frames.size());
        EXPECT_EQ(std::memcmp(copy.Data(), frames.data(), frames.size() * sizeof(CStereoFrame)), 0);
    }
}

// The prompts that the breathwork sound opens by name, each a short spoken phrase.
TEST(InstalledData, BreathworkPromptsAreShortSpokenPhrases)
{
    for (int i = 0; i < CBreathworkVoice::kPhraseCount; ++i)
    {
        const char* name = CBreathworkVoice::GetPhraseName(i);
        SCOPED_TRACE(name);
        const QString path = kData + "/Sound Library/Suggestions/VORNA Voice/Breathwork/" + name + ".ogg";
        const double seconds = CSoundFile::GetFileDuration(path);
        EXPECT_GT(seconds, 0.2);
        EXPECT_LT(seconds, 5.0);
        const auto frames = ReadWhole(path, 48000, false);
        float peak = 0.0f;
        for (const auto& f : frames)
            peak = std::max(peak, std::fabs(f.left));
        EXPECT_GT(peak, 0.05f) << "something is said";
    }
}

TEST(InstalledData, StkRawWaveIsDebiansFile)
{
    QFile ours(kData + "/Internals/marmstk1.raw");
    QFile debian(QStringLiteral(VORNA_TEST_STK_RAWWAVE));
    ASSERT_TRUE(ours.open(QIODevice::ReadOnly));
    ASSERT_TRUE(debian.open(QIODevice::ReadOnly));
    EXPECT_GT(ours.size(), 0);
    EXPECT_EQ(ours.readAll(), debian.readAll());
}

} // namespace
