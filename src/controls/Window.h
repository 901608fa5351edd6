#pragma once
/** @brief The window layer every pane, control and dialog stands on.
 *
 * A window here is a QWidget with a control id, timers by id, and handlers named after what the
 * panes and dialogs react to (paint, size, mouse, keys, timers, commands from child controls,
 * scrolling, application messages). Qt's event overrides call the handlers; every call is guarded so
 * that an error of the model (plat::Error and the standard exceptions) is shown in a message box and
 * the program carries on, as a window procedure of the old class library did.
 *
 * Painting: OnPaint gets a painter on the widget and draws everything in one pass. Qt already
 * double-buffers the window, so no off-screen bitmap is needed; a window that paints every pixel
 * calls SetOpaquePaint(true) so that Qt does not erase first (no flicker, no wasted fill).
 *
 * Keys: before a key press reaches the focused widget, each ui window from it up to its top-level
 * window is offered the key in PreTranslateMessage; then, when that top-level window is the main
 * frame, the frame's accelerator table (Accelerators.h). UI thread only. */

#include "messages/AppMessage.h"

#include <QBasicTimer>
#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <map>

class QKeyEvent;
class QPainter;

namespace ui
{

/** Sets the control id of any widget (ids are what children are found by). */
void SetControlId(QWidget* widget, int id);
/** The control id of @p widget; 0 when it has none. */
int ControlId(const QWidget* widget);
/** The direct child of @p parent with control id @p id, or null. */
QWidget* FindControl(const QWidget* parent, int id);

/** "Edit" for the text-entry widgets, "Button", "Static", "ComboBox", "ListBox" and "Slider" for the
 *  others of this layer, else the Qt class name. Panels test for "Edit" to let Delete edit text. */
QString WindowClassName(const QWidget* widget);

/** The screen position of the last mouse event the layer saw. Panes read the cursor while dragging,
 *  and Qt's test events do not move the real cursor, so this is the cursor the program uses. */
QPoint CursorPos();
/** Moves the layer's cursor (tests, and code that warps the cursor). */
void SetCursorPos(const QPoint& global);

/** Notification codes that child controls send with a command. */
enum class Notify
{
    Clicked,     ///< a button was pressed and released over itself
    Changed,     ///< an edit's text changed (also when set by code)
    SetFocus,    ///< an edit got the focus
    KillFocus,   ///< an edit lost the focus
    SelChange,   ///< the user chose another item of a list or combo box
    Accelerator, ///< the command came from the accelerator table
    Menu,        ///< the command came from a popup menu
    Link,        ///< a link of a static text was clicked
};

/** Scroll codes a slider or spin button sends with its new position. */
enum class ScrollCode
{
    ThumbTrack,    ///< moved by dragging
    ThumbPosition, ///< moved to a position (spin clicks, keys, wheel, page clicks)
    EndScroll,     ///< the drag ended
};

/** A command from a child control, the accelerator table or a menu, delivered to its parent. */
class CommandEvent : public QEvent
{
public:
    CommandEvent(int id, Notify code, QWidget* from);
    static QEvent::Type EventType();
    int Id() const { return m_id; }
    Notify Code() const { return m_code; }
    QWidget* From() const { return m_from; }

private:
    int m_id;
    Notify m_code;
    QWidget* m_from;
};

/** A slider or spin button moved; delivered to its parent. */
class ScrollEvent : public QEvent
{
public:
    ScrollEvent(bool vertical, ScrollCode code, int pos, QWidget* from);
    static QEvent::Type EventType();
    bool Vertical() const { return m_vertical; }
    ScrollCode Code() const { return m_code; }
    int Pos() const { return m_pos; }
    QWidget* From() const { return m_from; }

private:
    bool m_vertical;
    ScrollCode m_code;
    int m_pos;
    QWidget* m_from;
};

/** Sends a command to @p to (synchronously); true when a handler took it. */
bool SendCommand(QWidget* to, int id, Notify code, QWidget* from = nullptr);

/** What PreTranslateMessage does with a key. */
enum class Translate
{
    Continue, ///< not mine: offer it to the parent, then to the accelerator table
    Consume,  ///< handled: nobody else sees it
    Deliver,  ///< stop offering it and deliver it to the focused widget as it is
};

/** Invalidates @p widget as a window of this layer is invalidated (WindowCore::Invalidate, which a
 *  window holding panes extends to them). Another widget (the main frame, a plain parent) is
 *  updated, and so is every window of this layer directly inside it. Nothing for null. */
void InvalidateWindow(QWidget* widget);

/** Shows an error that reached a handler; what the class library's window procedure did. */
void ReportException(const std::exception& error);

/** The handlers and services shared by Window and Dialog. */
class WindowCore
{
public:
    explicit WindowCore(QWidget* self);
    virtual ~WindowCore();

    WindowCore(const WindowCore&) = delete;
    WindowCore& operator=(const WindowCore&) = delete;

    int GetDlgCtrlID() const { return ControlId(m_self); }
    void SetDlgCtrlID(int id) { SetControlId(m_self, id); }
    QWidget* GetDlgItem(int id) const { return FindControl(m_self, id); }

    /** Client rectangle: (0, 0) to (width, height), right and bottom excluded. */
    QRect GetClientRect() const { return m_self->rect(); }
    /** Moves and sizes the window in its parent's client coordinates. */
    void MoveWindow(const QRect& rect, bool repaint = true);
    void EnableWindow(bool enable) { m_self->setEnabled(enable); }
    /** Schedules a repaint of the whole window (never erases first when opaque). A window whose
     *  children paint what it shows (the view and its panes, the transport bar and its read-outs)
     *  extends this to them: Qt does not repaint a child that paints opaquely when only its parent
     *  was updated. */
    virtual void Invalidate() { m_self->update(); }
    void SetFocus() { m_self->setFocus(Qt::OtherFocusReason); }

