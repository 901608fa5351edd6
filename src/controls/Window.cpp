#include "controls/Window.h"

#include "controls/Accelerators.h"
#include "controls/Behaviour.h"

#include "platform/Errors.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTextEdit>
#include <QTimerEvent>

#include <new>

namespace ui
{

namespace
{

constexpr const char* kIdProperty = "vornaControlId";

QPoint& LastCursor()
{
    static QPoint pos;
    return pos;
}

/** One application-wide filter: it records the cursor of every mouse event and offers key presses
 *  to the ui windows from the focused widget upwards, then to the main frame's accelerators. */
class Hooks : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type())
        {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            LastCursor() = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            break;
        case QEvent::KeyPress:
            // A key that the focused widget ignores travels on to its parents, and the filter sees it
            // again at each step; it is offered once only, at its first receiver. A step of that
            // travel carries the key a child ignored; a new key press is accepted until a widget
            // ignores it, even when it reuses the address of the last one (Qt's are on the stack).
            if (watched->isWidgetType())
            {
                auto* widget = static_cast<QWidget*>(watched);
                const bool propagating = event == m_keyInFlight && !event->isAccepted() &&
                                         m_keyReceiver != nullptr && m_keyReceiver != widget &&
                                         widget->isAncestorOf(m_keyReceiver);
                if (!propagating)
                {
                    m_keyInFlight = event;
                    m_keyReceiver = widget;
                    if (OfferKey(widget, static_cast<QKeyEvent*>(event)))
                        return true;
                }
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    static bool OfferKey(QWidget* target, QKeyEvent* key)
    {
        QWidget* top = target->window();
        for (QWidget* w = target; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget())
        {
            if (auto* core = dynamic_cast<WindowCore*>(w))
            {
                switch (core->PreTranslateMessage(key))
                {
                case Translate::Consume:
                    return true;
                case Translate::Deliver:
                    return false;
                case Translate::Continue:
                    break;
                }
            }
        }
        if (top != nullptr && top == GetMainFrame())
            return TranslateAccelerator(key);
        return false;
    }

    const QEvent* m_keyInFlight = nullptr;
    QPointer<QWidget> m_keyReceiver;
};

void EnsureHooks()
{
    static Hooks* hooks = nullptr;
    if (hooks == nullptr && qApp != nullptr)
    {
        hooks = new Hooks;
        hooks->setParent(qApp);
        qApp->installEventFilter(hooks);
    }
}

} // namespace

void SetControlId(QWidget* widget, int id)
{
    if (widget != nullptr)
        widget->setProperty(kIdProperty, id);
}

int ControlId(const QWidget* widget)
{
    return widget != nullptr ? widget->property(kIdProperty).toInt() : 0;
}

QWidget* FindControl(const QWidget* parent, int id)
{
    if (parent == nullptr)
        return nullptr;
    for (QObject* child : parent->children())
        if (child->isWidgetType() && ControlId(static_cast<QWidget*>(child)) == id)
            return static_cast<QWidget*>(child);
    return nullptr;
}

QString WindowClassName(const QWidget* widget)
{
    if (widget == nullptr)
        return {};
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QTextEdit*>(widget))
        return QStringLiteral("Edit");
    if (qobject_cast<const QAbstractButton*>(widget))
        return QStringLiteral("Button");
    if (qobject_cast<const QLabel*>(widget))
        return QStringLiteral("Static");
    if (qobject_cast<const QComboBox*>(widget))
        return QStringLiteral("ComboBox");
    if (qobject_cast<const QListWidget*>(widget))
        return QStringLiteral("ListBox");
    if (qobject_cast<const QAbstractSlider*>(widget))
        return QStringLiteral("Slider");
    return QString::fromLatin1(widget->metaObject()->className());
}

QPoint CursorPos()
{
    return LastCursor();
}

void SetCursorPos(const QPoint& global)
{
    LastCursor() = global;
}

CommandEvent::CommandEvent(int id, Notify code, QWidget* from)
    : QEvent(EventType()), m_id(id), m_code(code), m_from(from)
{
}

QEvent::Type CommandEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

ScrollEvent::ScrollEvent(bool vertical, ScrollCode code, int pos, QWidget* from)
    : QEvent(EventType()), m_vertical(vertical), m_code(code), m_pos(pos), m_from(from)
{
}

