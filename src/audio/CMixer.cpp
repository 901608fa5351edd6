#include "audio/CMixer.h"

#include "audio/AudioMessage.h"
#include "audio/CPlItem.h"
#include "audio/CSoundAmbientMusic.h"
#include "audio/CSoundBells.h"
#include "audio/CSoundBreathwork.h"
#include "audio/CSoundMusicExt.h"
#include "audio/CSoundNatureBG.h"
#include "audio/CSoundNoise.h"
#include "audio/CSoundSuggestions.h"
#include "audio/CSoundTone.h"
#include "model/CSegment.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegments.h"
#include "model/CTracks.h"
#include "model/PlaylistSegment.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/DenormalGuard.h"
#include "platform/audio/PlayedHistory.h"
#include "platform/audio/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <numeric>
#include <system_error>

namespace
{

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The output stream keeps about 300 ms buffered; a request not answered within twice that
// has already cost the device its buffer, and waiting on would only hold the stream thread.
constexpr auto kDeviceWaitBound = 600ms;
// An offline render has no device to keep fed; the bound only guards against a lost worker.
constexpr auto kOfflineWaitBound = 60s;
constexpr std::uint32_t kMaxFrame = std::numeric_limits<std::uint32_t>::max();

// trunc(x) as a frame count: 0 for negative or NaN values, the largest frame for too large ones.
std::uint32_t TruncFrame(double x) noexcept
{
    if (!(x > 0.0))
        return 0;
    if (x >= static_cast<double>(kMaxFrame))
        return kMaxFrame;
    return static_cast<std::uint32_t>(x);
}

// How fast the measured cost of a frame follows the blocks.
constexpr double kFrameCostFollow = 0.2;

// The Init and Terminate of generators whose edges edit state the process shares, one at a
// time across the process: STK keeps its sample rate, raw-wave folder and the list of objects
// told of rate changes in statics that making and freeing an instrument edit, and a track's
// segment may start on any thread of the pool.
std::mutex& SegmentEdgeMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::unique_lock<std::mutex> LockEdgesOf(const CSound& sound)
{
    if (!sound.EdgesShareProcessState())
        return {};
    return std::unique_lock(SegmentEdgeMutex());
}

float FiniteOrZero(float x) noexcept
{
    return std::isfinite(x) ? x : 0.0f;
}

// The bin after the last of band j of count, given the bin after the previous band's last:
// trunc(2 ^ (j x 10 / (count - 1))), at most the last bin but one, and at least one bin on.
int BandEnd(int j, int count, int previous) noexcept
{
    const int n = static_cast<int>(std::pow(2.0, j * 10.0 / (count - 1)));
    return std::max(std::min(n, plat::Spectrum::kBins - 1), previous + 1);
}

} // namespace

CMixer::CMixer()
    : m_block(std::make_unique<CStereoFrame[]>(kMaxBlockFrames)),
      m_spectrum(std::make_unique<plat::Spectrum>())
{
    m_brainwavesBlock.Reserve(kMaxBlockFrames);
    m_bilateralBlock.Reserve(kMaxBlockFrames);
}

CMixer::~CMixer()
{
    Stop();
}

void CMixer::SetSoundFactory(SoundFactory factory)
{
    m_factory = std::move(factory);
}

std::unique_ptr<CSound> CMixer::CreateKindSound(std::int32_t kind)
{
    switch (kind)
    {
    case CSegment::kKindVoice:
        return std::make_unique<CSoundSuggestions>();
    case CSegment::kKindAmbientMusic:
        return std::make_unique<CSoundAmbientMusic>();
    case CSegment::kKindNature:
        return std::make_unique<CSoundNatureBG>();
    case CSegment::kKindBells:
        return std::make_unique<CSoundBells>();
    case CSegment::kKindTone:
        return std::make_unique<CSoundTone>();
    case CSegment::kKindNoise:
        return std::make_unique<CSoundNoise>();
    case CSegment::kKindBreathwork:
        return std::make_unique<CSoundBreathwork>();
    case CSegment::kKindExternalAudio:
        return std::make_unique<CSoundMusicExt>();
    default:
        return nullptr;
    }
}

bool CMixer::Play(CPlaybackParams& params, rt::MixerBlockSink* levelWindow)
{
    return Start(params, levelWindow, false);
}

bool CMixer::PlayOffline(CPlaybackParams& params, rt::MixerBlockSink* levelWindow)
{
    return Start(params, levelWindow, true);
}

