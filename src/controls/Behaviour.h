#pragma once
/** @brief What the program asks of the desktop, behind one interface a test can replace: message
 *  boxes, modal dialog runs, popup menus, file and folder dialogs, opening web pages and files,
 *  the clock and the beep.
 *
 * The default answers with real Qt dialogs and the real clock. A test installs its own (ScopedBehaviour)
 * to answer and record each request headlessly. UI thread, except MessageBox (see there). */

#include <QDateTime>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <optional>

class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace ui
{

class Dialog;

/** Buttons and icon of a message box. */
enum class MessageButtons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
};
enum class MessageIcon
{
    None,
    Information,
    Question,
    Warning,
    Stop,
};

/** One file dialog request. The filter is in the class library's form: "Name|*.a;*.b|All|*.*||". */
struct FileDialogRequest
{
    enum class Mode
    {
        Open,     ///< one existing file
        OpenMany, ///< one or more existing files
        Save,     ///< a file name to write
    };
    Mode mode = Mode::Open;
    QString title;
    QString folder;
    QString filter;
    QString defaultExtension;
    QString fileName;
};

class Behaviour
{
public:
    virtual ~Behaviour() = default;

    /** Shows a message box titled "VORNA"; returns IDOK, IDCANCEL, IDYES or IDNO. */
    virtual int MessageBox(QWidget* owner, const QString& text, MessageButtons buttons, MessageIcon icon);
    /** Runs @p dialog modally (already initialised) and returns its result. */
    virtual int RunModal(Dialog& dialog);
    /** Shows @p menu at the screen point @p at and returns the chosen item's command id, or 0. */
    virtual int TrackPopupMenu(QMenu& menu, const QPoint& at);
    /** The chosen file paths; nullopt when cancelled. */
    virtual std::optional<QStringList> GetFileNames(QWidget* owner, const FileDialogRequest& request);
    /** The chosen folder, starting at @p start; nullopt when cancelled. */
    virtual std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title,
                                                   const QString& start);
    /** The font dialog: screen fonts from @p minPoints to @p maxPoints, starting at @p start;
     *  nullopt when cancelled. */
    virtual std::optional<QFont> ChooseFont(QWidget* owner, const QFont& start, int minPoints, int maxPoints);
    /** Opens a web page, or a file or folder in the desktop's program for it; false when no
     *  program could be started for it (no browser or file manager). */
    virtual bool OpenUrl(const QUrl& url);
    /** Milliseconds since some fixed moment, wrapping at 2^32 (the old tick count). */
    virtual std::uint32_t TickCount();
    /** The local date and time. */
    virtual QDateTime Now();
    /** The refusal beep of an edit field. */
    virtual void Beep();
};

/** The behaviour in use (the default one unless a test installed another). */
Behaviour& CurrentBehaviour();

/** Installs @p behaviour for the scope's life and restores the previous one after. */
class ScopedBehaviour
{
public:
    explicit ScopedBehaviour(Behaviour& behaviour);
    ~ScopedBehaviour();
    ScopedBehaviour(const ScopedBehaviour&) = delete;
    ScopedBehaviour& operator=(const ScopedBehaviour&) = delete;

private:
    Behaviour* m_previous;
};

/** The message box of the program: title "VORNA", the exact @p text. From another thread than the
 *  UI thread the box is queued to the UI thread and IDOK is returned at once, so that a worker or
 *  the recording thread never blocks on (or touches) a window. */
int MessageBox(QWidget* owner, const QString& text, MessageButtons buttons = MessageButtons::Ok,
               MessageIcon icon = MessageIcon::None);

/** Opens @p url through the behaviour; when nothing could open it, says so in a message box
 *  owned by @p owner ("The folder could not be opened..." or "The web page could not be
 *  opened...") and returns false. */
bool OpenUrl(QWidget* owner, const QUrl& url);

/** The wait cursor for the scope's life. */
class WaitCursor
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

/** Converts a class-library filter ("Name|*.a;*.b|All|*.*||") to Qt's ("Name (*.a *.b);;All (*.*)"). */
QString ToQtFilter(const QString& filter);

} // namespace ui

/** The folder picker: starts at @p path when it names an existing folder, else in the documents
 *  folder (never the process's current folder, which the user did not choose); on OK writes the
 *  chosen folder to @p path and returns true; cancel returns false and leaves @p path alone. */
bool BrowseForFolder(QWidget* owner, QString& path, const QString& title);
