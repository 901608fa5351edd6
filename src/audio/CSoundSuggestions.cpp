#include "audio/CSoundSuggestions.h"

#include "audio/PlayOrder.h"
#include "model/CSegmentSuggestions.h"
#include "platform/Random.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{

// p / L held to [0, 1]: the last frame of a segment is at p = L, and L may be 0.
double SpanFraction(std::uint32_t p, std::uint32_t length) noexcept
{
    return length == 0 ? 0.0 : std::min(1.0, double(p) / double(length));
}

} // namespace

bool CSoundSuggestions::Init()
{
    if (!CSound::Init())
        return false;
    m_voice = dynamic_cast<CSegmentSuggestions*>(m_segment);
    const std::int32_t mode =
        m_voice ? m_voice->GetPlayMode() : CSegmentSuggestions::kPlayModeLivePlaceholder;
    m_shuffle = mode == CSegmentSuggestions::kPlayModeShuffle;
    m_prerecorded = mode == CSegmentSuggestions::kPlayModePrerecorded;
    // The live-recording placeholder has no files of its own: it stays silent.
    m_fileCount = mode == CSegmentSuggestions::kPlayModeLivePlaceholder
                      ? 0
                      : static_cast<std::int32_t>(m_voice->m_files.size());
    CloseFile();
    m_index = 0;
    m_nextFileStart = 0;
    m_interval = m_voice ? m_voice->m_interval.GetValue() : 0.0;
    m_order.clear();
    if (m_shuffle && m_fileCount > 0)
    {
        // The last entry seeds the "never start with the file that ended the last round"
        // rule, so the first round never starts with file 0.
        m_order.assign(static_cast<std::size_t>(m_fileCount), 0);
        ShuffleOrder();
    }
    if (m_voice)
    {
        m_voice->m_requestedIndex.store(-1, std::memory_order_relaxed);
        m_voice->m_playRequest.store(false, std::memory_order_release);
    }
    m_requestedIndex = -1;
    return true;
}

bool CSoundSuggestions::Terminate()
{
    m_order.clear();
    m_order.shrink_to_fit();
    CloseFile();
    return CSound::Terminate();
}

void CSoundSuggestions::ShuffleOrder()
{
    audio::RefillPlayOrder(m_order, true);
}

void CSoundSuggestions::NextIndex()
{
    ++m_index;
    if (m_shuffle && m_index >= m_fileCount)
    {
        ShuffleOrder();
        m_index = 0;
    }
}

void CSoundSuggestions::CloseFile()
{
    m_file.Close();
    // A request while a file plays replaces it; nothing may be read from the closed file.
    m_framesRemaining = 0;
    m_sounding = false;
}

bool CSoundSuggestions::OpenNextFile()
{
    CloseFile();
    std::int32_t number = m_index;
    if (m_shuffle)
        number = m_order[static_cast<std::size_t>(m_index)];
    else if (m_prerecorded)
    {
        number = m_requestedIndex;
        if (number < 0)
        {
            m_errorText = QStringLiteral("Failed to select the prerecorded voice file.");
            return false;
        }
    }
    // Past the end of the list: the voice stays silent for the rest of the segment.
    if (number >= m_fileCount || number >= static_cast<std::int32_t>(m_voice->m_files.size()))
        return true;

    const QString path = m_voice->m_files[static_cast<std::size_t>(number)].GetResolvedPath();
    if (!m_file.Open(path, m_rate, false))
    {
        m_errorText = QStringLiteral("Failed to open the voice file: \n\n") + path;
        return false;
    }
    m_framesRemaining = m_file.GetLength();
    if (m_framesRemaining == 0)
    {
        m_errorText = QStringLiteral("Failed to get the voice file size.");
        return false;
    }
    m_nextFileStart = 0;
    m_sounding = true;
    return true;
}

bool CSoundSuggestions::ReadFileFrame(CStereoFrame& frame)
{
    const bool read = m_file.ReadFrame(frame);
    --m_framesRemaining;
    return read;
}

bool CSoundSuggestions::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    // The panel's requests are taken frame by frame.
    if (m_prerecorded)
        return CSound::GetSamples(out, n);
    const std::uint32_t start = m_position;
    bool ok = true;
    for (std::uint32_t i = 0; i < n && ok;)
    {
        m_position = start + i;
        const std::uint32_t p = m_position;
        std::uint32_t span = 0;
        if (m_fileCount == 0 || (!m_sounding && !m_shuffle && m_index >= m_fileCount))
            span = n - i; // nothing more to say in this segment
        else if (!m_sounding && p < m_nextFileStart)
            span = static_cast<std::uint32_t>(std::min<std::uint64_t>(n - i, m_nextFileStart - p));
        if (span > 0)
        {
            std::fill_n(out + i, span, CStereoFrame{});
            i += span;
            continue;
        }
        if (m_sounding && m_framesRemaining > 1)
        {
            // The frames before the file's last, which schedules the pause.
            span = std::min(n - i, m_framesRemaining - 1);
            m_file.ReadFrames(out + i, span); // a short read at the very end is silence
            m_framesRemaining -= span;
            i += span;
            continue;
        }
        ok = GetSample(out[i]);
        ++i;
    }
    m_position = start;
    return ok;
}

bool CSoundSuggestions::GetSample(CStereoFrame& frame)
{
    frame = {};
    if (m_fileCount == 0)
        return true;
    const std::uint32_t p = m_position;

    if (m_prerecorded)
    {
        std::int32_t requested = -1;
        if (m_voice->TakeFileRequest(requested))
        {
            m_requestedIndex = requested;
            if (!OpenNextFile())
                return false;
        }
        if (m_framesRemaining > 0 && !ReadFileFrame(frame))
        {
            m_errorText = QStringLiteral("Failed to read a voice file.");
            return false;
        }
        return true;
    }

    if (!m_sounding)
    {
        // In list order, once the last file has played there is nothing left to open.
        if (p < m_nextFileStart || (!m_shuffle && m_index >= m_fileCount))
            return true;
        if (!OpenNextFile())
            return false;
        NextIndex();
        if (!m_sounding)
            return true;
        if (std::uint64_t(m_framesRemaining) + p > m_segmentLength)
        {
            // It would still be speaking after the segment ends: no more voice here.
            CloseFile();
            m_fileCount = 0;
            return true;
        }
    }

    ReadFileFrame(frame); // a short read at the very end is silence, not an error
    if (m_framesRemaining == 0)
    {
        m_sounding = false;
        double pause = m_interval;
        if (m_shuffle)
            pause = m_voice->m_interval.GetValueAt(SpanFraction(p, m_segmentLength)) * (0.5 + RandomUnit());
        const double frames = std::floor(std::max(kMinPauseSeconds, pause) * m_rate);
        m_nextFileStart = static_cast<std::uint32_t>(std::min<double>(double(p) + frames, UINT32_MAX));
    }
    return true;
}
