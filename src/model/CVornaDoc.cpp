#include "model/CVornaDoc.h"

#include "model/DocumentHost.h"
#include "platform/Archive.h"
#include "platform/Registry.h"
#include "platform/RegularFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <stk/Stk.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <utility>

namespace
{

// A session being read. The document takes it over only when the whole file has been read, so
// a damaged file leaves the document as the new-session reset made it.
struct SessionBeingRead
{
    std::int32_t version = 0;
    std::int32_t length = 0;
    CStages stages;
    CTracks tracks;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    QString notes;
};

QString Describe(const char* message, const QString& path, const QString& reason)
{
    return QStringLiteral("%1\n\n%2\n%3")
        .arg(QString::fromLatin1(message), QDir::toNativeSeparators(path), reason);
}

} // namespace

CVornaDoc::CVornaDoc()
{
    // The bell instruments read their raw waves ("marmstk1.raw") from here.
    stk::Stk::setRawwavePath((GetInstallPath() + QStringLiteral("/Internals/")).toStdString());
    OnNewDocument();
}

CVornaView* CVornaDoc::GetView() const
{
    return m_host != nullptr ? m_host->GetView() : nullptr;
}

void CVornaDoc::Report(const QString& text) const
{
    if (m_host != nullptr)
        m_host->ShowMessage(text);
}

void CVornaDoc::TieToFile(const QString& path)
{
    const QFileInfo info(path);
    m_pathName = info.absoluteFilePath();
    m_title = info.completeBaseName();
}

bool CVornaDoc::OnNewDocument()
{
    m_pathName.clear();

    m_sessionLength = kDefaultSessionSeconds;
    m_tracks.SetDefault();
    m_stages.SetDefault();
    // The whole setting back to what a new one holds: its record in a file also sets the range
    // and the automatic graph's limits, which the settings' own SetDefault keeps, so a session
    // opened earlier would otherwise shape every new one.
    m_brainwaves.m_property = CBrainwavesGlobal().m_property;
    m_bilateral.m_property = CBilateralGlobal().m_property;
    m_notes.clear();

    m_isPlaying = false;
    m_isLive = false;
    m_isPaused = false;
    m_cursorPosition = 0.0;
    m_pausePosition = 0.0;
    m_hoverPosition = -1.0;

    m_graphClipboard.SetConstant(0.0);

    if (m_host != nullptr)
        m_host->OnSessionReplaced();

    m_title = QString::fromLatin1(kTitleUntitled);
    m_isSessionModified = false;
    return true;
}

bool CVornaDoc::OnOpenDocument(const QString& path)
{
    OnNewDocument();

    // Only a regular file can be a session: a FIFO would hold the open until someone writes into
    // it, and it or a device could feed the reader without end.
    QFile file;
    QString reason;
    switch (plat::OpenRegularFile(file, path, reason))
    {
    case plat::OpenedAs::RegularFile:
        break;
    case plat::OpenedAs::OtherKind:
        Report(QString::fromLatin1(kMsgInvalidFile));
        return false;
    case plat::OpenedAs::Failed:
        Report(Describe(kMsgFailedToOpen, path, reason));
        return false;
    }
    // Any file can be picked in the open dialog: one that is not a session is refused from its
    // first four bytes, before a large file is read into memory for nothing.
    const QByteArray head = file.peek(4);
    if (head.size() == 4 && qFromLittleEndian<std::int32_t>(head.constData()) != kFileMagic)
    {
        Report(QString::fromLatin1(kMsgInvalidFile));
        return false;
    }
    // The file is read where the system keeps it, mapped: a copy would cost as much memory again
    // as the file, each page of it touched for the first time. A file that cannot be mapped is
    // read into memory, no further than the size it had when it was opened.
    const qint64 size = file.size();
    std::span<const std::uint8_t> bytes;
    if (size > 0)
        if (const uchar* mapped = file.map(0, size))
            bytes = {mapped, static_cast<std::size_t>(size)};
    QByteArray copy;
    if (bytes.empty() && size > 0)
    {
        file.unsetError(); // a refused mapping leaves its error behind
        try
        {
            copy = file.read(size);
        }
        catch (const std::bad_alloc&)
        {
            Report(QString::fromLatin1(kMsgFailedToOpen));
            return false;
        }
        if (file.error() != QFileDevice::NoError)
        {
            Report(Describe(kMsgFailedToOpen, path, file.errorString()));
            return false;
        }
        bytes = {reinterpret_cast<const std::uint8_t*>(copy.constData()),
                 static_cast<std::size_t>(copy.size())};
    }

    // An empty file is not read at all: it opens as the new session, tied to that file.
    if (!bytes.empty() && !LoadFromBytes(bytes))
        return false;

    TieToFile(path);
    m_isSessionModified = false;
    if (m_host != nullptr)
        m_host->OnSessionReplaced();
    return true;
}