bool CMixer::Start(CPlaybackParams& params, rt::MixerBlockSink* levelWindow, bool offline)
{
    // The view stops a playback before it starts the next; a second worker on the same
    // tracks would corrupt both.
    Stop();
    if (offline)
    {
        // No worker: the caller's thread renders each block in StreamProc, so an offline render
        // pays no hand-off between threads (and no trip between cores) per block.
        if (!Prepare(params))
            return false;
        m_inline = true;
        m_playing.store(true, std::memory_order_release);
    }
    else
    {
        if (!StartThread(params))
            return false;
        m_started.Wait();
    }
    m_levelWindow = levelWindow;
    m_offline = offline;
    if (offline)
    {
        m_waitBound = std::chrono::duration_cast<std::chrono::milliseconds>(kOfflineWaitBound);
        m_offlineHistory = std::make_unique<plat::PlayedHistory>(m_rate);
        if (m_levelWindow != nullptr)
            m_levelWindow->OnMixerClock(this);
        return true;
    }
    m_waitBound = kDeviceWaitBound;
    m_output = plat::AudioOutput::CreateWithProcedure(m_rate,
                                                      [this](float* frames, std::uint32_t count)
                                                      {
                                                          count = std::min(count, kMaxBlockFrames);
                                                          return StreamProc(frames, count * kBytesPerFrame) /
                                                                 kBytesPerFrame;
                                                      });
    if (!m_output)
    {
        ShowMessage(kStreamError);
        Stop();
        return false;
    }
    // A device that fails to start leaves the stream playing on the null device; the layer
    // asks its caller to say so.
    if (!m_output->Play())
        audio::ShowMessage(plat::AudioSystem::LastError());
    if (m_levelWindow != nullptr)
        m_levelWindow->OnMixerClock(this);
    return true;
}

void CMixer::KeepLoops(const CPlaybackParams& params)
{
    // Each playlist's first file and looping external audio first, as the likeliest to sound
    // at Play; the rest of the playlists' files after them, while the keeper's budget lasts.
    std::vector<QString> paths;
    std::vector<QString> later;
    if (params.m_tracks != nullptr)
    {
        const CTracks& tracks = *params.m_tracks;
        for (std::int32_t t = 0; t < tracks.GetCount(); ++t)
        {
            const CTrack& track = tracks.GetTrack(t);
            if (!track.m_active)
                continue;
            const CSegments& segments = track.m_segments;
            for (std::int32_t i = 0; i < segments.GetCount(); ++i)
            {
                const CSegment* segment = segments.GetSegment(i).get();
                if (segment == nullptr || segment->GetKind() != track.m_kind)
                    continue; // the engine never plays it
                if (const auto* playlist = dynamic_cast<const model::PlaylistSegment*>(segment))
                    for (std::size_t f = 0; f < playlist->m_files.size(); ++f)
                        (f == 0 ? paths : later).push_back(playlist->m_files[f].GetResolvedPath());
                if (const auto* external = dynamic_cast<const CSegmentMusicExt*>(segment);
                    external != nullptr && external->m_loop && !external->m_path.isEmpty())
                    paths.push_back(external->m_path);
            }
        }
    }
    paths.insert(paths.end(), later.begin(), later.end());
    m_keptLoops.Keep(std::move(paths), params.m_rate, CPlItem::kMaxSharedFrames);
}

