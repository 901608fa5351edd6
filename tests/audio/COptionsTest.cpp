#include "audio/COptions.h"

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <QSettings>

namespace
{

QString Stored(const char* name)
{
    QString text;
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(name), text);
    return text;
}

void Store(const char* name, const char* text)
{
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(name), QString::fromLatin1(text));
}

// Every test starts from a store without values (a fresh installation).
class COptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, plat::kRegOrganization,
                           plat::kRegApplication);
        settings.clear();
        settings.sync();
    }
};

} // namespace

TEST_F(COptionsTest, FreshStoreKeepsTheDefaults)
{
    COptions options;
    options.Load();
    EXPECT_EQ(options.m_recordingDevice, -1);
    EXPECT_EQ(options.m_recordingLevel, 0.75);
    EXPECT_EQ(options.m_playbackDevice, -1);
    EXPECT_EQ(options.m_burningDevice, 0);
    EXPECT_EQ(options.m_exportFormatType, COptions::kFormatMp3);
    EXPECT_EQ(options.m_exportCompress, 3); // 192 kbps
    EXPECT_EQ(options.m_exportSampleType, COptions::kSample16Bit);
    EXPECT_EQ(options.GetSampleRate(), 44100u);
    EXPECT_TRUE(options.m_isLivePlayback);
    EXPECT_EQ(options.m_fadeSegmentSeconds, 5.0);
    EXPECT_EQ(options.m_fadePlaylistSeconds, 15.0);
}

TEST_F(COptionsTest, SavedValuesUseTheirNamesAndLoadBack)
{
    COptions options;
    options.m_recordingDevice = 2;
    options.m_recordingLevel = 0.29; // whole percent, rounded: 0.29 x 100 is just below 29
    options.m_playbackDevice = 1;
    options.m_burningDevice = 3;
    options.m_exportFormatType = COptions::kFormatOgg;
    options.m_exportCompress = 6;
    options.m_exportSampleType = COptions::kSampleFloat;
    options.m_qualityType = 5;
    options.m_isLivePlayback = false;
    options.m_fadeSegmentSeconds = 2.9; // whole seconds, cut
    options.m_fadePlaylistSeconds = 30;
    options.Save();

    EXPECT_EQ(Stored("OptionsRecordingDevice"), "2");
    EXPECT_EQ(Stored("OptionsRecordingLevel"), "29");
    EXPECT_EQ(Stored("OptionsPlaybackDevice"), "1");
    EXPECT_EQ(Stored("OptionsBurningDevice"), "3");
    EXPECT_EQ(Stored("OptionsExportFormatType"), "2");
    EXPECT_EQ(Stored("OptionsExportCompress"), "6");
    EXPECT_EQ(Stored("OptionsExportSampleType"), "3");
    EXPECT_EQ(Stored("OptionsQualityType"), "5");
    EXPECT_EQ(Stored("OptionsIsLivePlayback"), "0");
    EXPECT_EQ(Stored("OptionsFadeSegmentSeconds"), "2");
    EXPECT_EQ(Stored("OptionsFadePlaylistSeconds"), "30");

    COptions loaded;
    loaded.Load();
    EXPECT_EQ(loaded.m_recordingDevice, 2);
    EXPECT_DOUBLE_EQ(loaded.m_recordingLevel, 0.29);
    EXPECT_EQ(loaded.m_playbackDevice, 1);
    EXPECT_EQ(loaded.m_burningDevice, 3);
    EXPECT_EQ(loaded.m_exportFormatType, 2);
    EXPECT_EQ(loaded.m_exportCompress, 6);
    EXPECT_EQ(loaded.m_exportSampleType, 3);
    EXPECT_EQ(loaded.GetSampleRate(), 96000u);
    EXPECT_FALSE(loaded.m_isLivePlayback);
    EXPECT_EQ(loaded.m_fadeSegmentSeconds, 2.0);
    EXPECT_EQ(loaded.m_fadePlaylistSeconds, 30.0);
}

// Stored text is read as the old program read it; values it could not use are repaired.
TEST_F(COptionsTest, StoredTextIsReadLeniently)
{
    Store("OptionsRecordingDevice", "abc");        // no digits: 0
    Store("OptionsPlaybackDevice", "5.7");         // up to the first non-digit: 5
    Store("OptionsBurningDevice", "");             // empty: the default stays
    Store("OptionsQualityType", "9");              // outside the rate table
    Store("OptionsRecordingLevel", "250");         // above 100 %
    Store("OptionsFadeSegmentSeconds", "-4");      // negative fade
    Store("OptionsFadePlaylistSeconds", "  +12s"); // blanks and a sign
    Store("OptionsIsLivePlayback", "0");
    COptions options;
    options.Load();
    EXPECT_EQ(options.m_recordingDevice, 0);
    EXPECT_EQ(options.m_playbackDevice, 5);
    EXPECT_EQ(options.m_burningDevice, 0);
    EXPECT_EQ(options.m_qualityType, 9);
    EXPECT_EQ(options.GetSampleRate(), 44100u);
    EXPECT_EQ(options.m_recordingLevel, 1.0);
    EXPECT_EQ(options.m_fadeSegmentSeconds, 0.0);
    EXPECT_EQ(options.m_fadePlaylistSeconds, 12.0);
    EXPECT_FALSE(options.m_isLivePlayback);
}

TEST(COptions, ParseValueReadsLikeTheCLibrary)
{
    struct Case
    {
        const char* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"42", 42},
        {"-1", -1},
        {" \t\n 7", 7},
        {"+3", 3},
        {"5.7", 5},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"0x1F", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999999999999", -2147483647 - 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(COptions::ParseValue(QString::fromLatin1(c.text)), c.value);
    }
}

TEST(COptions, EveryQualityIndexHasARate)
{
    COptions options;
    const std::int32_t indices[] = {-1, 0, 1, 2, 3, 4, 5, 6, 1000};
    const std::uint32_t rates[] = {44100, 11025, 22050, 44100, 48000, 88200, 96000, 44100, 44100};
    for (std::size_t i = 0; i < std::size(indices); ++i)
    {
        options.m_qualityType = indices[i];
        EXPECT_EQ(options.GetSampleRate(), rates[i]) << indices[i];
    }
}

// A level saved and loaded again stays where it was, for every whole percent, and a level
// between two percents is saved as the nearer one.
TEST_F(COptionsTest, RecordingLevelKeepsItsPercentThroughSaves)
{
    for (int percent = 0; percent <= 100; ++percent)
    {
        COptions options;
        options.m_recordingLevel = percent / 100.0;
        for (int round = 0; round < 3; ++round)
        {
            options.Save();
            options.Load();
        }
        EXPECT_EQ(Stored("OptionsRecordingLevel"), QString::number(percent));
    }
    const struct
    {
        double level;
        const char* stored;
    } cases[] = {{0.999, "100"}, {0.994, "99"}, {0.286, "29"}, {0.004, "0"}};
    for (const auto& c : cases)
    {
        COptions options;
        options.m_recordingLevel = c.level;
        options.Save();
        EXPECT_EQ(Stored("OptionsRecordingLevel"), c.stored) << c.level;
    }
}