bool CVornaDoc::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    try
    {
        plat::Archive ar = plat::Archive::ForLoadingInPlace(bytes);
        Serialize(ar);
        return true;
    }
    catch (const RefusedError& e)
    {
        Report(QString::fromUtf8(e.what()));
    }
    catch (const plat::ArchiveError& e)
    {
        Report(QString::fromLatin1(e.GetCause() == plat::ArchiveError::Cause::EndOfFile ? kMsgUnexpectedFormat
                                                                                        : kMsgFailedToOpen));
    }
    catch (const std::exception&)
    {
        // Invalid arguments inside a record, and allocations that a damaged count asks for.
        Report(QString::fromLatin1(kMsgFailedToOpen));
    }
    return false;
}

bool CVornaDoc::OnSaveDocument(const QString& path)
{
    plat::Archive ar = plat::Archive::ForStoring(kFileVersion);
    try
    {
        Serialize(ar);
    }
    catch (const std::exception& e)
    {
        Report(Describe(kMsgFailedToSave, path, QString::fromUtf8(e.what())));
        return false;
    }

    // The previous file is replaced only once the new one is complete on disk: commit syncs it
    // before the rename, and leaving without commit discards the temporary file and keeps the
    // previous one. Written unbuffered, to the last byte: a write that a full disk cuts short
    // returns what it wrote without an error, and only the next one gives the system's reason.
    const std::vector<std::uint8_t>& bytes = ar.GetBytes();
    QSaveFile file(path);
    const auto size = static_cast<qint64>(bytes.size());
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; written && done < size;)
    {
        const qint64 n = file.write(reinterpret_cast<const char*>(bytes.data()) + done, size - done);
        written = n > 0;
        done += std::max<qint64>(n, 0);
    }
    if (!written || file.error() != QFileDevice::NoError || !file.commit())
    {
        const QString reason = file.errorString();
        file.cancelWriting();
        Report(Describe(kMsgFailedToSave, path, reason));
        return false;
    }
    TieToFile(path);
    m_isSessionModified = false;
    return true;
}

void CVornaDoc::ShowConversionNoticeOnce() const
{
    if (m_host == nullptr)
        return;
    QString shown;
    if (GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegMsgConvert), shown) &&
        shown == QStringLiteral("1"))
        return;
    m_host->ShowMessage(QString::fromLatin1(kMsgConverted));
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegMsgConvert), QStringLiteral("1"));
}

void CVornaDoc::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        m_version = kFileVersion;
        ar.SetFileVersion(kFileVersion);
        ar.WriteInt32(kFileMagic);
        ar.WriteInt32(kFileVersion);
        ar.WriteInt32(m_sessionLength);
        m_stages.Serialize(ar);
        m_tracks.Serialize(ar);
        m_brainwaves.Serialize(ar);
        m_bilateral.Serialize(ar);
        ar.WriteString(m_notes);
        // After writing, so that the file keeps the times as they stood before the clip.
        m_tracks.UpdateSegmentTimes(m_sessionLength);
        return;
    }

    if (ar.ReadInt32() != kFileMagic)
        throw RefusedError(kMsgInvalidFile);
    auto read = std::make_unique<SessionBeingRead>();
    read->version = ar.ReadInt32();
    if (read->version > kFileVersion)
        throw RefusedError(kMsgTooNew);
    if (read->version < kOldestFileVersion)
        throw RefusedError(kMsgTooOld);
    ar.SetFileVersion(read->version);

    read->length = ar.ReadInt32();
    // Every position in the program is a fraction of the length, and the engine counts the
    // session's frames in 32 bits: a length of 0 divides by zero, a longer one overflows.
    if (read->length <= 0 || read->length > kMaxSessionSeconds)
        plat::Archive::ThrowBadFormat("The file is damaged: the session length is out of range.");
    read->stages.Serialize(ar);
    read->tracks.Serialize(ar);
    read->brainwaves.Serialize(ar);
    read->bilateral.Serialize(ar);
    if (read->version >= kFirstVersionWithNotes)
        read->notes = ar.ReadString();
    read->tracks.UpdateSegmentTimes(read->length);

    m_version = read->version;
    m_sessionLength = read->length;
    std::swap(m_stages, read->stages);
    std::swap(m_tracks, read->tracks);
    m_brainwaves.m_property = read->brainwaves.m_property;
    m_bilateral.m_property = read->bilateral.m_property;
    m_notes = std::move(read->notes);

    if (m_version < kFirstCurrentFormat)
        ShowConversionNoticeOnce();
}
