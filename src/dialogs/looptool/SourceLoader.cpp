#include "dialogs/looptool/SourceLoader.h"

#include "audio/CSoundFile.h"

#include <QMetaObject>

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

namespace dlg
{

/** One decode: what it was asked, its cancel flag and its result. The thread and the queued calls
 *  share it, so that a call that arrives after a cancel finds the flag set and does nothing. */
struct SourceLoader::Job
{
    QString path;
    unsigned rate = 0;
    QObject* receiver = nullptr;
    Progress progress;
    Done done;
    std::atomic<bool> cancelled{false};
    Result result; // the thread's until it hands the result on
};

namespace
{

/** Runs @p call on the job's receiver's thread unless the job is cancelled by then. */
template <typename Job, typename Call> void Post(const std::shared_ptr<Job>& job, Call call)
{
    QMetaObject::invokeMethod(
        job->receiver,
        [job, call = std::move(call)]
        {
            if (!job->cancelled.load())
                call(*job);
        },
        Qt::QueuedConnection);
}

} // namespace

SourceLoader::~SourceLoader()
{
    Cancel();
}

void SourceLoader::Start(const QString& path, unsigned rate, QObject* receiver, Progress progress, Done done)
{
    Cancel();
    m_job = std::make_shared<Job>();
    m_job->path = path;
    m_job->rate = rate;
    m_job->receiver = receiver;
    m_job->progress = std::move(progress);
    m_job->done = std::move(done);
    m_thread = std::thread(&SourceLoader::Decode, m_job);
}

void SourceLoader::Cancel()
{
    if (m_job)
        m_job->cancelled = true;
    if (m_thread.joinable())
        m_thread.join();
    m_job.reset();
}

void SourceLoader::Decode(const std::shared_ptr<Job>& job)
{
    std::vector<CStereoFrame>& frames = job->result.frames;
    std::uint32_t read = 0;
    bool failed = false;
    try
    {
        CSoundFile file;
        std::uint32_t count = 0;
        failed = !file.Open(job->path, job->rate, false);
        if (!failed)
        {
            count = file.GetLength();
            failed = count == 0;
        }
        if (!failed)
            frames.assign(count, CStereoFrame{});
        while (!failed && read < count && !job->cancelled)
        {
            const std::uint32_t want = std::min(kBlockFrames, count - read);
            const std::uint32_t got = file.ReadFrames(frames.data() + read, want);
            read += got;
            Post(job, [read, count](Job& j) { j.progress(read, count); });
            if (got < want)
                break; // the file ended early (its length is an estimate at another rate)
        }
        failed = failed || read == 0;
        file.Close();
    }
    catch (const std::exception&)
    {
        failed = true; // no memory for the frames, or the decoder gave up
    }
    if (job->cancelled)
        return;
    job->result.failed = failed;
    // Only the frames that were read: the rest was never filled.
    if (failed)
        frames = {};
    else
        frames.resize(read);
    Post(job, [](Job& j) { j.done(j.result); });
}

} // namespace dlg
