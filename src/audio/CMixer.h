#pragma once
/** @brief The playback engine: renders every track of a session into float stereo, block by
 *  block, for an output stream of the audio layer (or for an offline render).
 *
 * Threads:
 * - UI thread: Play, PlayOffline, Stop, SetSoundFactory. The read-outs (IsPlaying,
 *   GetPosition, GetLevels, GetSpectrum, GetCpuLoad, Underruns) take no lock the engine
 *   holds; the UI thread may call them at any time, another thread only between Play and
 *   Stop (GetSpectrum from one thread at a time).
 * - The worker (started by Play): renders one block per request, between a request and its
 *   done; frees the tracks when it leaves. The block renderer hands the tracks of a block to a
 *   render pool made at Play (SetRenderThreads), whose helpers render tracks beside the
 *   worker: each track only writes its own state and block and reads the block's shared clock
 *   blocks, and the worker sums the track blocks in track order afterwards, so the output is
 *   the same whatever the number of threads.
 * - The stream procedure (StreamProc): the output stream's update thread, or the offline
 *   renderer's thread. On a stream it asks the worker for a block and waits for it, at most
 *   twice the stream's buffer duration, so the device's own real-time callback never waits on
 *   the worker; a block later than that is waited for again in the next calls (silence
 *   meanwhile), so a late block delays the session's sound and loses none of it. An offline
 *   render (PlayOffline) has no worker: StreamProc renders each block on its caller's thread,
 *   which then stands where the worker stands above (the render pool's helpers still help).
 * The flags shared between them are atomics. Rendering never allocates, locks or throws, except
 * at a segment's start and end (a generator's Init and Terminate, made one at a time across the
 * process: some generators share library state, such as STK's) and in the one error message of
 * a playback. */

#include "audio/CMixerTrack.h"
#include "audio/CPlaybackParams.h"
#include "audio/CStereoFrame.h"
#include "audio/MixerEvents.h"
#include "audio/RenderPool.h"
#include "audio/SharedLoops.h"
#include "model/CBilateralGlobal.h"
#include "model/CBrainwavesGlobal.h"
#include "platform/AutoResetEvent.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <thread>
#include <vector>

namespace plat
{
class AudioOutput;
class PlayedHistory;
class Spectrum;
} // namespace plat

namespace vtest
{
class PerFrameRenderer;
} // namespace vtest

class CMixer : private rt::HeardClock
{
public:
    /** Below this work for each thread (seconds on one thread) a block is not split: waking a
     *  helper and waiting for the last one costs some tens of microseconds. */
    static constexpr double kWorkPerThread = 150e-6;
    /** A playback (not an offline render) splits a block only when one thread would spend more
     *  than this share of the block's duration on it: below that the block is in time on one
     *  thread, and every helper woken costs CPU (a wake-up and a wait) for no gain. */
    static constexpr double kRealTimeSplitShare = 0.25;
    /** The largest block one request renders (every track block has this size). */
    static constexpr std::uint32_t kMaxBlockFrames = 20000;
    static constexpr std::uint32_t kBytesPerFrame = sizeof(CStereoFrame);

    static constexpr const char* kTracksError = "Failed to create the mixer internal tracks.";
    static constexpr const char* kSoundError = "Failed to allocate a mixer memory sound object.";
    static constexpr const char* kBlockError = "Failed to allocate a mixer memory track block.";
    static constexpr const char* kThreadError = "Failed to start the mixer thread.";
    static constexpr const char* kStreamError = "The mixer failed to create a playback stream.";

    /** Renders each block in place of the engine's block renderer: the tests' reference,
     *  which steps every generator frame by frame. Worker thread. */
    class BlockRenderer
    {
    public:
        /** Renders the next @p frames frames into the mixer's block, as RenderBlock does. */
        virtual bool RenderBlock(CMixer& mixer, std::uint32_t frames) noexcept = 0;

    protected:
        ~BlockRenderer() = default;
    };

