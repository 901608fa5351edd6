#pragma once
/** @brief The standard child controls of the window layer: each has a control id and reports to its
 *  parent window as the old controls did (commands with a notification code, scroll events).
 *
 * Setting a value from code notifies nothing, except an edit's text, which reports Notify::Changed
 * whenever it changes (code relies on that to run the same steps for typed and set text).
 * UI thread only. */

#include "controls/Window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>

#include <cstdint>
#include <functional>

namespace ui
{

/** A push button; a click sends Notify::Clicked. */
class Button : public QPushButton
{
public:
    Button(QWidget* parent, int id, const QString& text = {});
    void SetWindowText(const QString& text) { setText(text); }
    QString GetWindowText() const { return text(); }
};

/** A check box; a click sends Notify::Clicked after the state changed. */
class CheckBox : public QCheckBox
{
public:
    CheckBox(QWidget* parent, int id, const QString& text = {});
    bool GetCheck() const { return isChecked(); }
    void SetCheck(bool checked) { setChecked(checked); }
};

/** A static text. */
class Static : public QLabel
{
public:
    Static(QWidget* parent, int id, const QString& text = {});
    void SetWindowText(const QString& text) { setText(text); }
    QString GetWindowText() const { return text(); }
};

/** A one-line edit. Typed characters pass OnChar first; focus changes and text changes are sent.
 *
 * Its background colour can be set (SetBackgroundColor): the property row shows a typed number
 * that lies outside its range on a warning colour. A field that refused what was typed into it
 * shows the same colour (ShowRefused) until its text changes. */
class Edit : public QLineEdit
{
public:
    /** The background of an entry the field cannot take (the property row's warning colour). */
    static inline const QColor kRefusedColour{255, 200, 200};

    Edit(QWidget* parent, int id);
    void SetWindowText(const QString& text) { setText(text); }
    QString GetWindowText() const { return text(); }
    /** Selects @p start .. @p end (end -1: to the end; start -1: no selection, caret at the end). */
    void SetSel(int start, int end);

    /** Fills the background with @p colour while the edit is enabled (a disabled edit keeps the
     *  palette's disabled look). On a light colour the text turns dark so that it stays readable
     *  on the workspace's light-on-dark palette. An invalid QColor() returns to the palette's own
     *  colours. Setting the colour it already has does nothing. */
    void SetBackgroundColor(const QColor& colour);
    /** The colour set by SetBackgroundColor; invalid while the edit shows the palette's own. */
    QColor GetBackgroundColor() const { return m_background; }

    /** Marks the text as refused: the refused colour until the text next changes (typed or set). */
    void ShowRefused();
    bool IsShowingRefused() const { return m_refused; }

protected:
    /** A typed character (digits, letters, punctuation, backspace as '\b'); false drops it. */
    virtual bool OnChar(QChar character) { return true; }

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QColor m_background;
    bool m_refused = false;
};

/** A multi-line edit (notes, scripts, transcripts); sends Notify::Changed, SetFocus and KillFocus.
 *
 * The text set with SetWindowText comes back from GetWindowText as it was set, byte for byte,
 * until the user edits it; after an edit it comes back with the line breaks the set text used
 * ("\r\n", "\r" or "\n"), although the edit itself holds plain line breaks.
 *
 * Pasting (Paste, the paste key, a drop) takes only clipboard data that offers a format: an empty
 * clipboard pastes nothing (Qt 6.4 reads the first format of the data without looking). */
class MultiLineEdit : public QPlainTextEdit
{
public:
    MultiLineEdit(QWidget* parent, int id);
    void SetWindowText(const QString& text);
    QString GetWindowText() const;

    /** Pastes the clipboard's text at the caret; nothing when the clipboard is empty. */
    void Paste();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_setText;                          // as SetWindowText was given it
    QString m_lineBreak = QStringLiteral("\n"); // the line break m_setText uses
    int m_setRevision = -1;                     // the document's revision right after it was set
};

/** A row of tabs; the user's choice of another tab sends Notify::SelChange. */
class TabBar : public QTabBar
{
public:
    TabBar(QWidget* parent, int id);
    /** Selects tab @p index without notifying. */
    void SetActiveTab(int index);

private:
    bool m_setting = false;
};

/** A drop-down list; the user's choice sends Notify::SelChange. */
class ComboBox : public QComboBox
{
public:
    ComboBox(QWidget* parent, int id);
    int AddString(const QString& text);
    void ResetContent() { clear(); }
    int GetCurSel() const { return currentIndex(); }
    void SetCurSel(int index);
    int GetCount() const { return count(); }
};

/** A single-selection list; the user's choice sends Notify::SelChange. */
class ListBox : public QListWidget
{
public:
    ListBox(QWidget* parent, int id);
    int AddString(const QString& text);
    void InsertString(int index, const QString& text);
    void DeleteString(int index);
    void ResetContent();
    int GetCount() const { return count(); }
    int GetCurSel() const { return currentRow(); }
    /** Selects @p index; -1 selects nothing. */
    void SetCurSel(int index);
    QString GetText(int index) const;

private:
    bool m_setting = false;
};

/** A slider that reports moves as scroll events to its parent (horizontal or vertical, by its
 *  orientation). A vertical slider has its minimum at the top, as the old trackbar had.
 *  Disabled, it draws dimmed as the skinned slider does: the groove without its accent fill, the
 *  thumb faded to kDisabledThumbOpacity. */
class Slider : public QSlider
{
public:
    static constexpr double kDisabledThumbOpacity = 0.3;

