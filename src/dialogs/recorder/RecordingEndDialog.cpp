#include "dialogs/recorder/RecordingEndDialog.h"

#include "controls/Behaviour.h"
#include "platform/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace dlg
{

namespace
{

QRect Pixels(const RecordingEndDialog::Rect& r)
{
    return ui::Dialog::MapDialogRect(r.x, r.y, r.width, r.height);
}

/** A name the user may give the recording: not empty, and naming a file in the same folder. */
bool IsAcceptableName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}

bool IsSameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

bool Exists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool RenameNow(const QString& from, const QString& to, int& error)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    error = errno;
    return false;
}

} // namespace

PathLabel::PathLabel(QWidget* parent, int id) : ui::Static(parent, id) {}

void PathLabel::SetPath(const QString& path)
{
    m_path = path;
    setToolTip(path);
    Elide();
}

void PathLabel::resizeEvent(QResizeEvent* event)
{
    ui::Static::resizeEvent(event);
    Elide();
}

void PathLabel::Elide()
{
    setText(fontMetrics().elidedText(m_path, Qt::ElideMiddle, contentsRect().width()));
}

RecordingEndDialog::RecordingEndDialog(const Variant& variant, QWidget* parent)
    : ui::Dialog(parent), m_variant(variant)
{
    setFixedSize(MapDialogRect(0, 0, variant.widthDlu, variant.heightDlu).size());
    for (const Item* item : {&variant.heading, &variant.enterName, &variant.folderHeading, &variant.question})
        AddStatic(*item);

    m_name = new ui::Edit(this, variant.nameEdit.id);
    m_name->setGeometry(Pixels(variant.nameEdit.rect));
    m_play = new ui::Button(this, kIdPlay, QString::fromUtf8(variant.play.text));
    m_play->setGeometry(Pixels(variant.play.rect));
    m_folderLabel = new PathLabel(this, kIdFolderLabel);
    m_folderLabel->setGeometry(Pixels(variant.folderLabel.rect));
    m_folderLabel->setFrameShape(QFrame::StyledPanel);
    m_folderLabel->SetPath(QString::fromUtf8(variant.folderLabel.text));
    auto* move = new ui::Button(this, variant.move.id, QString::fromUtf8(variant.move.text));
    move->setGeometry(Pixels(variant.move.rect));
    for (const Item* item : {&variant.openFolder, &variant.deleteFile, &variant.finish})
        AddActionButton(*item);
}

RecordingEndDialog::~RecordingEndDialog() = default;

ui::Static* RecordingEndDialog::AddStatic(const Item& item)
{
    auto* label = new ui::Static(this, item.id, QString::fromUtf8(item.text));
    QRect r = Pixels(item.rect);
    // The template's widths were measured in its own font; a heading may use the row up to the
    // right margin, which nothing else shares.
    const int rightMargin = width() - MapDialogRect(0, 0, 7, 0).width();
    r.setRight(std::max(r.right(), rightMargin - 1));
    r.setHeight(std::max(r.height(), label->fontMetrics().height()));
    label->setGeometry(r);
    return label;
}

ui::Button* RecordingEndDialog::AddActionButton(const Item& item)
{
    auto* button = new ui::Button(this, item.id, QString::fromUtf8(item.text));
    button->setGeometry(Pixels(item.rect));
    return button;
}

void RecordingEndDialog::SetFile(const QString& folder, const QString& fileName)
{
    m_folder = folder;
    m_fileName = fileName;
}

QString RecordingEndDialog::FullPath() const
{
    return m_folder + QLatin1Char('/') + m_fileName;
}

bool RecordingEndDialog::OnInitDialog()
{
    m_name->SetWindowText(GetPathWithoutExtension(m_fileName));
    m_folderLabel->SetPath(QString::fromUtf8(m_variant.folderPrefix) + m_folder);
    m_playing = false;
    m_closing = false;
    return true;
}

bool RecordingEndDialog::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (id == m_variant.nameEdit.id)
    {
        if (code == ui::Notify::KillFocus)
            OnRename();
        return true;
    }
    if (code != ui::Notify::Clicked)
        return false;
    if (id == kIdPlay)
        OnPlay();
    else if (id == m_variant.move.id)
        OnMove();
    else if (id == kIdOpenFolder)
        OnOpenFolder();
    else if (id == kIdDelete)
        OnDelete();
    else if (id == kIdFinish)
        OnCancel();
    else
        return false;
    return true;
}

void RecordingEndDialog::OnTimer(int id)
{
    if (id != kPreviewTimer)
        return;
    // The timer ran the file's length from the press of Play, but the device starts a moment
    // later and still holds its latency's worth: the preview ends only once the last frame is
    // heard.
    if (const int leftMs = m_player.MillisecondsToEnd(); leftMs > 0)
    {
        SetTimer(kPreviewTimer, leftMs);
        return;
    }
    StopPreview();
}

void RecordingEndDialog::OnCancel()
{
    if (!MayClose())
        return;
    if (m_playing)
        StopPreview();
    Finish(ui::IDCANCEL);
}

void RecordingEndDialog::OnOK()
{
    if (m_name->hasFocus())
        OnRename();
}