QEvent::Type ScrollEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool SendCommand(QWidget* to, int id, Notify code, QWidget* from)
{
    if (to == nullptr)
        return false;
    CommandEvent event(id, code, from);
    event.ignore();
    QCoreApplication::sendEvent(to, &event);
    return event.isAccepted();
}

void InvalidateWindow(QWidget* widget)
{
    if (widget == nullptr)
        return;
    if (auto* window = dynamic_cast<WindowCore*>(widget))
    {
        window->Invalidate();
        return;
    }
    widget->update();
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (auto* window = dynamic_cast<WindowCore*>(child); window != nullptr && !child->isWindow())
            window->Invalidate();
}

void ReportException(const std::exception& error)
{
    MessageBox(nullptr, QString::fromStdString(error.what()), MessageButtons::Ok, MessageIcon::Stop);
}

WindowCore::WindowCore(QWidget* self) : m_self(self)
{
    EnsureHooks();
    m_self->setMouseTracking(true);
}

WindowCore::~WindowCore() = default;

void WindowCore::MoveWindow(const QRect& rect, bool repaint)
{
    m_self->setGeometry(rect);
    // Qt holds a hidden window's resize back until it is shown; a moved window lays its children
    // out now, so that positions read right after a move are the new ones.
    if (m_self->testAttribute(Qt::WA_PendingResizeEvent))
    {
        m_self->setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent resize(m_self->size(), QSize());
        QCoreApplication::sendEvent(m_self, &resize);
    }
    if (repaint)
        m_self->update();
}

void WindowCore::SetTimer(int id, int ms)
{
    m_timers[id].start(ms < 0 ? 0 : ms, m_self);
}

void WindowCore::KillTimer(int id)
{
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    it->second.stop();
    m_timers.erase(it);
}

bool WindowCore::TrackMouseEvent(bool leave, int hoverMs)
{
    m_trackLeave = m_trackLeave || leave;
    if (hoverMs >= 0)
        m_hoverTimer.start(hoverMs, m_self);
    return true;
}

void WindowCore::SetOpaquePaint(bool opaque)
{
    m_self->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    m_self->setAutoFillBackground(false);
}

bool WindowCore::Dispatch(QEvent* event)
{
    try
    {
        const QEvent::Type type = event->type();
        if (type == MessageEvent::EventType())
        {
            auto* message = static_cast<MessageEvent*>(event);
            message->SetResult(OnAppMessage(*message));
            return true;
        }
        if (type == CommandEvent::EventType())
        {
            auto* command = static_cast<CommandEvent*>(event);
            command->setAccepted(OnCommand(command->Id(), command->Code(), command->From()));
            return true;
        }
        if (type == ScrollEvent::EventType())
        {
            auto* scroll = static_cast<ScrollEvent*>(event);
            if (scroll->Vertical())
                OnVScroll(scroll->Code(), scroll->Pos(), scroll->From());
            else
                OnHScroll(scroll->Code(), scroll->Pos(), scroll->From());
            return true;
        }
        switch (type)
        {
        case QEvent::Paint:
        {
            QPainter painter(m_self);
            OnPaint(painter);
            return true;
        }
        case QEvent::Resize:
            OnSize(m_self->width(), m_self->height());
            return false;
        case QEvent::Move:
            OnMove(m_self->pos());
            return false;
        case QEvent::MouseButtonPress:
        {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton)
                OnLButtonDown(mouse->position().toPoint());
            else if (mouse->button() == Qt::RightButton)
                OnRButtonDown(mouse->position().toPoint());
            return true;
        }
        case QEvent::MouseButtonDblClick:
        {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton)
                OnLButtonDblClk(mouse->position().toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease:
        {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton)
                OnLButtonUp(mouse->position().toPoint());
            return true;
        }
        case QEvent::MouseMove:
            OnSetCursor();
            OnMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        case QEvent::Enter:
            OnSetCursor();
            return false;
        case QEvent::Wheel:
        {
            auto* wheel = static_cast<QWheelEvent*>(event);
            OnMouseWheel(wheel->angleDelta().y(), wheel->position().toPoint());
            return true;
        }
        case QEvent::Leave:
            m_hoverTimer.stop();
            if (m_trackLeave)
            {
                m_trackLeave = false;
                OnMouseLeave();
            }
            return false;
        case QEvent::KeyPress:
        {
            auto* key = static_cast<QKeyEvent*>(event);
            if (OnKeyDown(key->key(), key->modifiers()))
                return true;
            return !key->text().isEmpty() && key->text().front().isPrint() && OnChar(key->text());
        }
        case QEvent::Timer:
        {
            const int timerId = static_cast<QTimerEvent*>(event)->timerId();
            if (timerId == m_hoverTimer.timerId())
            {
                m_hoverTimer.stop();
                if (m_self->rect().contains(GetCursorClientPos()))
                    OnMouseHover();
                return true;
            }
            for (const auto& [id, timer] : m_timers)
                if (timer.timerId() == timerId)
                {
                    // Copy: the handler may kill or restart its own timer.
                    const int which = id;
                    OnTimer(which);
                    return true;
                }
            return false;
        }
        default:
            return false;
        }
    }
    catch (const std::bad_alloc&)
    {
        ReportException(plat::MemoryError());
    }
    catch (const std::exception& error)
    {
        ReportException(error);
    }
    return true;
}