    /** Starts or restarts timer @p id (any int, 0 included) with a period of @p ms milliseconds. */
    void SetTimer(int id, int ms);
    /** Stops timer @p id; nothing when it does not run. */
    void KillTimer(int id);
    bool HasTimer(int id) const { return m_timers.count(id) != 0; }

    /** Asks for OnMouseLeave when the mouse leaves, and with @p hoverMs >= 0 for OnMouseHover once
     *  the mouse has rested that long inside. Returns true (the request is always taken). */
    bool TrackMouseEvent(bool leave, int hoverMs = -1);

    /** The layer's cursor (CursorPos) in this window's client coordinates. */
    QPoint GetCursorClientPos() const { return m_self->mapFromGlobal(CursorPos()); }

    /** Every pixel is painted by OnPaint: Qt need not clear the background first. */
    void SetOpaquePaint(bool opaque);

    /** Sends an application message to the parent window. */
    LResult SendToParent(unsigned message, WParam wParam = 0, LParam lParam = 0) const
    {
        return SendMessage(m_self->parentWidget(), message, wParam, lParam);
    }

    QWidget* Widget() const { return m_self; }

    /** Offered each key press before the focused widget sees it (see the file comment). */
    virtual Translate PreTranslateMessage(QKeyEvent* key) { return Translate::Continue; }

protected:
    virtual void OnPaint(QPainter& painter) {}
    virtual void OnSize(int width, int height) {}
    virtual void OnMove(const QPoint& topLeft) {}
    virtual void OnLButtonDown(const QPoint& point) {}
    virtual void OnLButtonUp(const QPoint& point) {}
    /** A second press in quick succession. By default it is a press, so a quick second click is
     *  not lost. */
    virtual void OnLButtonDblClk(const QPoint& point) { OnLButtonDown(point); }
    virtual void OnRButtonDown(const QPoint& point) {}
    virtual void OnMouseMove(const QPoint& point) {}
    virtual void OnMouseWheel(int delta, const QPoint& point) {}
    virtual void OnMouseLeave() {}
    virtual void OnMouseHover() {}
    /** Asked when the mouse enters and before every move: set the cursor (setCursor) and return
     *  true, or return false to keep the window's cursor as it is. */
    virtual bool OnSetCursor() { return false; }
    /** A key press; return false to leave it to Qt's own handling (and OnChar). */
    virtual bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers) { return false; }
    /** The text a key press types; return false to leave it to Qt's own handling. */
    virtual bool OnChar(const QString& text) { return false; }
    virtual void OnTimer(int id) {}
    /** A command from a child control, the accelerator table or a menu; true when handled. */
    virtual bool OnCommand(int id, Notify code, QWidget* from) { return false; }
    virtual void OnHScroll(ScrollCode code, int pos, QWidget* from) {}
    virtual void OnVScroll(ScrollCode code, int pos, QWidget* from) {}
    /** An application message; the result is what SendMessage returns: kNotHandled for a
     *  message the window does not know. */
    virtual LResult OnAppMessage(MessageEvent& message) { return kNotHandled; }

    /** Routes one Qt event to the handlers; true when it was taken. Window and Dialog call it
     *  first from event(). */
    bool Dispatch(QEvent* event);

private:
    QWidget* m_self;
    std::map<int, QBasicTimer> m_timers;
    QBasicTimer m_hoverTimer;
    bool m_trackLeave = false;
};

/** A plain child or top-level window. */
class Window : public QWidget, public WindowCore
{
public:
    explicit Window(QWidget* parent = nullptr);

    /** Makes the window a child of @p parent with @p id over @p rect, runs OnCreate and shows it.
     *  False (and the window stays hidden) when OnCreate returns -1. */
    bool Create(QWidget* parent, int id, const QRect& rect, bool visible = true);

protected:
    /** Runs inside Create; -1 fails the creation. */
    virtual int OnCreate() { return 0; }
    bool event(QEvent* event) override;
};

/** Result codes of dialogs and message boxes. */
enum DialogResult
{
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

/** Makes @p dialog, about to run modally, modal to its owner's window alone; a dialog without an
 *  owner is given the main frame (when there is one) as its owner first. Qt blocks, beside the
 *  owner, every window owned by the owner's windows, and an application-modal dialog blocks every
 *  window: the help window, which has no owner, stays usable beside every modal dialog so. */
void MakeModalToOwner(QDialog& dialog);

/** A dialog: modal (DoModal) or modeless (Create). Enter runs OnOK and Esc or the close box
 *  OnCancel; both end the dialog unless overridden. */
class Dialog : public QDialog, public WindowCore
{
public:
    explicit Dialog(QWidget* parent = nullptr);

    /** Runs OnInitDialog and then the dialog modally; returns the EndDialog code. The run goes
     *  through ui::Behaviour, so a test can answer it. */
    int DoModal();
    /** Creates the dialog modeless and runs OnInitDialog; it stays hidden until shown. With
     *  @p child the dialog is a child window of @p parent (the property panels inside their pane),
     *  else a window of its own owned by @p parent. */
    bool Create(QWidget* parent = nullptr, bool child = false);
    /** Ends a modal run with @p result (or hides a modeless dialog). */
    void EndDialog(int result);

    /** Converts a rectangle in dialog units (x, y, width, height) to pixels. The base units are
     *  those of an 8-point dialog font at 96 DPI: 6 x 13 pixels for 4 x 8 units. */
    static QRect MapDialogRect(int x, int y, int width, int height);

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    /** Returns whether the focus was left to the default (the class library's TRUE). */
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    bool event(QEvent* event) override;

private:
    bool m_initialised = false;
};

} // namespace ui
