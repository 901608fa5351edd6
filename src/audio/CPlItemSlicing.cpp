#include "audio/CPlItemSlicing.h"

#include "platform/Random.h"

#include <algorithm>

CPlItemSlicing::CPlItemSlicing() : m_a(kCrossfadeFrames), m_b(kCrossfadeFrames) {}

void CPlItemSlicing::OnStarted()
{
    CPlItem::OnStarted();
    m_started = false;
}

void CPlItemSlicing::Start()
{
    m_started = true;
    m_fileLength = m_file.GetLength();
    m_sliceLength = 0;
    m_sliceCounter = 0;
    m_crossfadeCounter = 0;
    if (m_fileLength == 0)
        return;
    m_nextSliceStart = static_cast<std::uint32_t>(RandomUnit() * m_fileLength);
    PickSlice();
    m_file.Seek(m_bodyPosition);
}

void CPlItemSlicing::PickSlice()
{
    const std::uint32_t length = m_fileLength;
    const std::uint32_t rate = m_rate;
    // Unsigned on purpose: a file shorter than two crossfades wraps to a huge room and so
    // allows the longest slices.
    const std::uint32_t room = length - 2 * kCrossfadeFrames;
    const std::uint32_t cap = std::min(room, kLongestSliceSeconds * rate);
    const double longest = std::max(kShortestLongestSliceSeconds * rate, cap);
    const double shortest = kMinSliceSeconds * rate;
    m_sliceLength = static_cast<std::uint32_t>(RandomUnit() * (longest - shortest) + shortest);
    m_bodyPosition =
        static_cast<std::uint32_t>((std::uint64_t(m_nextSliceStart) + kCrossfadeFrames) % length);
    m_nextSliceStart = static_cast<std::uint32_t>(RandomUnit() * length);
    m_sliceCounter = 0;
    m_crossfadeCounter = 0;
}

void CPlItemSlicing::FillCrossfade()
{
    // B goes on from where the slice body stands; A is the next slice's opening, after which
    // the file stands where the next body begins.
    m_file.ReadFrames(m_b.data(), kCrossfadeFrames);
    m_file.Seek(m_nextSliceStart);
    m_file.ReadFrames(m_a.data(), kCrossfadeFrames);
}

void CPlItemSlicing::GetCrossfadeFrame(CStereoFrame& frame) const noexcept
{
    const std::size_t i = m_crossfadeCounter;
    const float w = static_cast<float>(i) / static_cast<float>(kCrossfadeFrames - 1);
    frame.left = w * m_a[i].left + (1.0f - w) * m_b[i].left;
    frame.right = w * m_a[i].right + (1.0f - w) * m_b[i].right;
}

bool CPlItemSlicing::GetFrames(CStereoFrame* frames, std::uint32_t n)
{
    bool ok = true;
    for (std::uint32_t done = 0; done < n;)
    {
        if (!m_open || !m_started || m_fileLength == 0 || m_sliceCounter >= m_sliceLength)
        {
            // Starts, silence and crossfade frames as GetFrame gives them.
            ok = GetFrame(frames[done]) && ok;
            ++done;
            continue;
        }
        const std::uint32_t count = std::min(n - done, m_sliceLength - m_sliceCounter);
        const std::uint32_t read = m_file.ReadFrames(frames + done, count);
        m_framesPlayed += static_cast<std::int32_t>(count);
        m_runningPosition += count;
        m_sliceCounter += read;
        m_bodyPosition = static_cast<std::uint32_t>((std::uint64_t{m_bodyPosition} + read) % m_fileLength);
        if (read < count)
        {
            // A failed read holds the slice where it stopped, as GetFrame does: silence on.
            ok = false;
            for (std::uint32_t i = done + count; i < n; ++i)
                ok = GetFrame(frames[i]) && ok;
            return false;
        }
        done += count;
    }
    return ok;
}

bool CPlItemSlicing::GetFrame(CStereoFrame& frame)
{
    frame = {};
    if (!m_open)
        return false;
    if (!m_started)
        Start();
    if (m_fileLength == 0)
        return true;
    ++m_framesPlayed;
    ++m_runningPosition;
    if (m_sliceCounter < m_sliceLength)
    {
        if (!m_file.ReadFrame(frame))
            return false;
        ++m_sliceCounter;
        m_bodyPosition = (m_bodyPosition + 1) % m_fileLength;
        return true;
    }
    if (m_crossfadeCounter == 0)
        FillCrossfade();
    GetCrossfadeFrame(frame);
    if (++m_crossfadeCounter == kCrossfadeFrames)
        PickSlice();
    return true;
}
