#pragma once
/** @brief Exports a whole session to a sound file: the engine renders it offline through its own
 *  stream procedure (the blocks a playback hands to the device), as fast as the machine allows,
 *  and the encoder writes the frames into a temporary file beside the target, which takes the
 *  target's place only once it is complete.
 *
 * A cancelled or failed export removes its temporary file and leaves an older file at the target
 * as it was. The export has an engine of its own, so a playback's engine is never disturbed.
 *
 * Threads: Start, Finish and the destructor on the UI thread; the render, the encoding and the
 * finishing of the file run on a worker of the export between them. The read-outs (IsRunning,
 * FramesDone, Progress) and Cancel may be called from any thread at any time. */

#include "audio/CEncoder.h"
#include "audio/CMixer.h"
#include "audio/CPlaybackParams.h"
#include "audio/MixerEvents.h"
#include "platform/ReplacingFile.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace rt
{

class SessionExport
{
public:
    /** Frames asked of the engine at a time: its largest block. */
    static constexpr std::uint32_t kBlockFrames = CMixer::kMaxBlockFrames;
    /** Below this much free space a failed write is put down to a full disk. */
    static constexpr std::int64_t kLowSpaceBytes = 4 * 1024 * 1024;

    static constexpr const char* kMsgFolder =
        "The session cannot be exported to the folder:\n%1\n\nThe folder does not exist or cannot be "
        "written to. Please choose another folder.";
    static constexpr const char* kMsgDiskFull =
        "The session could not be exported: the disk is full.\n\nPlease make room on the disk or choose "
        "another folder. An earlier file of the same name was left as it was.";
    static constexpr const char* kMsgWriteFailed =
        "The session could not be exported: the sound file could not be written.\n\nAn earlier file of "
        "the same name was left as it was.";
    static constexpr const char* kMsgReplaceFailed =
        "The session was rendered, but the file:\n%1\ncould not be replaced by the new one.";
    static constexpr const char* kMsgNoLength = "The session has no length to export.";
    static constexpr const char* kMsgEngineStopped =
        "The session could not be exported: the engine stopped before the end of the session.";

    enum class Outcome
    {
        Exported,
        Cancelled,
        Failed,
    };

    SessionExport();
    /** Cancels a running export and removes its temporary file. */
    ~SessionExport();
    SessionExport(const SessionExport&) = delete;
    SessionExport& operator=(const SessionExport&) = delete;

    /** The engine the export renders with (tests choose its generators before Start). */
    CMixer& Mixer() noexcept { return m_mixer; }

    /** Starts exporting the session of @p params from its beginning (a preview flag or start is
     *  ignored) to @p target: @p format 1 MP3, 2 OGG, else WAV, with the encoder's compression and
     *  sample format. False when nothing was started: ErrorText says why, or is empty when the
     *  encoder or the engine has already said so in its message box. UI thread. */
    bool Start(CPlaybackParams params, const QString& target, int format, int compression, int sampleFormat);

    /** True from Start until the worker has rendered, encoded and finished the file (or stopped). */
    bool IsRunning() const noexcept { return m_running.load(std::memory_order_acquire); }
    std::uint64_t FramesDone() const noexcept { return m_framesDone.load(std::memory_order_relaxed); }
    std::uint64_t TotalFrames() const noexcept { return m_totalFrames; }
    /** 0..1 of the session rendered and handed to the encoder. */
    double Progress() const noexcept;
    /** Asks the worker to stop after its current block; the file is then dropped. Any thread. */
    void Cancel() noexcept { m_cancel.store(true, std::memory_order_release); }
    bool IsCancelled() const noexcept { return m_cancel.load(std::memory_order_acquire); }

    /** Waits for the worker, then puts the complete file in the target's place, or removes the
     *  temporary file of a cancelled or failed export. UI thread. */
    Outcome Finish();

    /** Why the export did not start or failed (empty when a message box of the encoder or the
     *  engine already said it). */
    const QString& ErrorText() const noexcept { return m_error; }
    /** The file the frames go to until the export is complete (empty when none is open). */
    QString TemporaryPath() const { return m_file ? m_file->TemporaryPath() : QString(); }
    const QString& TargetPath() const noexcept { return m_target; }

private:
    /** Keeps the engine's first error of the export. */
    class EngineErrors : public MixerEvents
    {
    public:
        void PostMixerError(QString text) override;
        bool HasError() const noexcept { return m_has.load(std::memory_order_acquire); }
        QString Text() const;
        void Reset();

    private:
        mutable std::mutex m_mutex;
        QString m_text;
        std::atomic<bool> m_has{false};
    };

    void Run() noexcept;
    QString WriteFailureText() const;

    CMixer m_mixer;
    CEncoder m_encoder;
    EngineErrors m_engineErrors;
    std::thread m_thread;
    std::unique_ptr<CStereoFrame[]> m_block;

    QString m_target;
    std::unique_ptr<plat::ReplacingFile> m_file;
    QString m_error;
    std::uint64_t m_totalFrames = 0;
    std::atomic<std::uint64_t> m_framesDone{0};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_cancel{false};
    // Written by the worker before it clears m_running; read after the join.
    bool m_engineStopped = false;
    bool m_writeFailed = false;
    bool m_finishFailed = false;
};

} // namespace rt
