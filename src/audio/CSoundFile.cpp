#include "audio/CSoundFile.h"

#include <algorithm>
#include <cmath>

bool CSoundFile::Open(const QString& path, unsigned rate, bool loop)
{
    Close();
    m_shared.reset();
    if (!m_decoder.Open(path, rate, loop))
        return false;
    m_targetRate = rate;
    return Rewind();
}

bool CSoundFile::OpenSharedLoop(const QString& path, unsigned rate, std::uint32_t maxFrames)
{
    Close();
    std::shared_ptr<const audio::SharedLoop> loop = audio::SharedLoops::Acquire(path, rate, maxFrames);
    if (!loop)
        return Open(path, rate, true);
    m_shared = std::move(loop);
    m_sharedOpen = true;
    m_sharedReady = 0;
    m_targetRate = rate;
    return Rewind();
}

bool CSoundFile::Close()
{
    m_decoder.Close();
    m_sharedOpen = false;
    m_bufferFrames = 0;
    m_readOffset = -1;
    return true;
}

bool CSoundFile::Refill()
{
    m_bufferFrames = m_decoder.Read(&m_buffer[0].left, kBufferFrames);
    m_readOffset = 0;
    return m_bufferFrames > 0;
}

bool CSoundFile::AwaitShared(std::uint32_t end) noexcept
{
    if (end <= m_sharedReady)
        return true;
    if (!m_shared->Await(end))
        return false;
    m_sharedReady = m_shared->Ready();
    return true;
}

std::uint32_t CSoundFile::ReadShared(CStereoFrame* frames, std::uint32_t count) noexcept
{
    const audio::SharedLoop& loop = *m_shared;
    std::uint32_t done = 0;
    while (done < count)
    {
        const std::uint32_t n = std::min(count - done, loop.Size() - m_sharedAt);
        if (!AwaitShared(m_sharedAt + n))
        {
            // The file failed part-way through its decode: the end of it, as a stream meets it.
            std::fill(frames + done, frames + count, CStereoFrame{});
            return done;
        }
        std::copy_n(loop.Frames() + m_sharedAt, n, frames + done);
        done += n;
        m_sharedAt += n;
        if (m_sharedAt == loop.Size())
            m_sharedAt = loop.LoopStart();
    }
    return done;
}

bool CSoundFile::ReadFrame(CStereoFrame& frame)
{
    if (m_sharedOpen)
    {
        if (!AwaitShared(m_sharedAt + 1))
        {
            frame = {};
            return false;
        }
        frame = m_shared->Frames()[m_sharedAt];
        if (++m_sharedAt == m_shared->Size())
            m_sharedAt = m_shared->LoopStart();
        return true;
    }
    if (!m_decoder.IsOpen())
    {
        frame = {};
        return false;
    }
    if (m_readOffset < 0 || m_readOffset >= static_cast<std::int64_t>(kBufferFrames))
        Refill();
    // After a short refill the offset stays past the frames read: the end of the file.
    if (m_readOffset >= static_cast<std::int64_t>(m_bufferFrames))
    {
        frame = {};
        return false;
    }
    frame = m_buffer[static_cast<std::size_t>(m_readOffset++)];
    return true;
}

std::uint32_t CSoundFile::ReadFrames(CStereoFrame* frames, std::uint32_t count)
{
    if (m_sharedOpen)
        return ReadShared(frames, count);
    std::uint32_t done = 0;
    while (done < count && m_decoder.IsOpen())
    {
        const bool drained = m_readOffset < 0 || m_readOffset >= static_cast<std::int64_t>(kBufferFrames);
        if (drained && count - done >= kDirectFrames)
        {
            // A large read with nothing left in the buffer skips it: the decoder writes
            // straight into the caller's frames, the same frames a refill would give.
            const std::uint32_t want = count - done;
            const std::uint32_t got = m_decoder.Read(&frames[done].left, want);
            done += got;
            if (got < want)
            {
                // The end of the file, held as a short refill holds it.
                m_bufferFrames = 0;
                m_readOffset = 0;
                break;
            }
            continue;
        }
        if (drained)
            Refill();
        if (m_readOffset >= static_cast<std::int64_t>(m_bufferFrames))
            break;
        const auto n =
            std::min<std::uint32_t>(count - done, m_bufferFrames - static_cast<std::uint32_t>(m_readOffset));
        std::copy_n(&m_buffer[static_cast<std::size_t>(m_readOffset)], n, frames + done);
        m_readOffset += n;
        done += n;
    }
    std::fill(frames + done, frames + count, CStereoFrame{});
    return done;
}

unsigned CSoundFile::GetLength() const
{
    if (m_sharedOpen)
        return m_shared->Period();
    return static_cast<unsigned>(std::min<std::uint64_t>(m_decoder.Length(), UINT32_MAX));
}

bool CSoundFile::Rewind()
{
    return Seek(0);
}

bool CSoundFile::Seek(unsigned frame)
{
    if (m_sharedOpen)
    {
        m_sharedAt = m_shared->IndexOf(frame);
        return true;
    }
    m_readOffset = -1;
    m_bufferFrames = 0;
    return m_decoder.Seek(frame);
}

double CSoundFile::GetFileDuration(const QString& path)
{
    plat::SoundDecoder::Info info;
    if (path.isEmpty() || !plat::SoundDecoder::ReadInfo(path, info) || info.rate == 0)
        return 0.0;
    return static_cast<double>(info.frames) / info.rate;
}

QString CSoundFile::FormatFileLength(const QString& path)
{
    if (path.isEmpty())
        return {};
    const auto seconds = static_cast<long long>(std::floor(GetFileDuration(path)));
    return QString::asprintf("File length %2.2lld:%2.2lld", seconds / 60, seconds % 60);
}