bool CMixer::Prepare(CPlaybackParams& params)
{
    m_stop.store(false, std::memory_order_relaxed);
    m_abort.store(false, std::memory_order_relaxed);
    m_playing.store(false, std::memory_order_relaxed);
    m_notifyWindow = params.m_notifyWindow;
    if (params.m_tracks == nullptr)
        return false;

    if (params.m_previewOnly)
    {
        // Nothing to preview without the segment: the view passes its selection, which may be none.
        const CTracks& tracks = *params.m_tracks;
        if (params.m_previewTrack < 0 || params.m_previewTrack >= tracks.GetCount())
            return false;
        const CSegments& segments = tracks.GetTrack(params.m_previewTrack).m_segments;
        if (params.m_previewSegment < 0 || params.m_previewSegment >= segments.GetCount())
            return false;
        params.m_startFraction = segments.GetSegment(params.m_previewSegment)->m_begin;
    }

    m_rate = params.m_rate;
    m_sessionSeconds = params.m_sessionSeconds;
    // 32-bit frame counts hold 12 hours at 96 kHz; a longer session is cut there rather than wrapped.
    m_totalFrames = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{m_rate} * m_sessionSeconds, kMaxFrame));
    m_startFraction = std::isfinite(params.m_startFraction) ? params.m_startFraction : 0.0;
    m_segmentFadeFrames = TruncFrame(m_rate * params.m_segmentFadeSeconds);
    m_playlistFadeFrames = TruncFrame(m_rate * params.m_playlistFadeSeconds);
    m_startFrame = m_currentFrame = TruncFrame(double(m_rate) * m_startFraction * double(m_sessionSeconds));
    m_preview.store(params.m_previewOnly, std::memory_order_relaxed);

    m_brainwavesGlobal = params.m_brainwavesGlobal != nullptr ? params.m_brainwavesGlobal : &m_ownBrainwaves;
    m_bilateralGlobal = params.m_bilateralGlobal != nullptr ? params.m_bilateralGlobal : &m_ownBilateral;
    m_brainwavesGlobal->StartClock(m_startFrame, m_rate, m_totalFrames);
    m_bilateralGlobal->StartClock(m_startFrame, m_rate, m_totalFrames);

    if (!CreateTracks(params))
        return false;
    m_tonePlays =
        std::any_of(m_tracks.begin(), m_tracks.end(),
                    [](const CMixerTrack& t) { return t.m_active && t.m_kind == CSegment::kKindTone; });
    StartPool();

    m_requestWord.store(0, std::memory_order_relaxed);
    m_doneId.store(0, std::memory_order_relaxed);
    m_lastRequestId = 0;
    m_handedFrames = 0;
    m_pendingId = 0;
    m_pendingFrames = m_carryAt = m_carryLeft = 0;
    m_silentFrames.store(0, std::memory_order_relaxed);
    m_underruns.store(0, std::memory_order_relaxed);
    m_offlinePlayed.store(0, std::memory_order_relaxed);
    m_renderLoad.store(0.0, std::memory_order_relaxed);
    return true;
}

bool CMixer::StartThread(CPlaybackParams& params)
{
    if (!Prepare(params))
        return false;
    m_started.Reset();
    m_request.Reset();
    m_done.Reset();
    m_workerRunning.store(true, std::memory_order_release);
    try
    {
        m_thread = std::thread([this] { ThreadProc(); });
    }
    catch (const std::system_error&)
    {
        m_workerRunning.store(false, std::memory_order_release);
        ShowMessage(kThreadError);
        m_pool.Stop();
        FreeTracks();
        return false;
    }
    return true;
}

void CMixer::StartPool() noexcept
{
    unsigned threads = m_renderThreads != 0 ? m_renderThreads : std::thread::hardware_concurrency();
    // More threads than tracks would only wait.
    threads = static_cast<unsigned>(
        std::min<std::size_t>(std::max(threads, 1u), std::max<std::size_t>(m_tracks.size(), 1)));
    m_frameCost = 0.0;
    try
    {
        m_pool.Start(threads - 1);
        m_poolThreads = threads;
    }
    catch (const std::exception&)
    {
        // The worker alone renders every track, as with one thread.
        m_poolThreads = 1;
    }
}

bool CMixer::CreateTracks(const CPlaybackParams& params)
{
    const CTracks& tracks = *params.m_tracks;
    const std::int32_t count = tracks.GetCount();
    try
    {
        m_tracks.clear();
        m_tracks.resize(static_cast<std::size_t>(count));
        m_renderOrder.resize(m_tracks.size());
        std::iota(m_renderOrder.begin(), m_renderOrder.end(), 0u);
    }
    catch (const std::bad_alloc&)
    {
        ShowMessage(kTracksError);
        FreeTracks();
        return false;
    }
    for (std::int32_t i = 0; i < count; ++i)
    {
        const CTrack& source = tracks.GetTrack(i);
        CMixerTrack& track = m_tracks[static_cast<std::size_t>(i)];
        // Seeded in track order, so a seed override gives every track the same draws each time.
        track.m_random.Seed(plat::NewRandomSeed());
        plat::ScopedRandom random(track.m_random);
        track.m_segments = &source.m_segments;
        track.m_segmentCount = source.m_segments.GetCount();
        track.m_kind = source.m_kind;
        track.m_active = source.m_active && track.m_segmentCount > 0;
        if (!CreateTrackSound(track, source.m_kind))
        {
            FreeTracks();
            return false;
        }
        track.m_current = -1;
        if (params.m_previewOnly)
        {
            // The previewed segment itself, not the first one that holds its begin: a segment
            // ending where it begins would otherwise sound first and end the preview at once.
            track.m_active = i == params.m_previewTrack && track.m_segmentCount > 0;
            if (track.m_active && IsPlayable(track, params.m_previewSegment, 0))
            {
                const CSegment& segment = *source.m_segments.GetSegment(params.m_previewSegment);
                track.m_current = params.m_previewSegment;
                track.m_segmentStart = FrameOf(segment.m_begin);
                track.m_segmentEnd = FrameOf(segment.m_end);
            }
            else if (i == params.m_previewTrack)
            {
                // A segment the engine skips (it ends before it begins, or is of another kind
                // than its track) never starts, so it could never end the preview either: the
                // preview is over before its first block.
                m_currentFrame = m_totalFrames;
            }
        }
        else
        {
            FindFirstSegment(track);
        }
        track.m_startPending = true;
    }
    return true;
}