    /** Makes the generator of a segment kind; null when the kind has none. */
    using SoundFactory = std::function<std::unique_ptr<CSound>(std::int32_t kind)>;

    CMixer();
    /** Stops a playback that still runs. */
    ~CMixer();
    CMixer(const CMixer&) = delete;
    CMixer& operator=(const CMixer&) = delete;

    /** Starts playing @p params on an output stream of the audio layer at the session rate;
     *  @p levelWindow (may be null) receives every block. False, with a message box
     *  (audio::ShowMessage) and nothing left running, when the tracks, the worker or the stream
     *  cannot be made. Only on an idle mixer (the view stops a playback first). */
    bool Play(CPlaybackParams& params, rt::MixerBlockSink* levelWindow);
    /** As Play, without a stream: the caller asks for the blocks through StreamProc (the
     *  offline renderer), which renders them on the caller's thread. Position, levels and
     *  spectrum then describe what StreamProc returned. Stop from the thread that started it,
     *  once no StreamProc call is under way. */
    bool PlayOffline(CPlaybackParams& params, rt::MixerBlockSink* levelWindow);
    /** Frees the stream, then stops and joins the worker; nothing when idle. */
    void Stop();

    /** Keeps the looping files a playback of @p params plays from memory (the playlists'
     *  files, and external audio that loops) decoded at its rate from now on, in place of what
     *  the last call kept, so that Play starts without waiting for their decode (see
     *  audio::LoopKeeper, and its budget). Reads the tracks at once; the files are opened on a
     *  thread of the keeper's. UI thread; at any time, playing or not. */
    void KeepLoops(const CPlaybackParams& params);
    /** Waits until what KeepLoops asked for is decoded (a benchmark's and a test's wait). */
    void WaitForKeptLoops() { m_keptLoops.Wait(); }

    /** True from Play until the session end, the end of a previewed segment, or Stop. */
    bool IsPlaying() const noexcept { return m_playing.load(std::memory_order_acquire); }
    /** Seconds: frames played on the output / rate + the start's offset in the session; keeps
     *  growing after the end. 0 when idle. */
    double GetPosition() const;
    /** The heard position, in session frames: frames the device has played minus its output
     *  latency, plus the start's frame; what the listener hears now, and the position the play
     *  line shows and a live recording aligns to. Counted as the stamps of the blocks handed to
     *  the level window (MixerBlockSink::OnMixerBlockAt) are. 0 when idle. Any thread, as
     *  GetPosition. */
    std::uint64_t GetHeardFrame() const noexcept;
    /** GetHeardFrame in seconds. */
    double GetHeardPosition() const;
    /** Peak levels over the last 20 ms played, 0..1 per channel; 0 when idle. */
    void GetLevels(double& left, double& right) const;
    /** Fills @p bands (at least 2 of them) with 0..1 levels from the 2048-point spectrum of
     *  what was played, bands on a logarithmic scale of the bins; zeros when not playing. */
    void GetSpectrum(std::span<double> bands) const;
    /** The share of real time that producing the audio takes, 0.001..1. */
    double GetCpuLoad() const;
    /** Requests that found the worker late and were answered with silence, plus the device
     *  periods that found the output stream's buffer short. UI thread. */
    std::uint64_t Underruns() const;

    /** The stream procedure: renders up to min(bytes / 8, kMaxBlockFrames) frames into
     *  @p buffer and returns their bytes; 0 once the mixer stops. A worker later than the wait
     *  bound gets silence handed out meanwhile, and its block follows in the next calls, so no
     *  session frame is lost. One thread at a time. */
    std::uint32_t StreamProc(float* buffer, std::uint32_t bytes) noexcept;

