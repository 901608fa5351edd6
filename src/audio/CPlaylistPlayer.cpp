#include "audio/CPlaylistPlayer.h"

#include "audio/CPlItemLoop.h"
#include "audio/CPlItemSlicing.h"
#include "audio/PlayOrder.h"

#include <algorithm>
#include <new>
#include <utility>

std::int32_t CPlaylistPlayer::FileCount() const noexcept
{
    return m_fileList ? static_cast<std::int32_t>(m_fileList->size()) : 0;
}

bool CPlaylistPlayer::Fail(const QString& text)
{
    if (m_errorText)
        *m_errorText = text;
    return false;
}

bool CPlaylistPlayer::Start()
{
    Stop();
    m_running = false;
    const std::int32_t n = FileCount();
    if (n == 0)
        return true;
    try
    {
        m_order.assign(static_cast<std::size_t>(n), 0);
    }
    catch (const std::bad_alloc&)
    {
        return Fail(QStringLiteral("Failed to allocate playlist indices."));
    }
    m_order.back() = -1; // no previous round to avoid
    BuildOrder();
    m_orderIndex = 1;
    m_itemFrames = static_cast<std::uint32_t>(m_itemSeconds) * m_rate;
    if (!OpenItems())
        return false;
    m_crossfadeStart = m_position + m_itemFrames;
    m_crossfadeEnd = m_crossfadeStart + m_fadeFrames;
    m_running = true;
    return true;
}

void CPlaylistPlayer::BuildOrder()
{
    audio::RefillPlayOrder(m_order, m_shuffle);
    m_orderIndex = 0;
}

bool CPlaylistPlayer::OpenItem(CPlItem& item, std::int32_t file, std::uint32_t start)
{
    item.m_path = (*m_fileList)[static_cast<std::size_t>(file)].GetResolvedPath();
    item.m_rate = m_rate;
    item.m_playSeconds = m_itemSeconds;
    item.m_fadeFrames = m_fadeFrames;
    item.m_startPosition = start;
    item.m_endPosition = start + m_itemFrames;
    if (!item.Open())
        return Fail(QStringLiteral("Failed to open the playlist file: \n\n") + item.m_path);
    return true;
}

bool CPlaylistPlayer::OpenItems()
{
    try
    {
        if (m_mode == kModeSlices)
        {
            m_current = std::make_unique<CPlItemSlicing>();
            m_next = std::make_unique<CPlItemSlicing>();
        }
        else
        {
            m_current = std::make_unique<CPlItemLoop>();
            m_next = std::make_unique<CPlItemLoop>();
        }
    }
    catch (const std::bad_alloc&)
    {
        m_current.reset();
        m_next.reset();
        return Fail(QStringLiteral("Failed to allocate playlist items."));
    }
    const bool several = m_order.size() >= 2;
    return OpenItem(*m_current, m_order[0], m_position) &&
           OpenItem(*m_next, m_order[several ? 1 : 0], m_position + m_itemFrames);
}

bool CPlaylistPlayer::NextItem()
{
    m_current->Close();
    std::swap(m_current, m_next); // the item that faded in goes on as the current one
    if (++m_orderIndex >= static_cast<std::int32_t>(m_order.size()))
        BuildOrder();
    m_crossfadeStart += m_itemFrames;
    m_crossfadeEnd = m_crossfadeStart + m_fadeFrames;
    return OpenItem(*m_next, m_order[static_cast<std::size_t>(m_orderIndex)], m_crossfadeStart);
}

float CPlaylistPlayer::CrossfadeWeight(std::uint32_t position) const noexcept
{
    // No fade frames (a fade of 0 in the options) switches at once instead of dividing 0 by 0.
    return m_fadeFrames == 0
               ? 1.0f
               : static_cast<float>(position - m_crossfadeStart) / static_cast<float>(m_fadeFrames);
}

void CPlaylistPlayer::Crossfade(CStereoFrame& current, const CStereoFrame& next) const noexcept
{
    const float w = CrossfadeWeight(m_position);
    current.left = w * next.left + (1.0f - w) * current.left;
    current.right = w * next.right + (1.0f - w) * current.right;
}

bool CPlaylistPlayer::GetFrame(CStereoFrame& frame)
{
    frame = {};
    if (!m_running)
    {
        ++m_position;
        return true;
    }
    const bool several = m_order.size() >= 2;
    if (several && m_crossfadeEnd < m_position && !NextItem())
        return false;
    m_current->GetFrame(frame); // a failed read is a silent frame
    if (several && m_position >= m_crossfadeStart)
    {
        if (m_position == m_crossfadeStart && !m_next->Restart())
            return Fail(QStringLiteral("Failed to open the playlist file: \n\n") + m_next->m_path);
        CStereoFrame next;
        m_next->GetFrame(next);
        Crossfade(frame, next);
    }
    ++m_position;
    return true;
}

bool CPlaylistPlayer::GetFrames(CStereoFrame* out, std::uint32_t n)
{
    if (!m_running)
    {
        std::fill_n(out, n, CStereoFrame{});
        m_position += n;
        return true;
    }
    const bool several = m_order.size() >= 2;
    for (std::uint32_t done = 0; done < n;)
    {
        // The switch and the next item's restart happen on the frames GetFrame meets them;
        // between them a span reads each item in one go.
        if (several && m_crossfadeEnd < m_position && !NextItem())
            return false;
        const bool fading = several && m_position >= m_crossfadeStart;
        if (fading && m_position == m_crossfadeStart && !m_next->Restart())
            return Fail(QStringLiteral("Failed to open the playlist file: \n\n") + m_next->m_path);
        std::uint64_t span = n - done;
        if (several)
        {
            const std::uint64_t edge = fading ? std::uint64_t{m_crossfadeEnd} + 1 : m_crossfadeStart;
            span = std::min(span, edge - m_position);
        }
        // Slices draw from the thread's random stream when they start and end; in a
        // crossfade both items may, and frame by frame keeps the order of their draws.
        if (fading)
            span = std::min<std::uint64_t>(span, m_mode == kModeSlices ? 1 : std::size(m_scratch));
        const auto count = static_cast<std::uint32_t>(std::max<std::uint64_t>(span, 1));
        CStereoFrame* frames = out + done;
        m_current->GetFrames(frames, count); // a failed read is silence
        if (fading)
        {
            m_next->GetFrames(m_scratch, count);
            for (std::uint32_t i = 0; i < count; ++i)
            {
                const float w = CrossfadeWeight(m_position + i);
                frames[i].left = w * m_scratch[i].left + (1.0f - w) * frames[i].left;
                frames[i].right = w * m_scratch[i].right + (1.0f - w) * frames[i].right;
            }
        }
        m_position += count;
        done += count;
    }
    return true;
}

bool CPlaylistPlayer::Stop()
{
    m_order.clear();
    m_order.shrink_to_fit();
    m_current.reset();
    m_next.reset();
    return true;
}

bool CPlaylistPlayer::Terminate()
{
    Stop();
    m_running = false;
    return true;
}
