#include "app/ExportCommand.h"

#include "audio/COptions.h"
#include "model/CVornaDoc.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace shell
{

namespace
{
constexpr int kFormatWav = 0;
constexpr int kFormatMp3 = 1;
constexpr int kFormatOgg = 2;

QString FilterOf(int format)
{
    switch (format)
    {
    case kFormatMp3:
        return QStringLiteral("MP3 files (*.mp3)|*.mp3|");
    case kFormatOgg:
        return QStringLiteral("OGG files (*.ogg)|*.ogg|");
    default:
        return QStringLiteral("WAV files (*.wav)|*.wav|");
    }
}
} // namespace

QString ExportExtension(int format)
{
    if (format == kFormatMp3)
        return QStringLiteral("mp3");
    if (format == kFormatOgg)
        return QStringLiteral("ogg");
    return QStringLiteral("wav");
}

ui::FileDialogRequest ExportFileRequest(const QString& sessionPath, const QString& folder, int format)
{
    ui::FileDialogRequest request;
    request.mode = ui::FileDialogRequest::Mode::Save;
    request.title = QString::fromLatin1(kTitleExport);
    const int first = format == kFormatMp3 || format == kFormatOgg ? format : kFormatWav;
    request.filter = FilterOf(first);
    for (const int other : {kFormatWav, kFormatMp3, kFormatOgg})
        if (other != first)
            request.filter += FilterOf(other);
    request.filter += QLatin1Char('|');
    request.defaultExtension = ExportExtension(first);
    if (sessionPath.isEmpty())
    {
        request.folder = folder;
        request.fileName = QStringLiteral("Session.") + request.defaultExtension;
    }
    else
    {
        const QFileInfo session(sessionPath);
        request.folder = session.absolutePath();
        request.fileName =
            QDir(session.absolutePath())
                .filePath(session.completeBaseName() + QLatin1Char('.') + request.defaultExtension);
    }
    return request;
}

int ExportFormatForPath(QString& path, int format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const int known : {kFormatWav, kFormatMp3, kFormatOgg})
        if (suffix == ExportExtension(known))
            return known;
    const int kept = format == kFormatMp3 || format == kFormatOgg ? format : kFormatWav;
    path += QLatin1Char('.') + ExportExtension(kept);
    return kept;
}

CPlaybackParams SessionPlaybackParams(CVornaDoc& doc, const COptions& options)
{
    CPlaybackParams params;
    params.m_tracks = &doc.m_tracks;
    params.m_rate = options.GetSampleRate();
    params.m_sessionSeconds = static_cast<std::uint32_t>(std::max(doc.m_sessionLength, 0));
    params.m_startFraction = 0.0;
    params.m_segmentFadeSeconds = options.m_fadeSegmentSeconds;
    params.m_playlistFadeSeconds = options.m_fadePlaylistSeconds;
    params.m_brainwavesGlobal = &doc.m_brainwaves;
    params.m_bilateralGlobal = &doc.m_bilateral;
    return params;
}

} // namespace shell
