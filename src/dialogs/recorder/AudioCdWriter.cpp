#include "dialogs/recorder/AudioCdWriter.h"

#include "platform/audio/SoundDecoder.h"
#include "platform/audio/SoundWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace disc
{

namespace
{

constexpr std::uint32_t kChunkFrames = 8192;
/** How much of the program's output is kept for the failure's text. */
constexpr qsizetype kOutputKept = 4096;
/** How many of its last lines (progress lines left out) the failure shows. */
constexpr int kFailureLines = 3;

QString LastLines(const QByteArray& output, int count)
{
    QStringList lines;
    for (const QString& line :
         QString::fromLocal8Bit(output).split(QRegularExpression(QStringLiteral("[\r\n]"))))
        // The progress lines say nothing about why the writing failed.
        if (!line.trimmed().isEmpty() && !line.contains(QLatin1String("MB written")))
            lines << line.trimmed();
    return lines.mid(std::max<qsizetype>(0, lines.size() - count)).join(QLatin1Char('\n'));
}

} // namespace

bool PrepareCdAudio(const QString& source, const QString& target, std::atomic<int>& percent,
                    const std::atomic<bool>& cancel, QString& error)
{
    percent.store(0);
    plat::SoundDecoder decoder;
    if (!decoder.Open(source, kCdRate, false))
    {
        error = QStringLiteral("Failed to read the sound file %1.").arg(source);
        return false;
    }
    plat::SoundWriter writer;
    if (!writer.Open(target, plat::SoundWriter::Format::Wav16, kCdRate, 2))
    {
        error = QStringLiteral("Failed to write the temporary file %1.").arg(target);
        return false;
    }
    const std::uint64_t length = decoder.Length();
    const std::uint64_t total = std::max(length, kMinTrackFrames);
    std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames) * 2);
    std::uint64_t done = 0;
    while (done < total)
    {
        if (cancel.load())
            return false;
        std::uint32_t n = 0;
        if (done < length)
            n = decoder.Read(chunk.data(), static_cast<std::uint32_t>(
                                               std::min<std::uint64_t>(kChunkFrames, length - done)));
        if (n == 0)
        {
            // The end of the sound (or a short file): silence up to the shortest track.
            n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunkFrames, total - done));
            std::fill(chunk.begin(), chunk.begin() + std::ptrdiff_t(n) * 2, 0.0f);
        }
        if (!writer.Write(chunk.data(), n))
        {
            error = QStringLiteral("Failed to write the temporary file %1.").arg(target);
            return false;
        }
        done += n;
        percent.store(static_cast<int>(done * 100 / total));
    }
    if (!writer.Close())
    {
        error = QStringLiteral("Failed to write the temporary file %1.").arg(target);
        return false;
    }
    percent.store(100);
    return true;
}

int ParseWrittenPercent(const QByteArray& output)
{
    static const QRegularExpression written(QStringLiteral("(\\d+)\\s+of\\s+(\\d+)\\s+MB written"));
    int percent = -1;
    for (auto it = written.globalMatch(QString::fromLatin1(output)); it.hasNext();)
    {
        const QRegularExpressionMatch m = it.next();
        const long long done = m.captured(1).toLongLong();
        const long long total = m.captured(2).toLongLong();
        if (total > 0)
            percent = static_cast<int>(std::clamp(done * 100 / total, 0LL, 100LL));
    }
    return percent;
}

ExternalCdWriter::ExternalCdWriter() = default;

ExternalCdWriter::~ExternalCdWriter()
{
    if (m_process)
    {
        // No report from a writer that is going away.
        m_process->disconnect();
        m_process->kill();
        m_process->waitForFinished();
    }
}

