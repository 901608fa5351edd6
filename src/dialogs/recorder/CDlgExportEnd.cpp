#include "dialogs/recorder/CDlgExportEnd.h"

#include "dialogs/recorder/AudioCdWriter.h"

#include "audio/DeviceLists.h"
#include "controls/Behaviour.h"

#include <QFile>

#include <algorithm>

namespace
{

using Item = dlg::RecordingEndDialog::Item;

constexpr dlg::RecordingEndDialog::Variant kVariant{
    321,
    295,
    Item{1083, {7, 7, 135, 8}, "The sound file was successfully created"},
    Item{1078, {7, 29, 123, 8}, "Enter a name for the sound file"},
    Item{1081, {7, 70, 123, 8}, "Folder location of the sound file"},
    Item{1082, {7, 116, 166, 8}, "What would you like to do with the sound file?"},
    Item{CDlgExportEnd::kIdName, {7, 43, 237, 14}, ""},
    Item{CDlgExportEnd::kIdPlay, {251, 41, 63, 17}, "Play file"},
    Item{CDlgExportEnd::kIdFolderLabel, {7, 84, 236, 14}, " Location (folder)"},
    Item{CDlgExportEnd::kIdMove, {251, 82, 63, 17}, "Move to folder"},
    Item{CDlgExportEnd::kIdOpenFolder, {7, 203, 308, 27}, "Open the containing folder"},
    Item{CDlgExportEnd::kIdDelete, {7, 232, 308, 27}, "Delete the sound file and finish"},
    Item{CDlgExportEnd::kIdFinish, {7, 261, 308, 27}, "Finish - I'll handle the sound file later"},
    "",
    "The file already exists.\n\nDo you want to override the existing file?",
    "File was moved successfully.",
    "Sound file was deleted.",
    "Failed to delete the sound file.",
};

} // namespace

CDlgExportEnd::CDlgExportEnd(QWidget* parent)
    : dlg::RecordingEndDialog(kVariant, parent), m_writer(std::make_unique<disc::ExternalCdWriter>())
{
    m_writeCd = AddActionButton(Item{kIdWriteCd, {7, 131, 308, 27}, "Write the sound file to an Audio-CD"});
    auto* hint =
        new ui::Static(this, kIdCdHint,
                       QStringLiteral("To write (burn) the sound file to an Audio-CD, please insert a "
                                      "blank CD to the CD-Drive."));
    // The template's one line holds the sentence in its own font only; here it wraps onto a
    // second line in the space down to the status line.
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont small = hint->font();
    small.setPixelSize(std::max(9, small.pixelSize() - 1));
    hint->setFont(small);
    hint->setGeometry(MapDialogRect(30, 155, 284, 18));
    m_status = new ui::Static(this, kIdWriteStatus, QStringLiteral("Waiting..."));
    m_status->setGeometry(MapDialogRect(30, 174, 277, 9));
    m_progress = new ui::ProgressBar(this, kIdWriteProgress);
    m_progress->setGeometry(MapDialogRect(30, 183, 277, 8));
    QWidget::setTabOrder(GetDlgItem(kIdMove), m_writeCd);
    QWidget::setTabOrder(m_writeCd, GetDlgItem(kIdOpenFolder));
}

CDlgExportEnd::~CDlgExportEnd()
{
    m_job.reset();
    if (!m_temporaryFile.isEmpty())
        QFile::remove(m_temporaryFile);
}

void CDlgExportEnd::SetCdWriter(std::unique_ptr<disc::CdWriter> writer)
{
    m_job.reset();
    m_writer = std::move(writer);
}

QString CDlgExportEnd::Drive(QString& why) const
{
    const QStringList drives = BurningDeviceNodes(m_deviceRoot);
    if (drives.isEmpty())
    {
        why = QString::fromLatin1(kMsgNoBurner);
        return {};
    }
    if (m_burningDevice < 0 || m_burningDevice >= drives.size())
    {
        why = QString::fromLatin1(kMsgBurnerGone);
        return {};
    }
    why = m_writer ? m_writer->Unavailable() : QString::fromLatin1(disc::ExternalCdWriter::kMsgNoProgram);
    return why.isEmpty() ? drives[m_burningDevice] : QString();
}