bool CMixer::CreateTrackSound(CMixerTrack& track, std::int32_t kind)
{
    try
    {
        // A track without segments never sounds, so it needs no generator: an empty track of
        // a kind this build cannot play does not stop the others.
        if (track.m_segmentCount > 0)
        {
            if (CSegment::IsValidKind(kind))
                track.m_sound = m_factory ? m_factory(kind) : CreateKindSound(kind);
            if (!track.m_sound)
            {
                ShowMessage(kSoundError);
                return false;
            }
        }
        track.m_effects = std::make_unique<CEffectsProcessor>();
    }
    catch (const std::bad_alloc&)
    {
        ShowMessage(kSoundError);
        return false;
    }
    try
    {
        track.m_block = std::make_unique<CStereoFrame[]>(kMaxBlockFrames);
    }
    catch (const std::bad_alloc&)
    {
        ShowMessage(kBlockError);
        return false;
    }
    return true;
}

std::uint32_t CMixer::FrameOf(double fraction) const noexcept
{
    return TruncFrame(fraction * m_totalFrames);
}

bool CMixer::IsPlayable(const CMixerTrack& track, std::int32_t index, std::uint32_t after) const noexcept
{
    const CSegment& segment = *track.m_segments->GetSegments()[static_cast<std::size_t>(index)];
    // A segment of another kind would be read as the generator's own kind; one that ends
    // before it begins, or before the frame the track stands on, would never be reached and
    // would hold the track on it for the rest of the playback.
    if (segment.GetKind() != track.m_kind)
        return false;
    const std::uint32_t start = FrameOf(segment.m_begin);
    const std::uint32_t end = FrameOf(segment.m_end);
    return end >= start && end >= after;
}

void CMixer::FindFirstSegment(CMixerTrack& track) noexcept
{
    const double s = m_startFraction;
    const auto& segments = track.m_segments->GetSegments();
    for (std::int32_t i = 0; i < track.m_segmentCount; ++i)
    {
        const CSegment& segment = *segments[static_cast<std::size_t>(i)];
        const bool qualifies = (segment.m_begin <= s && s <= segment.m_end) || s <= segment.m_begin;
        if (qualifies && IsPlayable(track, i, 0))
        {
            track.m_current = i;
            track.m_segmentStart = FrameOf(segment.m_begin);
            track.m_segmentEnd = FrameOf(segment.m_end);
            return;
        }
    }
}

void CMixer::NextSegment(CMixerTrack& track, std::uint32_t frame) noexcept
{
    const auto& segments = track.m_segments->GetSegments();
    for (++track.m_current; track.m_current < track.m_segmentCount; ++track.m_current)
    {
        // The next segment must end after this frame: one ending on it or before would never be met.
        if (frame == kMaxFrame || !IsPlayable(track, track.m_current, frame + 1))
            continue;
        const CSegment& segment = *segments[static_cast<std::size_t>(track.m_current)];
        track.m_segmentStart = FrameOf(segment.m_begin);
        track.m_segmentEnd = FrameOf(segment.m_end);
        track.m_startPending = true;
        return;
    }
}

void CMixer::PrepareSound(CMixerTrack& track, std::uint32_t frame) noexcept
{
    CSound& sound = *track.m_sound;
    CSegment* segment = track.m_segments->GetSegments()[static_cast<std::size_t>(track.m_current)].get();
    sound.m_rate = m_rate;
    sound.m_sessionSeconds = m_sessionSeconds;
    sound.m_segment = segment;
    sound.m_effects = track.m_effects.get();
    sound.m_segmentStart = FrameOf(segment->m_begin);
    sound.m_segmentEnd = FrameOf(segment->m_end);
    sound.m_position = frame - sound.m_segmentStart;
    sound.m_segmentLength = FrameOf(segment->m_end - segment->m_begin);
    sound.m_absoluteFrame = frame;
    sound.m_fadeFrames = m_segmentFadeFrames;
    sound.m_playlistFadeFrames = m_playlistFadeFrames;
    sound.m_brainwavesGlobal = m_brainwavesGlobal;
    sound.m_bilateralGlobal = m_bilateralGlobal;
}

