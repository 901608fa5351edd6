#pragma once
/** @brief The loop tool's source decoding: a sound file read into memory on a thread of its own, a
 *  block of frames at a time, so that the tool's window stays responsive and its Cancel button stops
 *  the decode between two blocks.
 *
 * Start, Cancel and the destructor are called on the UI thread. The progress and the end reach the
 * receiver given to Start on its thread, through queued calls; none of them arrives once Cancel or
 * the destructor has returned, nor after the receiver is gone. */

#include "audio/CStereoFrame.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace dlg
{

class SourceLoader
{
public:
    /** Frames read between two progress reports and two looks at the cancel flag. */
    static constexpr std::uint32_t kBlockFrames = 10000;

    struct Result
    {
        /** The frames read: as many as the file gave, at most its length at the rate. */
        std::vector<CStereoFrame> frames;
        /** The file could not be opened, held no frame, or its frames did not fit in memory. */
        bool failed = false;
    };
    /** After each block: the frames read so far and the file's length in frames at the rate (an
     *  estimate when the file is resampled: the file may end before it). */
    using Progress = std::function<void(std::uint32_t read, std::uint32_t length)>;
    using Done = std::function<void(Result& result)>;

    SourceLoader() = default;
    SourceLoader(const SourceLoader&) = delete;
    SourceLoader& operator=(const SourceLoader&) = delete;
    /** Cancels a decode that runs. */
    ~SourceLoader();

    /** Cancels a decode that runs, then decodes @p path at @p rate Hz; @p progress and @p done run
     *  on @p receiver's thread, which must outlive this loader or its decode. */
    void Start(const QString& path, unsigned rate, QObject* receiver, Progress progress, Done done);
    /** Stops a running decode at the end of its block and waits for its thread. Does nothing when
     *  none runs. */
    void Cancel();

private:
    struct Job;
    static void Decode(const std::shared_ptr<Job>& job);

    std::shared_ptr<Job> m_job;
    std::thread m_thread;
};

} // namespace dlg
