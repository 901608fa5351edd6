#include "audio/COptions.h"

#include "platform/Registry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr const char* kRecordingDevice = "OptionsRecordingDevice";
constexpr const char* kRecordingLevel = "OptionsRecordingLevel";
constexpr const char* kPlaybackDevice = "OptionsPlaybackDevice";
constexpr const char* kBurningDevice = "OptionsBurningDevice";
constexpr const char* kExportFormatType = "OptionsExportFormatType";
constexpr const char* kExportCompress = "OptionsExportCompress";
constexpr const char* kExportSampleType = "OptionsExportSampleType";
constexpr const char* kQualityType = "OptionsQualityType";
constexpr const char* kIsLivePlayback = "OptionsIsLivePlayback";
constexpr const char* kFadeSegmentSeconds = "OptionsFadeSegmentSeconds";
constexpr const char* kFadePlaylistSeconds = "OptionsFadePlaylistSeconds";

// Reads one value; false (and @p out unchanged) when it is missing or empty.
bool ReadNumber(const char* name, std::int32_t& out)
{
    QString text;
    if (!GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(name), text) || text.isEmpty())
        return false;
    out = COptions::ParseValue(text);
    return true;
}

void WriteNumber(const char* name, std::int32_t value)
{
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(name), COptions::FormatValue(value));
}

// Cut toward zero, held to the int range (a non-number gives 0), so that no value the
// dialog or a stored file put into a double makes the conversion undefined.
std::int32_t TruncToInt(double v) noexcept
{
    if (!std::isfinite(v))
        return 0;
    const double t = std::trunc(v);
    if (t <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (t >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(t);
}

} // namespace

std::uint32_t COptions::GetSampleRate() const noexcept
{
    if (m_qualityType < 0 || m_qualityType >= static_cast<std::int32_t>(kSampleRates.size()))
        return kSampleRates[kDefaultQuality];
    return kSampleRates[static_cast<std::size_t>(m_qualityType)];
}

void COptions::Load()
{
    std::int32_t n = 0;
    if (ReadNumber(kRecordingDevice, n))
        m_recordingDevice = n;
    if (ReadNumber(kRecordingLevel, n))
        m_recordingLevel = std::clamp(n / 100.0, 0.0, 1.0);
    if (ReadNumber(kPlaybackDevice, n))
        m_playbackDevice = n;
    if (ReadNumber(kBurningDevice, n))
        m_burningDevice = n;
    if (ReadNumber(kExportFormatType, n))
        m_exportFormatType = n;
    if (ReadNumber(kExportCompress, n))
        m_exportCompress = n;
    if (ReadNumber(kExportSampleType, n))
        m_exportSampleType = n;
    if (ReadNumber(kQualityType, n))
        m_qualityType = n; // kept as stored; GetSampleRate falls back for an unknown index
    if (ReadNumber(kIsLivePlayback, n))
        m_isLivePlayback = n != 0;
    // A negative fade would become a huge unsigned frame count.
    if (ReadNumber(kFadeSegmentSeconds, n))
        m_fadeSegmentSeconds = std::max(n, 0);
    if (ReadNumber(kFadePlaylistSeconds, n))
        m_fadePlaylistSeconds = std::max(n, 0);
}

void COptions::Save() const
{
    WriteNumber(kRecordingDevice, m_recordingDevice);
    // Rounded: 0.29 x 100 is 28.999... in binary, and cutting it made the level drift down a
    // percent at every save.
    WriteNumber(kRecordingLevel, TruncToInt(std::round(m_recordingLevel * 100.0)));
    WriteNumber(kPlaybackDevice, m_playbackDevice);
    WriteNumber(kBurningDevice, m_burningDevice);
    WriteNumber(kExportFormatType, m_exportFormatType);
    WriteNumber(kExportCompress, m_exportCompress);
    WriteNumber(kExportSampleType, m_exportSampleType);
    WriteNumber(kQualityType, m_qualityType);
    WriteNumber(kIsLivePlayback, m_isLivePlayback ? 1 : 0);
    WriteNumber(kFadeSegmentSeconds, TruncToInt(m_fadeSegmentSeconds));
    WriteNumber(kFadePlaylistSeconds, TruncToInt(m_fadePlaylistSeconds));
}

QString COptions::FormatValue(std::int32_t value)
{
    return QString::number(value);
}

std::int32_t COptions::ParseValue(const QString& text) noexcept
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto isBlank = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (i < n && isBlank(text[i].unicode()))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
    {
        negative = text[i] == u'-';
        ++i;
    }
    // The magnitude is held at INT_MAX + 1, the largest a negative int can take.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i)
    {
        magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        if (magnitude > kLimit)
            magnitude = kLimit; // held; further digits cannot bring it back
    }
    if (negative)
        return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(magnitude, std::numeric_limits<std::int32_t>::max()));
}