bool CDlgExportEnd::OnInitDialog()
{
    dlg::RecordingEndDialog::OnInitDialog();
    setWindowTitle(m_caption);
    if (!m_heading.isEmpty())
        if (auto* heading = dynamic_cast<ui::Static*>(GetDlgItem(m_variant.heading.id)))
            heading->SetWindowText(m_heading);
    m_writing = false;
    m_progress->SetPos(0);
    QString why;
    const bool canWrite = !Drive(why).isEmpty();
    m_writeCd->setEnabled(canWrite);
    m_status->SetWindowText(canWrite ? QString::fromLatin1(kMsgReady) : why);
    return true;
}

bool CDlgExportEnd::OnCommand(int id, ui::Notify code, QWidget* from)
{
    if (id == kIdWriteCd && code == ui::Notify::Clicked)
    {
        OnWriteCd();
        return true;
    }
    return dlg::RecordingEndDialog::OnCommand(id, code, from);
}

void CDlgExportEnd::EnableChildren(bool enable)
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(enable);
}

void CDlgExportEnd::OnWriteCd()
{
    if (m_writing)
        return;
    if (IsPlaying())
        StopPreview();
    QString why;
    const QString drive = Drive(why);
    if (drive.isEmpty())
    {
        m_status->SetWindowText(why);
        m_writeCd->setEnabled(false);
        return;
    }
    m_writing = true;
    m_writtenOk = false;
    m_writeMessage.clear();
    EnableChildren(false);
    m_status->setEnabled(true);
    m_progress->setEnabled(true);
    m_progress->SetPos(0);

    m_job = std::make_unique<disc::AudioCdJob>(*m_writer);
    disc::AudioCdJob::Report report;
    report.status = [this](const QString& text) { m_status->SetWindowText(text); };
    report.progress = [this](int percent) { m_progress->SetPos(percent); };
    report.finished = [this](bool ok, const QString& message)
    {
        m_writtenOk = ok;
        m_writeMessage = message;
        ui::PostMessage(this, WM_APP_DISC_WRITTEN);
    };
    QString error;
    const bool started = m_job->Start(FullPath(), drive, std::move(report), error);
    m_temporaryFile = m_job->TemporaryFile();
    if (!started)
    {
        m_writeMessage = error;
        ui::PostMessage(this, WM_APP_DISC_WRITTEN);
    }
}

ui::LResult CDlgExportEnd::OnAppMessage(ui::MessageEvent& message)
{
    if (message.Message() != WM_APP_DISC_WRITTEN)
        return ui::kNotHandled;
    OnDiscWritten();
    return 0;
}

void CDlgExportEnd::OnDiscWritten()
{
    if (!m_writing)
        return;
    m_job.reset();
    if (!m_temporaryFile.isEmpty())
        QFile::remove(m_temporaryFile); // a failure is of no consequence
    m_temporaryFile.clear();
    EnableChildren(true);
    if (IsPlaying())
        StopPreview();
    m_writing = false;
    if (m_writtenOk)
    {
        m_progress->SetPos(100);
        m_status->SetWindowText(QString::fromLatin1(kMsgWritten));
        return;
    }
    m_status->SetWindowText(QString::fromLatin1(kMsgWriteFailed));
    QString text = QString::fromLatin1(kMsgWriteFailed);
    if (!m_writeMessage.isEmpty())
        text += QStringLiteral("\n\n") + m_writeMessage;
    ui::MessageBox(this, text, ui::MessageButtons::Ok, ui::MessageIcon::Warning);
}

int RunExportEnd(const QString& caption, const QString& folder, const QString& fileName, int burningDevice,
                 QWidget* parent, const QString& heading)
{
    if (parent == nullptr)
        if (auto* view = qobject_cast<QWidget*>(GetActiveView()))
            parent = view->window();
    CDlgExportEnd dialog(parent);
    dialog.SetCaption(caption);
    dialog.SetFile(folder, fileName);
    dialog.SetBurningDevice(burningDevice);
    dialog.SetHeading(heading);
    return dialog.DoModal();
}
