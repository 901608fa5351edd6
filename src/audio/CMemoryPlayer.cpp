#include "audio/CMemoryPlayer.h"

#include "audio/AudioMessage.h"

#include <algorithm>
#include <cstring>

CMemoryPlayer::~CMemoryPlayer()
{
    Free();
}

bool CMemoryPlayer::Create(unsigned rate, const CStereoFrame* buffer, std::uint32_t frames, bool loop)
{
    Free();
    m_rate = rate;
    m_loop = loop;
    m_playing = false;
    m_buffer = buffer;
    m_frames = buffer ? frames : 0;
    m_bytes = static_cast<std::uint64_t>(m_frames) * sizeof(CStereoFrame);
    m_position = 0;
    if (rate > 0 && (buffer || frames == 0))
        m_stream = plat::AudioOutput::CreateWithProcedure(rate, [this](float* out, std::uint32_t count)
                                                          { return StreamProc(out, count); });
    if (!m_stream)
    {
        audio::ShowMessage(QStringLiteral("Failed to create playback stream."));
        return false;
    }
    return true;
}

std::uint32_t CMemoryPlayer::StreamProc(float* out, std::uint32_t count) noexcept
{
    auto* dst = reinterpret_cast<CStereoFrame*>(out);
    std::uint32_t done = 0;
    for (;;)
    {
        const std::uint64_t pos = m_position.load(std::memory_order_acquire); // at most m_bytes
        const auto at = static_cast<std::uint32_t>(pos / sizeof(CStereoFrame));
        const std::uint32_t n = std::min(count - done, m_frames - at);
        if (n > 0)
            std::memcpy(dst + done, m_buffer + at, n * sizeof(CStereoFrame));
        done += n;
        const std::uint64_t next = pos + static_cast<std::uint64_t>(n) * sizeof(CStereoFrame);
        // A SetPosition from the UI thread since the load wins over this advance.
        std::uint64_t expected = pos;
        const bool advanced = m_position.compare_exchange_strong(expected, next, std::memory_order_acq_rel);
        if (advanced && next >= m_bytes)
        {
            if (!m_loop || m_frames == 0)
            {
                m_playing.store(false, std::memory_order_release);
                return done | plat::AudioOutput::kEnd;
            }
            // Looping: go on from frame 0 in the same block, so the wrap has no gap.
            expected = next;
            m_position.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
        }
        if (done == count)
            return done;
    }
}

bool CMemoryPlayer::Play()
{
    if (!m_stream)
        return false;
    m_playing = true;
    return m_stream->Play();
}

bool CMemoryPlayer::Stop()
{
    m_playing = false;
    return m_stream ? m_stream->Stop() : false;
}

void CMemoryPlayer::SetPosition(std::uint32_t frame)
{
    const std::uint64_t bytes = static_cast<std::uint64_t>(frame) * sizeof(CStereoFrame);
    m_position.store(std::min(bytes, m_bytes), std::memory_order_release);
}

std::uint32_t CMemoryPlayer::GetPosition() const
{
    return static_cast<std::uint32_t>(m_position.load(std::memory_order_acquire) / sizeof(CStereoFrame));
}

bool CMemoryPlayer::IsPlaying() const
{
    return m_playing.load(std::memory_order_acquire);
}

bool CMemoryPlayer::Free()
{
    m_playing = false;
    if (!m_stream)
        return false;
    m_stream->Stop();
    m_stream.reset();
    return true;
}
