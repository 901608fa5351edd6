#include "audio/CPlItem.h"

bool CPlItem::GetFrame(CStereoFrame& frame)
{
    const bool read = m_file.ReadFrame(frame);
    ++m_framesPlayed;
    ++m_runningPosition;
    return read;
}

bool CPlItem::GetFrames(CStereoFrame* frames, std::uint32_t n)
{
    const std::uint32_t read = m_file.ReadFrames(frames, n);
    m_framesPlayed += static_cast<std::int32_t>(n);
    m_runningPosition += n;
    return read == n;
}

bool CPlItem::OpenLooping(CSoundFile& file, const QString& path, unsigned rate)
{
    // The length is checked on the opened decoder before anything is decoded; a longer file,
    // or one whose length the decoder cannot tell, streams.
    return file.OpenSharedLoop(path, rate, kMaxSharedFrames);
}

bool CPlItem::Open()
{
    Close();
    if (!OpenLooping(m_file, m_path, m_rate))
        return false;
    m_open = true;
    OnStarted();
    return true;
}

bool CPlItem::Restart()
{
    if (!m_open)
        return Open();
    // The same stream a second Open would give, without decoding the header again.
    if (!m_file.Rewind())
        return Open();
    OnStarted();
    return true;
}

void CPlItem::Close()
{
    m_file.Close();
    m_open = false;
}

void CPlItem::OnStarted()
{
    m_framesPlayed = 0;
    m_runningPosition = m_startPosition;
    m_playFrames = static_cast<std::uint32_t>(m_playSeconds) * m_rate;
}
