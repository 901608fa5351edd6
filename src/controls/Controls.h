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
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>

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

/** A one-line edit. Typed characters pass OnChar first; focus changes and text changes are sent. */
class Edit : public QLineEdit
{
public:
    Edit(QWidget* parent, int id);
    void SetWindowText(const QString& text) { setText(text); }
    QString GetWindowText() const { return text(); }
    /** Selects @p start .. @p end (end -1: to the end; start -1: no selection, caret at the end). */
    void SetSel(int start, int end);

protected:
    /** A typed character (digits, letters, punctuation, backspace as '\b'); false drops it. */
    virtual bool OnChar(QChar character) { return true; }
    /** The text the edit would hold with @p character typed over the selection. */
    QString TextAfterTyping(QChar character) const;

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

/** A multi-line edit (notes, scripts, transcripts); sends Notify::Changed, SetFocus and KillFocus. */
class MultiLineEdit : public QPlainTextEdit
{
public:
    MultiLineEdit(QWidget* parent, int id);
    void SetWindowText(const QString& text) { setPlainText(text); }
    QString GetWindowText() const { return toPlainText(); }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
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
    /** The width in pixels the items may scroll sideways to. */
    void SetHorizontalExtent(int pixels);
    int GetHorizontalExtent() const { return m_extent; }

private:
    bool m_setting = false;
    int m_extent = 0;
};

/** A slider that reports moves as scroll events to its parent (horizontal or vertical, by its
 *  orientation). A vertical slider has its minimum at the top, as the old trackbar had. */
class Slider : public QSlider
{
public:
    Slider(QWidget* parent, int id, Qt::Orientation orientation = Qt::Horizontal);
    void SetRange(int minimum, int maximum);
    /** Sets the position without notifying. */
    void SetPos(int pos);
    int GetPos() const { return value(); }
    /** The thumb's rectangle in client coordinates. */
    QRect GetThumbRect() const;

private:
    bool m_setting = false;
};

/** Up and down arrows beside a buddy edit. A click moves the position by one within the range,
 *  writes it into the buddy as an integer and sends a vertical scroll event (ThumbPosition). */
class SpinButton : public Window
{
public:
    SpinButton(QWidget* parent, int id);
    void SetRange(int minimum, int maximum);
    void SetPos(int pos);
    int GetPos() const { return m_pos; }
    void SetBuddy(QLineEdit* buddy) { m_buddy = buddy; }

protected:
    void OnPaint(QPainter& painter) override;
    void OnLButtonDown(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;

private:
    void Step(int delta);

    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_pressed = 0; // +1 upper arrow, -1 lower arrow
    QPointer<QLineEdit> m_buddy;
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
    void EnableItem(int id, bool enabled);
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