bool CMixer::StartSegment(CMixerTrack& track, std::uint32_t frame) noexcept
{
    CSound& sound = *track.m_sound;
    PrepareSound(track, frame);
    bool ok = false;
    try
    {
        const auto lock = LockEdgesOf(sound);
        ok = sound.Init();
    }
    catch (const std::exception&)
    {
        ok = false;
    }
    if (!ok)
    {
        Fail(track, sound.GetErrorText().isEmpty() ? QString::fromLatin1(kSoundError) : sound.GetErrorText());
        return false;
    }
    track.m_startPending = false;
    return true;
}

void CMixer::EndSegment(CMixerTrack& track, std::uint32_t frame) noexcept
{
    {
        const auto lock = LockEdgesOf(*track.m_sound);
        track.m_sound->Terminate();
    }
    // A preview ends after its segment; the stream goes on with silence until the view
    // stops it, so the track's next segment must not start meanwhile.
    if (m_preview.load(std::memory_order_relaxed))
    {
        m_playing.store(false, std::memory_order_release);
        track.m_current = track.m_segmentCount;
    }
    else
    {
        NextSegment(track, frame);
    }
}

bool CMixer::RenderTrackBlock(CMixerTrack& track, std::uint32_t frames) noexcept
{
    CStereoFrame* block = track.m_block.get();
    std::fill_n(block, frames, CStereoFrame{});
    CEffectsProcessor& effects = *track.m_effects;
    if (!track.m_active || track.m_current < 0 || track.m_current >= track.m_segmentCount)
    {
        effects.Process(block, frames); // the last segment's effect tail fades out
        return true;
    }
    CSound& sound = *track.m_sound;
    std::uint32_t f = 0;
    // Spans between the segment's edges: silence before its start, its frames as runs, then
    // the next segment, as the per-frame walk meets them. A run ends at the effects' grid, so
    // that each piece of the effects starts with the levels of its first frame.
    while (f < frames)
    {
        if (!track.m_active || track.m_current < 0 || track.m_current >= track.m_segmentCount ||
            m_blockAborted)
        {
            sound.m_absoluteFrame += frames - f;
            effects.Process(block + f, frames - f);
            break;
        }
        const std::uint32_t e = m_blockStartFrame + f;
        if (e < track.m_segmentStart)
        {
            const std::uint32_t n = std::min(frames - f, track.m_segmentStart - e);
            effects.Process(block + f, n);
            f += n;
            continue;
        }
        if (e > track.m_segmentEnd)
        {
            effects.Process(block + f, frames - f);
            break; // a segment the start frame passed is never reached again
        }
        const bool starts = e == track.m_segmentStart || track.m_startPending;
        if (starts && !StartSegment(track, e))
            return false;
        const std::uint32_t span =
            std::min(frames - f, CEffectsProcessor::kGridFrames - e % CEffectsProcessor::kGridFrames);
        const std::uint32_t last = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(track.m_segmentEnd, std::uint64_t{e} + span - 1));
        const std::uint32_t count = last - e + 1;
        // A piece of the effects begins at the segment's start and at each grid point.
        const std::uint32_t head = starts || e % CEffectsProcessor::kGridFrames == 0 ? 1 : 0;
        if (head > 0)
        {
            if (!RenderSoundRun(track, block + f, 1, f))
                return false;
            effects.LatchSettings();
        }
        if (count > head && !RenderSoundRun(track, block + f + head, count - head, f + head))
            return false;
        effects.Process(block + f, count);
        f += count;
        if (last == track.m_segmentEnd)
            EndSegment(track, last);
    }
    return true;
}

bool CMixer::RenderSoundRun(CMixerTrack& track, CStereoFrame* out, std::uint32_t n,
                            std::uint32_t offset) noexcept
{
    if (track.m_sound->RenderBlock(out, n, {&m_brainwavesBlock, &m_bilateralBlock, offset}))
        return true;
    Fail(track, track.m_sound->GetErrorText());
    return false;
}