    Slider(QWidget* parent, int id, Qt::Orientation orientation = Qt::Horizontal);
    void SetRange(int minimum, int maximum);
    /** Sets the position without notifying. */
    void SetPos(int pos);
    int GetPos() const { return value(); }
    /** The thumb's rectangle in client coordinates. */
    QRect GetThumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_setting = false;
};

/** Up and down arrows beside a buddy edit (the property row's spin button).
 *
 * A press on an arrow moves the position by one within the range, writes it into the buddy as an
 * integer and sends a vertical scroll event (ThumbPosition). Held down, the arrow repeats: after
 * kRepeatDelayMs, then every kRepeatPeriodMs, for as long as the mouse stays over the pressed
 * arrow; held for 2 s the step grows to 5 and after 5 s to 20, as the old control's default
 * acceleration did. With the buddy focused, the Up and Down keys step too (and are not seen by
 * the buddy). Before each step the position is read back from the buddy's text when that text is
 * a whole number within the range, so a number typed into the buddy is where the step starts.
 * The arrow under the mouse is highlighted; a disabled spin button draws flat and dim. */
class SpinButton : public Window
{
public:
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatPeriodMs = 80;

    SpinButton(QWidget* parent, int id);
    ~SpinButton() override;
    void SetRange(int minimum, int maximum);
    void SetPos(int pos);
    int GetPos() const { return m_pos; }
    /** The edit the spin writes its position into and takes the arrow keys of; null for none. */
    void SetBuddy(QLineEdit* buddy);

    /** The arrow under the mouse: +1 upper, -1 lower, 0 none. */
    int HotArrow() const { return m_hot; }

protected:
    void OnPaint(QPainter& painter) override;
    void OnLButtonDown(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;
    void OnMouseMove(const QPoint& point) override;
    void OnMouseLeave() override;
    void OnTimer(int id) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kRepeatTimer = 1;

    int ArrowAt(const QPoint& point) const;
    void ReadBuddy();
    void Step(int delta);
    void StopRepeat();

    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_pressed = 0; // +1 upper arrow, -1 lower arrow
    int m_hot = 0;     // the arrow under the mouse
    QPoint m_mouse;    // the last mouse position, to repeat only while over the pressed arrow
    std::uint32_t m_heldSince = 0;
    QPointer<QLineEdit> m_buddy;
};

/** A progress bar with a control id (loading, writing a disc, creating music): a dark well that
 *  fills from the left in the teal accent, without text. The range is 0..100 until set; setting the
 *  range or the position notifies nothing. Disabled, the fill is grey. */
class ProgressBar : public Window
{
public:
    ProgressBar(QWidget* parent, int id);
    /** Sets the range; an empty or reversed range shows no fill. The position is held to it. */
    void SetRange(int minimum, int maximum);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    /** Sets the position (held to the range) and returns the previous one. */
    int SetPos(int pos);
    int GetPos() const { return m_pos; }
    /** The width of the fill in pixels inside the one-pixel frame. */
    int FilledWidth() const;

protected:
    void OnPaint(QPainter& painter) override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
};

/** What an owner-drawn button draws from. */
struct DrawItemState
{
    bool selected = false; ///< pressed
    bool disabled = false;
    bool focus = false;
};

/** A button that draws itself; a click sends Notify::Clicked. A double click is a second click. */
class OwnerDrawButton : public QAbstractButton
{
public:
    OwnerDrawButton(QWidget* parent, int id);

protected:
    virtual void DrawItem(QPainter& painter, const DrawItemState& state) = 0;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

/** A popup menu of command items. Track shows it and sends the chosen item's id to the owner as a
 *  command (Notify::Menu); the run goes through ui::Behaviour, so a test can choose an item.
 *  Owner-drawn menus set a measure and a draw function. */
class PopupMenu
{
public:
    struct Item
    {
        int id;
        QString text;
        bool enabled;
        bool checked;
    };
    using MeasureFn = std::function<QSize(const Item&)>;
    using DrawFn = std::function<void(QPainter&, const QRect&, const Item&, bool selected)>;

    PopupMenu();
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    void AppendItem(int id, const QString& text, bool enabled = true);
    void CheckItem(int id, bool checked);
    std::vector<Item> Items() const;
    void SetOwnerDraw(MeasureFn measure, DrawFn draw);

    /** Shows the menu at the screen point @p at; returns the chosen id (0 for none) after sending it
     *  to @p owner. */
    int Track(const QPoint& at, QWidget* owner);

    QMenu& Menu() { return *m_menu; }

private:
    class Style;
    QAction* Find(int id) const;

    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<Style> m_style;
    MeasureFn m_measure;
    DrawFn m_draw;
};

} // namespace ui