QString ExternalCdWriter::Program()
{
    for (const char* name : {"wodim", "cdrskin"})
    {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

QStringList ExternalCdWriter::Arguments(const QString& device, const QString& wavPath)
{
    // -v prints the progress lines; -pad fills the last sector of a track of any length.
    return {QStringLiteral("-v"),   QStringLiteral("dev=") + device, QStringLiteral("gracetime=2"),
            QStringLiteral("-pad"), QStringLiteral("-audio"),        wavPath};
}

QString ExternalCdWriter::Unavailable() const
{
    return Program().isEmpty() ? QString::fromLatin1(kMsgNoProgram) : QString();
}

bool ExternalCdWriter::Start(const QString& device, const QString& wavPath, Progress progress,
                             Finished finished, QString& error)
{
    const QString program = Program();
    if (program.isEmpty())
    {
        error = QString::fromLatin1(kMsgNoProgram);
        return false;
    }
    if (m_process && m_process->state() != QProcess::NotRunning)
    {
        error = QStringLiteral("An Audio-CD is being written already.");
        return false;
    }
    m_name = QFileInfo(program).fileName();
    m_progress = std::move(progress);
    m_finished = std::move(finished);
    m_output.clear();
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());
    QProcess* p = m_process.get();
    QObject::connect(p, &QProcess::readyReadStandardOutput, p,
                     [this, p]
                     {
                         const QByteArray chunk = p->readAllStandardOutput();
                         m_output.append(chunk);
                         if (m_output.size() > kOutputKept)
                             m_output = m_output.right(kOutputKept);
                         const int percent = ParseWrittenPercent(chunk);
                         if (percent >= 0 && m_progress)
                             m_progress(percent);
                     });
    QObject::connect(p, &QProcess::finished, p,
                     [this, p](int code, QProcess::ExitStatus status)
                     {
                         m_output.append(p->readAllStandardOutput());
                         if (status == QProcess::NormalExit && code == 0)
                         {
                             End(true, {});
                             return;
                         }
                         QString text =
                             status == QProcess::NormalExit
                                 ? QStringLiteral("%1 ended with exit status %2.").arg(m_name).arg(code)
                                 : QStringLiteral("%1 stopped unexpectedly.").arg(m_name);
                         const QString said = LastLines(m_output, kFailureLines);
                         if (!said.isEmpty())
                             text += QLatin1Char('\n') + said;
                         End(false, text);
                     });
    QObject::connect(p, &QProcess::errorOccurred, p,
                     [this](QProcess::ProcessError e)
                     {
                         // A program that never started sends no finished signal.
                         if (e == QProcess::FailedToStart)
                             End(false, QStringLiteral("%1 could not be started.").arg(m_name));
                     });
    p->start(program, Arguments(device, wavPath));
    return true;
}

void ExternalCdWriter::End(bool ok, const QString& message)
{
    Finished finished = std::move(m_finished);
    m_finished = nullptr;
    m_progress = nullptr;
    if (finished)
        finished(ok, message);
}

AudioCdJob::AudioCdJob(CdWriter& writer) : m_writer(writer) {}

AudioCdJob::~AudioCdJob()
{
    m_report = {};
    StopPreparing();
}

void AudioCdJob::StopPreparing()
{
    if (m_poll)
        m_poll->stop();
    m_cancel.store(true);
    if (m_preparing.joinable())
        m_preparing.join();
}

bool AudioCdJob::Start(const QString& source, const QString& device, Report report, QString& error)
{
    StopPreparing();
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/vorna-audio-cd-XXXXXX.wav"));
    file.setAutoRemove(false);
    if (!file.open())
    {
        error = QString::fromLatin1(kMsgNoTemporaryFile);
        return false;
    }
    m_temporary = file.fileName();
    file.close();
    m_device = device;
    m_report = std::move(report);
    m_cancel.store(false);
    m_prepared.store(false);
    m_percent.store(0);
    if (m_report.status)
        m_report.status(QString::fromLatin1(kMsgPreparing));
    if (m_report.progress)
        m_report.progress(0);
    m_preparing = std::thread(
        [this, source, target = m_temporary]
        {
            QString failure;
            m_prepareOk = PrepareCdAudio(source, target, m_percent, m_cancel, failure);
            m_prepareError = failure;
            m_prepared.store(true, std::memory_order_release);
        });
    if (!m_poll)
    {
        m_poll = std::make_unique<QTimer>();
        m_poll->setInterval(kPollMs);
        QObject::connect(m_poll.get(), &QTimer::timeout, [this] { Poll(); });
    }
    m_poll->start();
    return true;
}

void AudioCdJob::Poll()
{
    if (!m_prepared.load(std::memory_order_acquire))
    {
        if (m_report.progress)
            m_report.progress(m_percent.load());
        return;
    }
    m_poll->stop();
    m_preparing.join();
    auto finish = [this](bool ok, const QString& message)
    {
        std::function<void(bool, const QString&)> finished = std::move(m_report.finished);
        m_report = {};
        if (finished)
            finished(ok, message);
    };
    if (!m_prepareOk)
    {
        finish(false, m_prepareError);
        return;
    }
    if (m_report.status)
        m_report.status(QString::fromLatin1(kMsgWriting));
    if (m_report.progress)
        m_report.progress(0);
    QString error;
    auto progress = m_report.progress;
    if (!m_writer.Start(m_device, m_temporary, progress, finish, error))
        finish(false, error);
}

} // namespace disc
