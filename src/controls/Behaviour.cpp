#include "controls/Behaviour.h"

#include "controls/Window.h"
#include "platform/Folders.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

namespace ui
{

int Behaviour::MessageBox(QWidget* owner, const QString& text, MessageButtons buttons, MessageIcon icon)
{
    QMessageBox box(owner);
    MakeModalToOwner(box);
    box.setWindowTitle(QStringLiteral("VORNA"));
    box.setText(text);
    switch (icon)
    {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons)
    {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec())
    {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

int Behaviour::RunModal(Dialog& dialog)
{
    return dialog.exec();
}

int Behaviour::TrackPopupMenu(QMenu& menu, const QPoint& at)
{
    QAction* chosen = menu.exec(at);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

std::optional<QStringList> Behaviour::GetFileNames(QWidget* owner, const FileDialogRequest& request)
{
    QFileDialog dialog(owner, request.title, request.folder, ToQtFilter(request.filter));
    MakeModalToOwner(dialog);
    switch (request.mode)
    {
    case FileDialogRequest::Mode::Open:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileDialogRequest::Mode::OpenMany:
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case FileDialogRequest::Mode::Save:
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        break;
    }
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> Behaviour::BrowseForFolder(QWidget* owner, const QString& title, const QString& start)
{
    QFileDialog dialog(owner, title, start);
    MakeModalToOwner(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QFont> Behaviour::ChooseFont(QWidget* owner, const QFont& start, int minPoints, int maxPoints)
{
    // On the face that is really drawn (a substituted "Arial" is not in the dialog's list, which
    // would open on its first family) and its size in points (a pixel-sized font has none).
    const QFontInfo shown(start);
    QFont first(shown.family());
    first.setStyleName(shown.styleName());
    first.setPointSizeF(shown.pointSizeF());
    QFontDialog dialog(first, owner);
    MakeModalToOwner(dialog);
    dialog.setOption(QFontDialog::ScalableFonts, true);
    dialog.setOption(QFontDialog::NonScalableFonts, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QFont chosen = dialog.selectedFont();
    if (chosen.pointSize() > 0)
        chosen.setPointSize(std::clamp(chosen.pointSize(), minPoints, maxPoints));
    return chosen;
}

bool Behaviour::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

std::uint32_t Behaviour::TickCount()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return static_cast<std::uint32_t>(clock.elapsed());
}

QDateTime Behaviour::Now()
{
    return QDateTime::currentDateTime();
}

void Behaviour::Beep()
{
    QApplication::beep();
}

namespace
{
Behaviour*& Installed()
{
    static Behaviour standard;
    static Behaviour* current = &standard;
    return current;
}
} // namespace

Behaviour& CurrentBehaviour()
{
    return *Installed();
}

ScopedBehaviour::ScopedBehaviour(Behaviour& behaviour) : m_previous(Installed())
{
    Installed() = &behaviour;
}

ScopedBehaviour::~ScopedBehaviour()
{
    Installed() = m_previous;
}

int MessageBox(QWidget* owner, const QString& text, MessageButtons buttons, MessageIcon icon)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() != app->thread())
    {
        QPointer<QWidget> safeOwner(owner);
        QMetaObject::invokeMethod(
            app,
            [safeOwner, text, buttons, icon]
            { CurrentBehaviour().MessageBox(safeOwner.data(), text, buttons, icon); },
            Qt::QueuedConnection);
        return IDOK;
    }
    return CurrentBehaviour().MessageBox(owner, text, buttons, icon);
}

bool OpenUrl(QWidget* owner, const QUrl& url)
{
    if (CurrentBehaviour().OpenUrl(url))
        return true;
    const QString text =
        url.isLocalFile()
            ? QStringLiteral("The folder could not be opened: no file manager was found to show it.\n\n%1")
                  .arg(url.toLocalFile())
            : QStringLiteral("The web page could not be opened: no web browser was found to show it.\n\n%1")
                  .arg(url.toString());
    MessageBox(owner, text, MessageButtons::Ok, MessageIcon::Warning);
    return false;
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

QString ToQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
    {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString name = parts[i];
        // The name often repeats its patterns in brackets already ("Files (*.vrx)").
        if (!name.contains(QLatin1Char('(')))
            name += QStringLiteral(" (") + patterns + QLatin1Char(')');
        else
            name = name.left(name.indexOf(QLatin1Char('('))).trimmed() + QStringLiteral(" (") + patterns +
                   QLatin1Char(')');
        out << name;
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace ui

bool BrowseForFolder(QWidget* owner, QString& path, const QString& title)
{
    const QString start = !path.isEmpty() && QFileInfo(path).isDir() ? path : GetDocumentsFolder();
    const std::optional<QString> chosen = ui::CurrentBehaviour().BrowseForFolder(owner, title, start);
    if (!chosen)
        return false;
    path = QDir::toNativeSeparators(*chosen);
    return true;
}