void RecordingEndDialog::Finish(int result)
{
    // Hiding the dialog takes the focus from the name box; that is no rename.
    m_closing = true;
    EndDialog(result);
}

void RecordingEndDialog::StopPreview()
{
    KillTimer(kPreviewTimer);
    m_player.Close();
    m_play->SetWindowText(QStringLiteral("Play"));
    m_playing = false;
}

void RecordingEndDialog::OnPlay()
{
    if (m_playing)
    {
        StopPreview();
        return;
    }
    if (!m_player.OpenFile(FullPath()))
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgPlayFailed));
        return;
    }
    SetTimer(kPreviewTimer, static_cast<int>(m_player.GetLength() * 1000.0));
    m_player.Play();
    m_play->SetWindowText(QStringLiteral("Stop"));
    m_playing = true;
}

void RecordingEndDialog::RestoreName()
{
    m_name->SetWindowText(GetPathWithoutExtension(m_fileName));
}

bool RecordingEndDialog::AskReplace()
{
    return ui::MessageBox(this, QString::fromUtf8(m_variant.replaceQuestion), ui::MessageButtons::OkCancel,
                          ui::MessageIcon::Question) == ui::IDOK;
}

void RecordingEndDialog::OnRename()
{
    // A message box of the rename itself takes the focus from the name box again.
    if (m_renaming || m_closing)
        return;
    m_renaming = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_renaming};

    if (m_playing)
        StopPreview();
    const QString newName = m_name->GetWindowText();
    if (newName == GetPathWithoutExtension(m_fileName))
        return;
    if (!IsAcceptableName(newName))
    {
        ui::MessageBox(this, QString::fromUtf8(kMsgBadName), ui::MessageButtons::Ok,
                       ui::MessageIcon::Warning);
        RestoreName();
        return;
    }
    const QString ext = GetFileExtension(m_fileName);
    const QString newFileName = ext.isEmpty() ? newName : newName + QLatin1Char('.') + ext;
    const QString oldPath = FullPath();
    const QString newPath = m_folder + QLatin1Char('/') + newFileName;
    if (Exists(newPath) && !IsSameFile(oldPath, newPath) && !AskReplace())
    {
        RestoreName();
        return;
    }
    int error = 0;
    if (!ReplaceFile(oldPath, newPath, error))
    {
        ui::MessageBox(this, FileErrorMessage(error, oldPath), ui::MessageButtons::Ok,
                       ui::MessageIcon::Warning);
        RestoreName();
        return;
    }
    m_fileName = newFileName;
}

bool RecordingEndDialog::ReplaceFile(const QString& from, const QString& to, int& error)
{
    if (!IsSameFile(from, to))
        return RenameNow(from, to, error);
    // rename(2) does nothing when both names are one file; a free name in between takes the new
    // spelling.
    const QFileInfo target(to);
    QString between;
    for (int i = 0; between.isEmpty() || Exists(between); ++i)
        between = target.absolutePath() + QStringLiteral("/.%1.renaming-%2").arg(target.fileName()).arg(i);
    if (!RenameNow(from, between, error))
        return false;
    if (RenameNow(between, to, error))
        return true;
    int ignored = 0;
    RenameNow(between, from, ignored);
    return false;
}

QString RecordingEndDialog::FileErrorMessage(int error, const QString& path)
{
    switch (error)
    {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("%1 was not found.").arg(path);
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
        return QStringLiteral("Access to %1 was denied.").arg(path);
    case EISDIR:
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("%1 could not be replaced: a folder of that name is in the way.").arg(path);
    case ENAMETOOLONG:
    case EINVAL:
        return QStringLiteral("%1 contains an invalid path.").arg(path);
    case ENOSPC:
        return QStringLiteral("Disk full while accessing %1.").arg(path);
    case EIO:
        return QStringLiteral("A hard I/O error occurred while accessing %1.").arg(path);
    default:
        return QStringLiteral("An unexpected error occurred while accessing %1.").arg(path);
    }
}

void RecordingEndDialog::OnMove()
{
    if (m_playing)
        StopPreview();
    QString chosen = m_folder; // the picker starts where the recording is
    if (!::BrowseForFolder(this, chosen, QString::fromLatin1(kMoveTitle)))
        return;
    while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/')))
        chosen.chop(1);
    bool moved = false;
    {
        ui::WaitCursor wait;
        // QFile::rename never replaces a file and copies across file systems.
        moved = QFile::rename(FullPath(), chosen + QLatin1Char('/') + m_fileName);
    }
    if (!moved)
    {
        ui::MessageBox(this, QString::fromUtf8(kMsgMoveFailed));
        return;
    }
    ui::MessageBox(this, QString::fromUtf8(m_variant.moveDone));
    m_folder = chosen;
    m_folderLabel->SetPath(m_folder);
}

void RecordingEndDialog::OnOpenFolder()
{
    if (m_playing)
        StopPreview();
    ui::OpenUrl(this, QUrl::fromLocalFile(m_folder));
}

void RecordingEndDialog::OnDelete()
{
    if (m_playing)
        StopPreview();
    const bool deleted = QFile::remove(FullPath());
    ui::MessageBox(this, QString::fromUtf8(deleted ? m_variant.deleteDone : m_variant.deleteFailed));
    Finish(ui::IDOK);
}

} // namespace dlg
