#include "audio/SessionExport.h"

#include "audio/OfflineRenderer.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <limits>
#include <system_error>

namespace rt
{

void SessionExport::EngineErrors::PostMixerError(QString text)
{
    std::lock_guard lock(m_mutex);
    if (!m_has.load(std::memory_order_relaxed))
        m_text = std::move(text);
    m_has.store(true, std::memory_order_release);
}

QString SessionExport::EngineErrors::Text() const
{
    std::lock_guard lock(m_mutex);
    return m_text;
}

void SessionExport::EngineErrors::Reset()
{
    std::lock_guard lock(m_mutex);
    m_text.clear();
    m_has.store(false, std::memory_order_release);
}

SessionExport::SessionExport() : m_block(std::make_unique<CStereoFrame[]>(kBlockFrames)) {}

SessionExport::~SessionExport()
{
    if (m_thread.joinable())
    {
        Cancel();
        Finish();
    }
}

double SessionExport::Progress() const noexcept
{
    if (m_totalFrames == 0)
        return 0.0;
    return std::min(1.0, static_cast<double>(FramesDone()) / static_cast<double>(m_totalFrames));
}

bool SessionExport::Start(CPlaybackParams params, const QString& target, int format, int compression,
                          int sampleFormat)
{
    if (m_thread.joinable())
    {
        Cancel();
        Finish();
    }
    m_error.clear();
    m_target = target;
    m_framesDone.store(0, std::memory_order_relaxed);
    m_cancel.store(false, std::memory_order_relaxed);
    m_engineErrors.Reset();
    m_engineStopped = m_writeFailed = m_finishFailed = false;

    // The whole session, as the engine counts its frames (it cuts a session past 2^32 frames).
    m_totalFrames = std::min<std::uint64_t>(std::uint64_t{params.m_rate} * params.m_sessionSeconds,
                                            std::numeric_limits<std::uint32_t>::max());
    if (m_totalFrames == 0 || params.m_tracks == nullptr)
    {
        m_error = QString::fromLatin1(kMsgNoLength);
        return false;
    }
    m_file = std::make_unique<plat::ReplacingFile>(target);
    if (!m_file->Create())
    {
        m_error = QString::fromLatin1(kMsgFolder).arg(m_file->FolderForDisplay());
        m_file.reset();
        return false;
    }
    if (!m_encoder.Start(m_file->TemporaryPath(), 2, format, compression, sampleFormat, params.m_rate))
    {
        m_file.reset();
        return false;
    }

    params.m_previewOnly = false;
    params.m_previewTrack = params.m_previewSegment = -1;
    params.m_startFraction = 0.0;
    params.m_notifyWindow = &m_engineErrors;
    if (!m_mixer.PlayOffline(params, nullptr))
    {
        m_encoder.Stop();
        m_file.reset();
        return false;
    }
    m_running.store(true, std::memory_order_release);
    try
    {
        m_thread = std::thread([this] { Run(); });
    }
    catch (const std::system_error&)
    {
        m_running.store(false, std::memory_order_release);
        m_mixer.Stop();
        m_encoder.Stop();
        m_file.reset();
        m_error = QString::fromLatin1(CMixer::kThreadError);
        return false;
    }
    return true;
}

void SessionExport::Run() noexcept
{
    OfflineRenderer renderer(m_mixer);
    std::uint64_t done = 0;
    while (done < m_totalFrames && !m_cancel.load(std::memory_order_acquire))
    {
        const auto want =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kBlockFrames, m_totalFrames - done));
        const std::uint32_t got = renderer.Request(reinterpret_cast<float*>(m_block.get()), want);
        // A playback stops at an engine error; so does the export, and the file is not kept.
        if (got == 0 || m_engineErrors.HasError())
        {
            m_engineStopped = true;
            break;
        }
        if (!m_encoder.Write(m_block.get(), got))
        {
            m_writeFailed = true;
            break;
        }
        done += got;
        m_framesDone.store(done, std::memory_order_relaxed);
    }
    // The encoder program finishes its file here too (it may take a moment after its input ends),
    // so the UI thread only renames or removes the file.
    m_finishFailed = !m_encoder.Stop();
    m_running.store(false, std::memory_order_release);
}

QString SessionExport::WriteFailureText() const
{
    const QStorageInfo storage(QFileInfo(m_target).absolutePath());
    if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < kLowSpaceBytes)
        return QString::fromLatin1(kMsgDiskFull);
    return QString::fromLatin1(kMsgWriteFailed);
}

SessionExport::Outcome SessionExport::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    m_mixer.Stop();
    if (!m_file)
        return Outcome::Failed;
    // Whatever the outcome, the temporary file goes: renamed into place or removed.
    const std::unique_ptr<plat::ReplacingFile> file = std::move(m_file);

    if (m_cancel.load(std::memory_order_acquire))
        return Outcome::Cancelled;
    if (m_engineStopped || m_engineErrors.HasError())
    {
        m_error = m_engineErrors.Text();
        if (m_error.isEmpty())
            m_error = QString::fromLatin1(kMsgEngineStopped);
        return Outcome::Failed;
    }
    if (m_writeFailed || m_finishFailed || FramesDone() < m_totalFrames)
    {
        m_error = WriteFailureText();
        return Outcome::Failed;
    }
    if (!file->Commit())
    {
        m_error = QString::fromLatin1(kMsgReplaceFailed).arg(QDir::toNativeSeparators(m_target));
        return Outcome::Failed;
    }
    return Outcome::Exported;
}

} // namespace rt