    /** Replaces how generators are made (the default makes the kinds this build has). UI
     *  thread, while idle. */
    void SetSoundFactory(SoundFactory factory);
    /** Renders the next playbacks' blocks with @p renderer (null: the block renderer), which
     *  outlives them. UI thread, while idle. */
    void SetBlockRenderer(BlockRenderer* renderer) noexcept { m_blockRenderer = renderer; }
    /** How many threads render the block renderer's tracks in the next playback: 0 for every
     *  core (the default), 1 for the worker alone. A block small enough that handing it out
     *  would cost more than it saves is rendered on fewer of them. UI thread, while idle. */
    void SetRenderThreads(unsigned threads) noexcept { m_renderThreads = threads; }
    /** The work, in seconds on one thread, that each thread of a block must have before the
     *  block's tracks are split between threads (kWorkPerThread); 0 splits every block among
     *  all the threads, as the tests do. UI thread, while idle. */
    void SetWorkPerThread(double seconds) noexcept { m_workPerThread = seconds; }
    /** The generator of @p kind, or null for a kind this build cannot play. */
    static std::unique_ptr<CSound> CreateKindSound(std::int32_t kind);

    /** Turns the band edges of GetSpectrum into levels from @p magnitudes (1024 bins). */
    static void BandsFromMagnitudes(const float* magnitudes, std::span<double> bands) noexcept;
    /** The last bin (exclusive) of each band for @p count bands. */
    static std::vector<int> BandEdges(int count);

private:
    friend class vtest::PerFrameRenderer;

    bool Start(CPlaybackParams& params, rt::MixerBlockSink* levelWindow, bool offline);
    std::uint64_t HeardFrame() const noexcept override { return GetHeardFrame(); }
    /** Everything a playback needs before its first block: the tracks, the clocks, the pool. */
    bool Prepare(CPlaybackParams& params);
    bool StartThread(CPlaybackParams& params);
    /** Renders the block of one request into m_block (silence past the session's end). */
    void ServeRequest(std::uint32_t frames) noexcept;
    bool CreateTracks(const CPlaybackParams& params);
    /** Starts the render pool's helpers for the tracks made (none when they cannot be made:
     *  the worker then renders alone). */
    void StartPool() noexcept;
    bool CreateTrackSound(CMixerTrack& track, std::int32_t kind);
    void FindFirstSegment(CMixerTrack& track) noexcept;
    void NextSegment(CMixerTrack& track, std::uint32_t frame) noexcept;
    bool IsPlayable(const CMixerTrack& track, std::int32_t index, std::uint32_t after) const noexcept;
    void PrepareSound(CMixerTrack& track, std::uint32_t frame) noexcept;
    /** @p n frames of the track's sound into @p out, @p offset frames into the block. */
    bool RenderSoundRun(CMixerTrack& track, CStereoFrame* out, std::uint32_t n,
                        std::uint32_t offset) noexcept;
    bool RenderTrackBlock(CMixerTrack& track, std::uint32_t frames) noexcept;
    bool StartSegment(CMixerTrack& track, std::uint32_t frame) noexcept;
    void EndSegment(CMixerTrack& track, std::uint32_t frame) noexcept;
    bool RenderBlock(std::uint32_t frames) noexcept;
    /** The render pool's task: track @p index of the block renderer's current block. */
    static void RenderTrackTask(void* mixer, std::uint32_t index) noexcept;
    /** Threads for a block of @p frames frames, from the measured cost of a frame of every track. */
    unsigned ThreadsFor(std::uint32_t frames) const noexcept;
    /** Marks @p track's block failed with @p text; the block's first failed track in track
     *  order is posted (PostFirstError) once the block's tracks are done. */
    static void Fail(CMixerTrack& track, const QString& text) noexcept;
    /** Posts the first failed track's error, in track order; false when a track failed. */
    bool PostFirstError() noexcept;
    /** Adds the active tracks' blocks into @p out, in track order. */
    void SumTracks(CStereoFrame* out, std::uint32_t frames) const noexcept;
    void ThreadProc() noexcept;
    void PostError(const QString& text) noexcept;
    void FreeTracks() noexcept;
    void ShowMessage(const char* text) const;
    std::uint32_t FrameOf(double fraction) const noexcept;