bool CMixer::RenderBlock(std::uint32_t frames) noexcept
{
    if (m_blockRenderer != nullptr)
        return m_blockRenderer->RenderBlock(*this, frames);
    CStereoFrame* out = m_block.get();
    std::fill_n(out, frames, CStereoFrame{});
    m_blockStartFrame = m_currentFrame;
    m_blockFrames = frames;
    m_blockAborted = m_abort.load(std::memory_order_relaxed);
    // The session clocks once for every track; the tracks only read them.
    m_brainwavesGlobal->FillBlock(m_brainwavesBlock, frames, m_tonePlays);
    m_bilateralGlobal->FillBlock(m_bilateralBlock, frames, false);
    // Every track renders its block, even after one failed, so which tracks rendered does not
    // depend on which ran first; the block is then silenced as a whole.
    const unsigned threads = ThreadsFor(frames);
    if (threads > 1)
        std::sort(m_renderOrder.begin(), m_renderOrder.end(),
                  [this](std::uint32_t a, std::uint32_t b)
                  { return m_tracks[a].m_renderSeconds > m_tracks[b].m_renderSeconds; });
    m_pool.Run(threads, static_cast<std::uint32_t>(m_tracks.size()), &CMixer::RenderTrackTask, this);
    double busy = 0.0;
    for (const CMixerTrack& track : m_tracks)
        busy += track.m_renderSeconds;
    if (frames > 0)
        m_frameCost += kFrameCostFollow * (busy / frames - m_frameCost);
    if (!PostFirstError())
        return false;
    SumTracks(out, frames);
    m_currentFrame = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{m_blockStartFrame} + frames, kMaxFrame));
    return true;
}

void CMixer::SumTracks(CStereoFrame* out, std::uint32_t frames) const noexcept
{
    // In track order, so the sum is the same bits whichever thread rendered which track.
    for (const CMixerTrack& track : m_tracks)
    {
        if (!track.m_active)
            continue;
        // A generator or effect that produced a non-number silences its frame, not the session.
        const CStereoFrame* block = track.m_block.get();
        for (std::uint32_t f = 0; f < frames; ++f)
        {
            out[f].left += FiniteOrZero(block[f].left);
            out[f].right += FiniteOrZero(block[f].right);
        }
    }
}

void CMixer::RenderTrackTask(void* mixer, std::uint32_t index) noexcept
{
    CMixer& self = *static_cast<CMixer*>(mixer);
    CMixerTrack& track = self.m_tracks[self.m_renderOrder[index]];
    const auto t0 = Clock::now();
    plat::ScopedRandom random(track.m_random);
    track.m_failed = false;
    if (!self.RenderTrackBlock(track, self.m_blockFrames))
        track.m_failed = true;
    track.m_renderSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
}

unsigned CMixer::ThreadsFor(std::uint32_t frames) const noexcept
{
    if (m_poolThreads <= 1)
        return 1;
    // Nothing measured yet: the first block starts every track's segment, the most costly
    // block of a playback, and the sooner it is done the sooner the session sounds.
    if (!(m_workPerThread > 0.0) || !(m_frameCost > 0.0))
        return m_poolThreads;
    double perThread = m_workPerThread;
    if (!m_inline && m_rate > 0)
        perThread = std::max(perThread, kRealTimeSplitShare * frames / m_rate);
    const double threads = m_frameCost * frames / perThread;
    if (!(threads >= 2.0))
        return 1;
    return threads >= m_poolThreads ? m_poolThreads : static_cast<unsigned>(threads);
}

void CMixer::Fail(CMixerTrack& track, const QString& text) noexcept
{
    track.m_failed = true;
    track.m_errorText = text; // shares the text's data: no allocation
}

bool CMixer::PostFirstError() noexcept
{
    const auto failed =
        std::find_if(m_tracks.begin(), m_tracks.end(), [](const CMixerTrack& t) { return t.m_failed; });
    if (failed == m_tracks.end())
        return true;
    PostError(failed->m_errorText);
    for (CMixerTrack& track : m_tracks)
        track.m_failed = false;
    return false;
}

void CMixer::ServeRequest(std::uint32_t frames) noexcept
{
    const auto t0 = Clock::now();
    if (m_currentFrame < m_totalFrames)
    {
        RenderBlock(frames);
    }
    else
    {
        std::fill_n(m_block.get(), frames, CStereoFrame{});
        m_playing.store(false, std::memory_order_release);
    }
    const double busy = std::chrono::duration<double>(Clock::now() - t0).count();
    if (frames > 0 && m_rate > 0)
    {
        const double load = std::min(1.0, busy * m_rate / frames);
        const double last = m_renderLoad.load(std::memory_order_relaxed);
        m_renderLoad.store(last + 0.2 * (load - last), std::memory_order_relaxed);
    }
}

