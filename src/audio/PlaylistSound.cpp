#include "audio/PlaylistSound.h"

#include "model/PlaylistSegment.h"

#include <algorithm>
#include <cmath>

namespace audio
{

bool PlaylistSound::Init()
{
    if (!CSound::Init())
        return false;
    const auto* segment = dynamic_cast<const model::PlaylistSegment*>(m_segment);
    m_player.Terminate();
    m_player.m_fileList = segment ? &segment->m_files : nullptr;
    m_player.m_shuffle = segment && segment->m_randomOrder;
    m_player.m_mode = segment && segment->GetPlayStyle() == model::PlaylistSegment::kPlayStyleSlicing
                          ? CPlaylistPlayer::kModeSlices
                          : CPlaylistPlayer::kModeWholeFiles;
    // Held to the setting's range: a change time of 0 from a damaged file would switch items
    // on every frame, opening a file each time.
    const double minutes = segment ? std::trunc(segment->m_changeTime.GetValue()) : kMinChangeMinutes;
    m_player.m_itemSeconds =
        60 * static_cast<std::int32_t>(std::clamp<double>(minutes, kMinChangeMinutes, kMaxChangeMinutes));
    m_player.m_rate = m_rate;
    m_player.m_fadeFrames = CrossfadeFrames();
    m_player.m_position = m_position;
    m_player.m_errorText = &m_errorText;
    return m_player.Start();
}

bool PlaylistSound::Terminate()
{
    m_player.Terminate();
    return CSound::Terminate();
}

bool PlaylistSound::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    if (m_player.GetFrames(out, n))
        return true;
    m_errorText = ReadErrorText();
    return false;
}

bool PlaylistSound::GetSample(CStereoFrame& frame)
{
    if (m_player.GetFrame(frame))
        return true;
    m_errorText = ReadErrorText();
    return false;
}

} // namespace audio