    std::thread m_thread;
    std::vector<CMixerTrack> m_tracks;
    SoundFactory m_factory;

    std::uint32_t m_rate = 0;
    std::uint32_t m_sessionSeconds = 0;
    std::uint32_t m_totalFrames = 0;
    double m_startFraction = 0.0;
    std::uint32_t m_segmentFadeFrames = 0;
    std::uint32_t m_playlistFadeFrames = 0;

    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_preview{false};
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_workerRunning{false};

    plat::AutoResetEvent m_started;
    plat::AutoResetEvent m_request;
    plat::AutoResetEvent m_done;
    // A request is its number (high half) and frame count (low half) in one word, so that a
    // late answer to an abandoned request is never taken for the answer to the next one.
    std::atomic<std::uint64_t> m_requestWord{0};
    std::atomic<std::uint32_t> m_doneId{0};
    std::uint32_t m_lastRequestId = 0; ///< stream procedure's thread
    std::uint64_t m_handedFrames = 0;  ///< stream procedure's thread: session frames returned so far
    std::uint32_t m_pendingId = 0;     ///< stream procedure's thread: the request not yet answered
    std::uint32_t m_pendingFrames = 0; ///< its frame count
    std::uint32_t m_carryAt = 0;       ///< stream procedure's thread: the answered block's frames
    std::uint32_t m_carryLeft = 0;     ///< not yet handed on, from m_carryAt
    std::atomic<std::uint64_t> m_silentFrames{0}; ///< silence handed while the worker was late
    std::chrono::milliseconds m_waitBound{600};

    std::unique_ptr<CStereoFrame[]> m_block; ///< what the worker renders into, kMaxBlockFrames
    std::uint32_t m_startFrame = 0;
    std::uint32_t m_currentFrame = 0; ///< worker: the next session frame to render
    std::uint32_t m_blockStartFrame = 0;

    CBrainwavesGlobal* m_brainwavesGlobal = nullptr;
    CBilateralGlobal* m_bilateralGlobal = nullptr;
    // Block renderer: both clocks over the block, filled once before the tracks render.
    model::ClockBlock m_brainwavesBlock;
    model::ClockBlock m_bilateralBlock;
    bool m_tonePlays = false;                 ///< a tone track reads the session beat frame by frame
    BlockRenderer* m_blockRenderer = nullptr; ///< as SetBlockRenderer
    unsigned m_renderThreads = 0;             ///< as SetRenderThreads
    double m_workPerThread = kWorkPerThread;
    rt::RenderPool m_pool;
    audio::LoopKeeper m_keptLoops;   ///< UI thread
    unsigned m_poolThreads = 1;      ///< the worker and the pool's helpers of this playback
    std::uint32_t m_blockFrames = 0; ///< worker: the current block's frames, for the tasks
    /** worker: the tracks in the order the pool hands them out, the costliest of the last block
     *  first, so that a costly track handed out last does not keep the others waiting. */
    std::vector<std::uint32_t> m_renderOrder;
    bool m_blockAborted = false;       ///< worker: the playback had failed before this block
    double m_frameCost = 0.0;          ///< worker: smoothed seconds of one frame of every track
    CBrainwavesGlobal m_ownBrainwaves; ///< when the request brings no clocks
    CBilateralGlobal m_ownBilateral;
    rt::MixerEvents* m_notifyWindow = nullptr;
    rt::MixerBlockSink* m_levelWindow = nullptr;

    std::unique_ptr<plat::AudioOutput> m_output;
    bool m_offline = false;
    bool m_inline = false; ///< offline: StreamProc renders on its caller's thread, no worker
    std::unique_ptr<plat::PlayedHistory> m_offlineHistory;
    std::atomic<std::uint64_t> m_offlinePlayed{0};
    std::atomic<double> m_renderLoad{0.0}; ///< worker: smoothed render time / audio time
    std::atomic<std::uint64_t> m_underruns{0};
    std::unique_ptr<plat::Spectrum> m_spectrum; ///< UI thread
};