void CMixer::ThreadProc() noexcept
{
    plat::DenormalGuard denormals;
    // Playing is set before started: Play returns on started, and must find the mixer playing.
    m_playing.store(true, std::memory_order_release);
    m_started.Set();
    m_request.Wait();
    std::uint32_t served = 0;
    while (!m_stop.load(std::memory_order_acquire))
    {
        const std::uint64_t request = m_requestWord.load(std::memory_order_acquire);
        const auto id = static_cast<std::uint32_t>(request >> 32);
        const auto frames = static_cast<std::uint32_t>(request & 0xffffffffu);
        if (id != served)
        {
            served = id;
            ServeRequest(frames);
            m_doneId.store(id, std::memory_order_release);
        }
        m_done.Set();
        m_request.Wait();
    }
    m_playing.store(false, std::memory_order_release);
    FreeTracks();
    // A stream procedure still waiting must not wait for a worker that has gone.
    m_workerRunning.store(false, std::memory_order_release);
    m_done.Set();
}

std::uint32_t CMixer::StreamProc(float* buffer, std::uint32_t bytes) noexcept
{
    if (m_stop.load(std::memory_order_acquire) || buffer == nullptr)
        return 0;
    const std::uint32_t frames = std::min(bytes / kBytesPerFrame, kMaxBlockFrames);
    if (frames == 0)
        return 0;

    // A late block delays the session's sound, never drops it: the request stays outstanding
    // across calls (the output plays silence meanwhile), and its frames follow once the worker
    // answers. A block larger than this call takes is handed on over the next calls.
    bool answered = m_carryLeft > 0;
    if (!answered && m_inline)
    {
        plat::DenormalGuard denormals;
        ServeRequest(frames);
        answered = true;
        m_carryAt = 0;
        m_carryLeft = frames;
    }
    if (!answered)
    {
        if (m_pendingId == 0)
        {
            m_pendingId = ++m_lastRequestId;
            m_pendingFrames = frames;
            m_requestWord.store((std::uint64_t{m_pendingId} << 32) | frames, std::memory_order_release);
            m_request.Set();
        }
        const auto deadline = Clock::now() + m_waitBound;
        for (;;)
        {
            if (m_doneId.load(std::memory_order_acquire) == m_pendingId)
            {
                answered = true;
                m_carryAt = 0;
                m_carryLeft = m_pendingFrames;
                m_pendingId = 0;
                break;
            }
            if (!m_workerRunning.load(std::memory_order_acquire))
            {
                m_pendingId = 0;
                break;
            }
            const auto now = Clock::now();
            if (now >= deadline)
                break;
            m_done.WaitFor(deadline - now);
        }
    }
    std::uint32_t n = frames;
    std::uint64_t stamp = std::uint64_t{m_startFrame} + m_handedFrames;
    if (answered)
    {
        n = std::min(frames, m_carryLeft);
        std::memcpy(buffer, m_block.get() + m_carryAt, std::size_t{n} * kBytesPerFrame);
        m_carryAt += n;
        m_carryLeft -= n;
        m_handedFrames += n;
    }
    else
    {
        std::memset(buffer, 0, std::size_t{n} * kBytesPerFrame);
        if (m_workerRunning.load(std::memory_order_acquire))
        {
            m_underruns.fetch_add(1, std::memory_order_relaxed);
            // Silence that stands for no session frame: the heard position waits through it.
            m_silentFrames.fetch_add(n, std::memory_order_relaxed);
        }
    }
    if (m_offline)
    {
        m_offlineHistory->Push(buffer, n);
        m_offlinePlayed.fetch_add(n, std::memory_order_relaxed);
    }
    if (m_levelWindow != nullptr)
        m_levelWindow->OnMixerBlockAt(buffer, n, stamp);
    return n * kBytesPerFrame;
}

void CMixer::PostError(const QString& text) noexcept
{
    if (m_notifyWindow != nullptr)
    {
        try
        {
            m_notifyWindow->PostMixerError(text);
        }
        catch (...)
        {
            // The text cannot be delivered; the silence below still stops the session's sound.
        }
    }
    m_abort.store(true, std::memory_order_relaxed);
}

void CMixer::FreeTracks() noexcept
{
    std::lock_guard lock(SegmentEdgeMutex());
    m_tracks.clear();
}

void CMixer::ShowMessage(const char* text) const
{
    audio::ShowMessage(QString::fromLatin1(text));
}

