#pragma once
/** @brief The audio side of the voice recorder: the recording device's blocks pass through the
 *  live effects, volume and balance, go to the monitor (headphones) and, while recording, into
 *  the encoder's file, with the session's audio mixed in during a live recording.
 *
 * Threads:
 * - UI thread: Open, SetMonitor, SetLive, CreateFile, Pause, Resume, StopRecording, Close,
 *   ReleaseSource, GetLevel, TakeWriteFailure and the other read-outs.
 * - The recording thread (the input's, or the caller's in DeviceMode::None): RecordProc and
 *   ProcessBlock. They allocate, lock and wait for nothing of their own (the encoder's file
 *   write is the one system call).
 * - One producer thread for the session's audio: the engine's stream thread through the
 *   MixerBlockSink calls, or PushSessionFrames.
 *
 * Hand-offs: the callback marks the block it is in. StopRecording, ReleaseSource and taking the
 * engine's clock back first clear what the callback would use and then wait for the block in
 * progress (one block at most) to end, so the encoder is never written after it closed, the
 * effects source is never read after the view let it go, and the engine's stream is never read
 * after it stopped.
 *
 * Alignment of a live recording: the engine hands its blocks over ahead of the device (its
 * buffer plus the device's latency). Each queued block keeps its session frame; the callback
 * reads the engine's heard frame and mixes in the session frames the speaker heard while the
 * voice block was being recorded: the heard frame minus the block and minus what the device has
 * recorded since (a callback that runs late), plus half a device step
 * (the heard frame advances a device period at a time, and the listener is on average half a
 * period past the last step). Once lined up the session audio is taken frame after frame; a
 * steady drift (two device clocks) is corrected when it passes 10 ms. */

#include "audio/CEffectsProcessor.h"
#include "audio/CEncoder.h"
#include "audio/CQueueStream.h"
#include "audio/CRecorder.h"
#include "audio/CStereoFrame.h"
#include "audio/CStreamPlayer.h"
#include "audio/MixerEvents.h"
#include "model/CAutoGraph.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class COptions;
class CSegment;
class CSmartProperty;

class CRecordingSession : public rt::MixerBlockSink
{
public:
    /** The largest block the callback takes at once; longer ones are taken in pieces. */
    static constexpr std::uint32_t kMaxBlockFrames = 20000;
    /** Compressed recordings always use entry 3 of the encoder's table: 192 kbps. */
    static constexpr int kCompression = 3;
    /** Session blocks that may wait in the queue at once. */
    static constexpr std::uint32_t kMaxQueuedBlocks = 4096;
    static constexpr const char* kEffectsError = "Failed to initialize the live recording effects.";

    /** Where the blocks come from. */
    enum class DeviceMode
    {
        Device, ///< the options' recording device
        None,   ///< no device: the caller hands the blocks to RecordProc (tests, benchmarks)
    };

    CRecordingSession();
    /** Closes. */
    ~CRecordingSession() override;
    CRecordingSession(const CRecordingSession&) = delete;
    CRecordingSession& operator=(const CRecordingSession&) = delete;

    /** Starts the device at the options' rate, the monitor stream (playing silence until the
     *  callback feeds it) and the queue; with @p effectsSource, the effects chain with the
     *  segment's four switches. Nothing is recorded yet. False, with everything closed again,
     *  after the failing part's message (the effects: kEffectsError). Closes an open session
     *  first. @p options and @p effectsSource must outlive the session (or ReleaseSource). */
    bool Open(const COptions* options, double lengthSeconds, CSegment* effectsSource,
              DeviceMode mode = DeviceMode::Device);
    /** Plays the processed voice on the monitor stream. */
    void SetMonitor(bool on);
    /** Mixes the queued session audio into the file. */
    void SetLive(bool on);

    /** Starts a new file at @p path in the options' export format (compressed at 192 kbps) and
     *  sample format, and records into it from the next block. False without a message when no
     *  file can be made at @p path (the caller says so, naming its folder); false after the
     *  encoder's message when the encoder does not start. */
    bool CreateFile(const QString& path);
    /** The callback stops writing; the device runs on and the file stays open. */
    void Pause();
    /** Writing continues into the same file. */
    void Resume();
    /** Ends writing, stops the monitor and finishes the file; the device stays open. True when
     *  the file is complete (also when none was open). */
    bool StopRecording();
    /** StopRecording, then frees the device, the monitor, the queue and the effects. */
    void Close();
    /** Forgets the effects source (the segment is about to go); the voice passes unchanged. */
    void ReleaseSource();

    /** The input level for the meter, 0..1 (live with a source: times the segment's volume);
     *  negative without a device. */
    double GetLevel() const;
    /** Queues session audio that carries no session frame; it is mixed in as it comes. Producer
     *  thread. False when it did not fit (counted as lost). */
    bool PushSessionFrames(const CStereoFrame* frames, std::uint32_t count) noexcept;

    /** The record callback for CRecorder: @p user is the session. 1 to go on, 0 after a failed
     *  write (see TakeWriteFailure). Recording thread. */
    static int RecordProc(CRecorder* recorder, void* buffer, std::uint32_t length, void* user);
    /** One block of at most kMaxBlockFrames frames, processed in place: effects, volume and
     *  balance, monitor, then (recording and not paused) the session mix and the file. The
     *  result as RecordProc's. Recording thread. */
    int ProcessBlock(CStereoFrame* block, std::uint32_t frames) noexcept;

