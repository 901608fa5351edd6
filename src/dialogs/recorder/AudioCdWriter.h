#pragma once
/** @brief Writing a sound file to an audio CD.
 *
 * The file is first decoded into the form an audio CD holds, a 44.1 kHz 16-bit stereo WAV in the
 * temporary folder (on a worker thread: a long recording takes a while), then a disc-writing program
 * writes that file as one audio track. The program is Debian's wodim, or cdrskin, found on the
 * search path and started with an argument vector (never through a shell); its "N of M MB written"
 * lines are the progress. UI thread, except PrepareCdAudio. */

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class QProcess;
class QTimer;

namespace disc
{

/** The rate of an audio CD. */
constexpr unsigned kCdRate = 44100;
/** The shortest audio track a CD takes (four seconds); a shorter file is padded with silence. */
constexpr std::uint64_t kMinTrackFrames = 4 * kCdRate;

/** Decodes @p source into a 44.1 kHz 16-bit stereo WAV at @p target, at least kMinTrackFrames
 *  long. @p percent follows the work from 0 to 100. Stops (false, error empty) once @p cancel
 *  turns true; false with @p error set when the source cannot be read or the target written.
 *  Any thread. */
bool PrepareCdAudio(const QString& source, const QString& target, std::atomic<int>& percent,
                    const std::atomic<bool>& cancel, QString& error);

/** The percentage of the last "N of M MB written" in @p output; -1 when it holds none. */
int ParseWrittenPercent(const QByteArray& output);

/** Writes one prepared track file to a drive. */
class CdWriter
{
public:
    using Progress = std::function<void(int percent)>;
    using Finished = std::function<void(bool ok, const QString& message)>;

    virtual ~CdWriter() = default;
    /** Empty when a disc can be written, else why not (shown where the writing would be). */
    virtual QString Unavailable() const = 0;
    /** Starts writing @p wavPath to @p device and returns at once: progress calls follow, then
     *  exactly one finished call (with the failure's text when it failed), on the UI thread.
     *  False (and no calls) when it cannot start; @p error says why. */
    virtual bool Start(const QString& device, const QString& wavPath, Progress progress, Finished finished,
                       QString& error) = 0;
};

/** wodim, or else cdrskin, as a child process. */
class ExternalCdWriter : public CdWriter
{
public:
    static constexpr const char* kMsgNoProgram =
        "Writing an Audio-CD needs the program wodim or cdrskin, which is not installed.";

    ExternalCdWriter();
    ~ExternalCdWriter() override;

    /** The program's path on the search path; empty when neither is installed. */
    static QString Program();
    /** The arguments that write @p wavPath to @p device as one audio track. */
    static QStringList Arguments(const QString& device, const QString& wavPath);

    QString Unavailable() const override;
    bool Start(const QString& device, const QString& wavPath, Progress progress, Finished finished,
               QString& error) override;

private:
    void End(bool ok, const QString& message);

    std::unique_ptr<QProcess> m_process;
    QByteArray m_output; // the last part of what the program printed
    QString m_name;
    Progress m_progress;
    Finished m_finished;
};

/** The whole job: a temporary CD file of the sound file, then the writer. UI thread. */
class AudioCdJob
{
public:
    static constexpr const char* kMsgPreparing = "Preparing the sound file for the Audio-CD...";
    static constexpr const char* kMsgWriting = "Writing the Audio-CD...";
    static constexpr const char* kMsgNoTemporaryFile = "Failed to create a temporary file for the Audio-CD.";
    /** How often the preparation's progress is read. */
    static constexpr int kPollMs = 100;

    struct Report
    {
        std::function<void(const QString& status)> status;
        std::function<void(int percent)> progress;
        /** Exactly once per started job. */
        std::function<void(bool ok, const QString& message)> finished;
    };

    explicit AudioCdJob(CdWriter& writer);
    /** Stops what still runs: the preparation is cancelled and waited for; no report follows. */
    ~AudioCdJob();
    AudioCdJob(const AudioCdJob&) = delete;
    AudioCdJob& operator=(const AudioCdJob&) = delete;

    /** Starts writing @p source to @p device. False with @p error set when it cannot start. */
    bool Start(const QString& source, const QString& device, Report report, QString& error);
    /** The temporary CD file made for the job; empty before one was made. */
    QString TemporaryFile() const { return m_temporary; }

private:
    void Poll();
    void StopPreparing();

    CdWriter& m_writer;
    Report m_report;
    QString m_temporary;
    QString m_device;
    std::unique_ptr<QTimer> m_poll;
    std::thread m_preparing;
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_prepared{false};
    bool m_prepareOk = false; // written by the worker before m_prepared, read after it
    QString m_prepareError;   // likewise
};

} // namespace disc
