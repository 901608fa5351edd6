#include "audio/CQueueStream.h"

#include "audio/AudioMessage.h"

#include <new>

bool CQueueStream::Create(unsigned rate, int channels)
{
    Free();
    if (rate > 0 && channels == 2)
    {
        try
        {
            m_fifo = std::make_unique<plat::FrameFifo>(rate * kSeconds);
        }
        catch (const std::bad_alloc&)
        {
            m_fifo.reset();
        }
    }
    if (!m_fifo)
        audio::ShowMessage(QStringLiteral("Failed to create a queue stream."));
    return m_fifo != nullptr;
}

bool CQueueStream::PutData(const CStereoFrame* frames, std::uint32_t count)
{
    if (!m_fifo)
        return false;
    // Only this thread adds frames, so the room can only grow between the check and the copy.
    if (m_fifo->Space() < count)
        return false;
    m_fifo->Write(reinterpret_cast<const float*>(frames), count);
    return true;
}

std::uint32_t CQueueStream::GetData(CStereoFrame* buffer, std::uint32_t count)
{
    if (!m_fifo)
        return 0;
    return m_fifo->Read(reinterpret_cast<float*>(buffer), count);
}

std::uint32_t CQueueStream::Queued() const
{
    return m_fifo ? m_fifo->Available() : 0;
}

void CQueueStream::Free()
{
    m_fifo.reset();
}