    // The engine's level window (live recording): its blocks and its heard clock.
    void OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept override;
    void OnMixerBlockAt(const float* interleaved, std::uint32_t frames,
                        std::uint64_t sessionFrame) noexcept override;
    void OnMixerClock(const rt::HeardClock* clock) noexcept override;

    bool IsOpen() const noexcept { return m_open; }
    bool IsRecording() const noexcept { return m_recording.load(std::memory_order_acquire); }
    bool IsPaused() const noexcept { return m_paused.load(std::memory_order_acquire); }
    bool IsMonitoring() const noexcept { return m_monitorOn.load(std::memory_order_acquire); }
    bool IsLive() const noexcept { return m_live.load(std::memory_order_acquire); }
    unsigned GetRate() const noexcept { return m_rate; }
    /** Frames written to the file since CreateFile. Any thread. */
    std::uint64_t GetRecordedFrames() const noexcept
    {
        return m_recordedFrames.load(std::memory_order_acquire);
    }
    /** True once after the callback failed to write the file (it then stopped). UI thread. */
    bool TakeWriteFailure() noexcept { return m_writeFailed.exchange(false, std::memory_order_acq_rel); }
    /** Seconds of the last recording lost because the callback fell behind the device (voice)
     *  or the queue was full (session audio), whichever is more. After StopRecording. */
    double GetLostSeconds() const noexcept;

    /** Stands in another effects processor (a test's failing one). While closed. */
    void SetEffectsProcessor(std::unique_ptr<CEffectsProcessor> effects);

private:
    // The six properties a live recording follows: the four effect levels, volume, balance.
    enum Property : std::size_t
    {
        kEnhance,
        kReverb,
        kEcho,
        kChorus,
        kVolume,
        kBalance,
        kPropertyCount,
    };
    struct BlockHeader
    {
        std::uint64_t stamp;
        std::uint32_t frames;
    };
    static constexpr std::uint64_t kNoStamp = ~std::uint64_t{0};

    static CSmartProperty& PropertyOf(CSegment& segment, std::size_t index) noexcept;
    double ValueAt(CSegment& segment, std::size_t index, double t) noexcept;
    void ApplySource(CSegment& segment, CStereoFrame* block, std::uint32_t frames) noexcept;
    void MixSession(std::uint32_t frames) noexcept;
    bool Align(std::uint64_t heard, std::uint32_t frames) noexcept;
    bool NextHeader() noexcept;
    std::uint64_t Discard(std::uint64_t frames) noexcept;
    bool Queue(const float* interleaved, std::uint32_t frames, std::uint64_t stamp) noexcept;
    void WaitForBlock() const noexcept;
    void ResetQueueState() noexcept;
    void CountLost();

    CRecorder m_device;
    CStreamPlayer m_monitor;
    CEncoder m_encoder;
    CQueueStream m_queue;
    std::unique_ptr<CEffectsProcessor> m_effects;

    // Set by Open (UI thread) before the callback may use them.
    const COptions* m_options = nullptr;
    unsigned m_rate = 0;
    std::uint64_t m_totalFrames = 0;
    int m_exportFormat = 0;
    int m_sampleFormat = 0;
    bool m_open = false;
    bool m_hasDevice = false;
    std::array<CAutoGraph, kPropertyCount> m_walks; ///< the session's own walks of mode-2 properties

    std::atomic<CSegment*> m_source{nullptr};
    std::atomic<bool> m_live{false};
    std::atomic<bool> m_monitorOn{false};
    std::atomic<bool> m_recording{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_inBlock{false};
    std::atomic<bool> m_writeFailed{false};
    std::atomic<std::uint64_t> m_recordedFrames{0};
    std::atomic<double> m_lastVolume{1.0}; ///< the source's volume / 100 at the last block

    // Session audio: frames in m_queue, one header per block in this ring.
    std::vector<BlockHeader> m_headers;
    alignas(64) std::atomic<std::uint64_t> m_headerWrite{0};
    alignas(64) std::atomic<std::uint64_t> m_headerRead{0};
    std::atomic<std::uint64_t> m_sessionLost{0};
    std::atomic<const rt::HeardClock*> m_clock{nullptr};
    std::atomic<bool> m_clockBusy{false};

    // Recording thread only.
    std::vector<CStereoFrame> m_sessionBuffer;
    std::vector<CStereoFrame> m_outBuffer;
    std::uint64_t m_readStamp = kNoStamp; ///< session frame of the next queued frame
    std::uint32_t m_readLeft = 0;         ///< frames of the current block not yet taken
    std::uint64_t m_firstStamp = kNoStamp;
    bool m_aligned = false;
    std::uint64_t m_pendingSilence = 0; ///< session frames to leave out (the queue is early)
    std::uint64_t m_pendingSkip = 0;    ///< queued frames to throw away (the queue is late)
    double m_averageError = 0.0;
    std::uint64_t m_lastHeard = 0;
    std::uint64_t m_heardStep = 0;

    // Lost frames (UI thread).
    std::uint64_t m_droppedAtStart = 0;
    std::uint64_t m_voiceLost = 0;
    std::uint64_t m_sessionLostAtStart = 0;
    std::uint64_t m_sessionLostInFile = 0;
};
