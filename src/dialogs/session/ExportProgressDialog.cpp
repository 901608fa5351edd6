#include "dialogs/session/ExportProgressDialog.h"

#include "audio/SessionExport.h"
#include "controls/Behaviour.h"
#include "controls/Controls.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace dlg
{

ExportProgressDialog::ExportProgressDialog(QWidget* parent, rt::SessionExport& job)
    : ui::Dialog(parent), m_job(job)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setFixedSize(MapDialogRect(0, 0, 262, 90).size());

    auto* heading = new ui::Static(this, kIdHeading, QStringLiteral("Exporting the session to:"));
    heading->setGeometry(MapDialogRect(9, 8, 244, 9));
    m_file = new ui::Static(this, kIdFile);
    m_file->setGeometry(MapDialogRect(9, 19, 244, 9));
    m_file->setTextFormat(Qt::PlainText);
    m_progress = new ui::ProgressBar(this, kIdProgress);
    m_progress->setGeometry(MapDialogRect(9, 34, 244, 10));
    m_percent = new ui::Static(this, kIdPercent);
    m_percent->setGeometry(MapDialogRect(9, 49, 40, 9));
    m_times = new ui::Static(this, kIdTimes);
    m_times->setGeometry(MapDialogRect(53, 49, 200, 9));
    m_times->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_cancel = new ui::Button(this, ui::IDCANCEL, QStringLiteral("Cancel"));
    m_cancel->setGeometry(MapDialogRect(203, 66, 50, 15));
}

QString ExportProgressDialog::Clock(std::uint64_t seconds)
{
    const std::uint64_t h = seconds / 3600;
    const std::uint64_t m = seconds / 60 % 60;
    const std::uint64_t s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString ExportProgressDialog::TimesText(double progress, std::uint32_t elapsedMs)
{
    const QString elapsed = Clock(elapsedMs / 1000);
    // Until some work is done in some measurable time there is no speed to go by.
    QString remaining = QStringLiteral("--:--");
    if (progress >= 1.0)
        remaining = Clock(0);
    else if (progress > 0.0 && elapsedMs > 0)
    {
        const double left = elapsedMs / 1000.0 * (1.0 - progress) / progress;
        remaining = Clock(static_cast<std::uint64_t>(std::ceil(std::min(left, 359999.0))));
    }
    return QStringLiteral("Elapsed %1    Remaining %2").arg(elapsed, remaining);
}

bool ExportProgressDialog::OnInitDialog()
{
    m_file->SetWindowText(QDir::toNativeSeparators(m_job.TargetPath()));
    m_file->setToolTip(m_file->text());
    // A long path keeps its file name in view: the folder is elided in the middle.
    m_file->SetWindowText(m_file->fontMetrics().elidedText(m_file->text(), Qt::ElideMiddle, m_file->width()));
    m_progress->SetRange(0, 100);
    m_startTick = ui::CurrentBehaviour().TickCount();
    Poll();
    SetTimer(kTimerPoll, kPollMs);
    return true;
}

void ExportProgressDialog::Poll()
{
    const double progress = m_job.Progress();
    const int percent = static_cast<int>(std::floor(progress * 100.0));
    m_progress->SetPos(percent);
    m_percent->SetWindowText(QStringLiteral("%1%").arg(percent));
    const std::uint32_t elapsed = ui::CurrentBehaviour().TickCount() - m_startTick;
    if (m_job.IsCancelled())
        m_times->SetWindowText(QStringLiteral("Cancelling..."));
    else if (m_job.IsRunning() && m_job.FramesDone() >= m_job.TotalFrames())
        m_times->SetWindowText(QStringLiteral("Finishing the file..."));
    else
        m_times->SetWindowText(TimesText(progress, elapsed));
}

void ExportProgressDialog::OnTimer(int id)
{
    if (id != kTimerPoll)
        return;
    Poll();
    if (!m_job.IsRunning())
    {
        KillTimer(kTimerPoll);
        EndDialog(m_job.IsCancelled() ? ui::IDCANCEL : ui::IDOK);
    }
}

bool ExportProgressDialog::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (id == ui::IDCANCEL && code == ui::Notify::Clicked)
    {
        OnCancel();
        return true;
    }
    return false;
}

void ExportProgressDialog::OnCancel()
{
    // The worker stops after its current block; the timer closes the window once it has.
    m_job.Cancel();
    m_cancel->setEnabled(false);
    Poll();
}

} // namespace dlg
