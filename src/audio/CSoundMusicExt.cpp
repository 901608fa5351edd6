#include "audio/CSoundMusicExt.h"

#include "audio/CPlItem.h"
#include "model/CSegmentMusicExt.h"

#include <algorithm>

bool CSoundMusicExt::Init()
{
    if (!CSound::Init())
        return false;
    const auto* segment = dynamic_cast<const CSegmentMusicExt*>(m_segment);
    m_file.Close();
    m_length = 0;
    m_loop = segment != nullptr && segment->m_loop;
    m_path = segment != nullptr ? segment->m_path : QString();
    if (m_path.isEmpty())
        return true;
    // A looping file reads the shared decoded copy, not the codec on every pass.
    const bool opened =
        m_loop ? CPlItem::OpenLooping(m_file, m_path, m_rate) : m_file.Open(m_path, m_rate, false);
    if (!opened)
    {
        m_errorText = QStringLiteral("Failed to open the external music sound file.");
        return false;
    }
    m_length = m_file.GetLength();
    // A looping file of no frames has no position to continue from (p mod 0); it is silent.
    if (m_loop && m_length > 0)
        m_file.Seek(m_position % m_length);
    else if (!m_loop)
        m_file.Seek(m_position);
    return true;
}

bool CSoundMusicExt::Terminate()
{
    m_file.Close();
    return CSound::Terminate();
}

bool CSoundMusicExt::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    std::uint32_t sounding = 0;
    if (!m_path.isEmpty() && m_length > 0)
        sounding = m_loop ? n : (m_position >= m_length ? 0 : std::min(n, m_length - m_position));
    std::fill(out + sounding, out + n, CStereoFrame{});
    if (sounding > 0 && m_file.ReadFrames(out, sounding) < sounding)
    {
        m_errorText = QStringLiteral("Failed to read the external music sound file.");
        return false;
    }
    return true;
}

bool CSoundMusicExt::GetSample(CStereoFrame& frame)
{
    frame = {};
    if (m_path.isEmpty() || m_length == 0 || (!m_loop && m_position >= m_length))
        return true;
    if (!m_file.ReadFrame(frame))
    {
        m_errorText = QStringLiteral("Failed to read the external music sound file.");
        return false;
    }
    return true;
}
