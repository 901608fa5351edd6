#pragma once
/** @brief The application's audio settings, kept as decimal text in the settings store.
 *
 * UI thread only: the document owns one and loads it when it is created, the options
 * dialog edits and saves it, and the engine gets what it needs (rate, fades) by value.
 * Loading leaves a missing or empty value at its default. Values from the store that the
 * program could not use are repaired where they are used or read: a quality index outside
 * the rate table plays at 44100 Hz, a negative fade is 0 and the recording level is held
 * to 0..1. */

#include <QString>

#include <array>
#include <cstdint>

class COptions
{
public:
    /** Sample rate in Hz by quality index. */
    static constexpr std::array<std::uint32_t, 6> kSampleRates{11025, 22050, 44100, 48000, 88200, 96000};
    static constexpr std::int32_t kDefaultQuality = 2; // 44100 Hz

    enum ExportFormat : std::int32_t
    {
        kFormatWav = 0,
        kFormatMp3 = 1,
        kFormatOgg = 2,
    };
    enum SampleFormat : std::int32_t
    {
        kSample16Bit = 0,
        kSample24Bit = 1,
        kSample32Bit = 2,
        kSampleFloat = 3, ///< WAV only
    };

    std::int32_t m_recordingDevice = -1; ///< -1: the default device
    double m_recordingLevel = 0.75;      ///< 0..1, stored as whole percent
    std::int32_t m_playbackDevice = -1;  ///< -1: the default device
    std::int32_t m_burningDevice = 0;
    std::int32_t m_exportFormatType = kFormatMp3;
    std::int32_t m_exportCompress = 3; ///< bitrate index into 112, 128, 160, 192, 224, 256, 320 kbps
    std::int32_t m_exportSampleType = kSample16Bit;
    std::int32_t m_qualityType = kDefaultQuality; ///< index into kSampleRates
    /** During a live recording, add the recorded voice to the playback (headphones). */
    bool m_isLivePlayback = true;
    double m_fadeSegmentSeconds = 5.0;
    double m_fadePlaylistSeconds = 15.0; ///< crossfade between playlist files

    /** The rate of the quality index; an index outside the table gives 44100 Hz. */
    std::uint32_t GetSampleRate() const noexcept;

    /** Reads the eleven values from the user's settings store. */
    void Load();
    /** Writes the eleven values, each as decimal text; the level as whole percent and the
     *  fades as whole seconds, both cut toward zero. */
    void Save() const;

    /** @p value as decimal text. */
    static QString FormatValue(std::int32_t value);
    /** Text to a number as the stored values have always been read: leading blanks, an
     *  optional sign, then digits up to the first non-digit; text without digits gives 0
     *  ("abc" is 0, "5.7" is 5), and a number beyond the int range is held at its end. */
    static std::int32_t ParseValue(const QString& text) noexcept;
};