void CMixer::Stop()
{
    // The level window gives the clock back before the stream it reads goes.
    if (m_levelWindow != nullptr)
        m_levelWindow->OnMixerClock(nullptr);
    m_output.reset();
    if (m_thread.joinable())
    {
        m_stop.store(true, std::memory_order_release);
        m_request.Set();
        m_thread.join();
    }
    if (m_inline)
    {
        m_stop.store(true, std::memory_order_release);
        FreeTracks();
        m_inline = false;
    }
    m_pool.Stop();
    m_playing.store(false, std::memory_order_release);
    m_offline = false;
    m_offlineHistory.reset();
    m_levelWindow = nullptr;
}

double CMixer::GetPosition() const
{
    std::uint64_t played = 0;
    if (m_output)
        played = m_output->PlayedFrames();
    else if (m_offlineHistory)
        played = m_offlinePlayed.load(std::memory_order_relaxed);
    else
        return 0.0;
    if (m_rate == 0)
        return 0.0;
    return double(played) / m_rate + m_startFraction * m_sessionSeconds;
}

std::uint64_t CMixer::GetHeardFrame() const noexcept
{
    std::uint64_t heard = 0;
    if (m_output)
    {
        const std::uint64_t played = m_output->PlayedFrames();
        const std::uint64_t behind =
            m_output->LatencyFrames() + m_silentFrames.load(std::memory_order_relaxed);
        heard = played > behind ? played - behind : 0;
    }
    else if (m_offlineHistory)
    {
        const std::uint64_t played = m_offlinePlayed.load(std::memory_order_relaxed);
        const std::uint64_t silent = m_silentFrames.load(std::memory_order_relaxed);
        heard = played > silent ? played - silent : 0;
    }
    else
        return 0;
    return heard + m_startFrame;
}

double CMixer::GetHeardPosition() const
{
    return m_rate == 0 ? 0.0 : double(GetHeardFrame()) / m_rate;
}

void CMixer::GetLevels(double& left, double& right) const
{
    plat::PeakLevel level;
    if (m_output)
        level = m_output->GetLevel();
    else if (m_offlineHistory)
        level = m_offlineHistory->Level();
    left = std::min(1.0, level.left / 32768.0);
    right = std::min(1.0, level.right / 32768.0);
}

void CMixer::GetSpectrum(std::span<double> bands) const
{
    std::fill(bands.begin(), bands.end(), 0.0);
    if (!IsPlaying() || bands.size() < 2)
        return;
    float magnitudes[plat::Spectrum::kBins] = {};
    if (m_output)
    {
        m_output->GetSpectrum(magnitudes);
    }
    else if (m_offlineHistory)
    {
        float mono[plat::Spectrum::kSize];
        m_offlineHistory->RecentMono(mono, plat::Spectrum::kSize);
        m_spectrum->Compute(mono, magnitudes);
    }
    else
    {
        return;
    }
    BandsFromMagnitudes(magnitudes, bands);
}

std::vector<int> CMixer::BandEdges(int count)
{
    std::vector<int> edges;
    int i = 0;
    for (int j = 0; j < count && count >= 2; ++j)
    {
        const int n = BandEnd(j, count, i);
        edges.push_back(n);
        i = n;
    }
    return edges;
}

void CMixer::BandsFromMagnitudes(const float* magnitudes, std::span<double> bands) noexcept
{
    const int count = static_cast<int>(bands.size());
    std::fill(bands.begin(), bands.end(), 0.0);
    if (count < 2)
        return;
    int i = 0;
    for (int j = 0; j < count; ++j)
    {
        const int n = BandEnd(j, count, i);
        // With more bands than bins the cursor passes the last bin; those bands stay 0.
        if (n > plat::Spectrum::kBins)
            break;
        float sum = 0.0f;
        for (int k = i; k < n; ++k)
            sum += magnitudes[k];
        bands[static_cast<std::size_t>(j)] = std::min(1.0, 1.7 * std::sqrt(sum / std::log10(n - i + 10.0)));
        i = n;
    }
}

std::uint64_t CMixer::Underruns() const
{
    return m_underruns.load(std::memory_order_relaxed) + (m_output ? m_output->Underruns() : 0);
}

double CMixer::GetCpuLoad() const
{
    const double percent =
        m_output ? plat::AudioSystem::CpuPercent() : m_renderLoad.load(std::memory_order_relaxed) * 100.0;
    return std::min(1.0, percent / 100.0 + 0.001);
}