Window::Window(QWidget* parent) : QWidget(parent), WindowCore(this) {}

bool Window::Create(QWidget* parent, int id, const QRect& rect, bool visible)
{
    setParent(parent);
    SetDlgCtrlID(id);
    setGeometry(rect);
    int created = -1;
    try
    {
        created = OnCreate();
    }
    catch (const std::exception& error)
    {
        ReportException(error);
    }
    if (created == -1)
    {
        hide();
        return false;
    }
    setVisible(visible);
    return true;
}

bool Window::event(QEvent* event)
{
    return Dispatch(event) || QWidget::event(event);
}

Dialog::Dialog(QWidget* parent) : QDialog(parent), WindowCore(this)
{
    setMouseTracking(false);
}

int Dialog::DoModal()
{
    if (!m_initialised)
    {
        m_initialised = true;
        OnInitDialog();
    }
    // Modal to its own window only: the modeless help window stays usable while a dialog runs, so
    // its Help button can show a page there.
    MakeModalToOwner(*this);
    return CurrentBehaviour().RunModal(*this);
}

void MakeModalToOwner(QDialog& dialog)
{
    if (dialog.parentWidget() == nullptr)
    {
        QWidget* frame = GetMainFrame();
        if (frame != nullptr && frame != &dialog)
            dialog.setParent(frame, dialog.windowFlags() | Qt::Dialog);
    }
    dialog.setWindowModality(dialog.parentWidget() != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
}

bool Dialog::Create(QWidget* parent, bool child)
{
    if (child)
        setParent(parent, Qt::Widget);
    else if (parent != nullptr)
        setParent(parent, windowFlags() | Qt::Dialog);
    setModal(false);
    if (!m_initialised)
    {
        m_initialised = true;
        OnInitDialog();
    }
    return true;
}

void Dialog::EndDialog(int result)
{
    setResult(result);
    if (isModal() && isVisible())
        done(result);
    else
        hide();
}

QRect Dialog::MapDialogRect(int x, int y, int width, int height)
{
    constexpr int kBaseX = 6;
    constexpr int kBaseY = 13;
    auto mapX = [](int v) { return v * kBaseX / 4; };
    auto mapY = [](int v) { return v * kBaseY / 8; };
    return QRect(mapX(x), mapY(y), mapX(x + width) - mapX(x), mapY(y + height) - mapY(y));
}

bool Dialog::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
    {
        // Enter is OK and Esc is Cancel, whatever button Qt would call the default; Enter stays
        // with a multi-line edit (a line break) and with a focused push button (which it presses).
        // A focused check box or radio button has no use for Enter: it is OK, as in any dialog.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && key->key() == Qt::Key_Escape)
        {
            OnCancel();
            return true;
        }
        QWidget* focus = focusWidget();
        const bool toggle =
            qobject_cast<QCheckBox*>(focus) != nullptr || qobject_cast<QRadioButton*>(focus) != nullptr;
        const bool enterIsTheWidgets = qobject_cast<QPlainTextEdit*>(focus) != nullptr ||
                                       qobject_cast<QTextEdit*>(focus) != nullptr ||
                                       (qobject_cast<QAbstractButton*>(focus) != nullptr && !toggle);
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !enterIsTheWidgets)
        {
            try
            {
                OnOK();
            }
            catch (const std::exception& error)
            {
                ReportException(error);
            }
            return true;
        }
    }
    return Dispatch(event) || QDialog::event(event);
}

} // namespace ui
