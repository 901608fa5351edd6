#include "controls/Controls.h"

#include "controls/Behaviour.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QStyleOptionSlider>
#include <QTextDocument>

#include <utility>

namespace ui
{

namespace
{
void SendNotify(QWidget* self, ui::Notify code)
{
    SendCommand(self->parentWidget(), ControlId(self), code, self);
}
void Scroll(QWidget* self, bool vertical, ScrollCode code, int pos)
{
    if (self->parentWidget() == nullptr)
        return;
    ScrollEvent event(vertical, code, pos, self);
    QCoreApplication::sendEvent(self->parentWidget(), &event);
}
} // namespace

Button::Button(QWidget* parent, int id, const QString& text) : QPushButton(text, parent)
{
    SetControlId(this, id);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { SendNotify(this, Notify::Clicked); });
}

CheckBox::CheckBox(QWidget* parent, int id, const QString& text) : QCheckBox(text, parent)
{
    SetControlId(this, id);
    connect(this, &QCheckBox::clicked, this, [this] { SendNotify(this, Notify::Clicked); });
}

Static::Static(QWidget* parent, int id, const QString& text) : QLabel(text, parent)
{
    SetControlId(this, id);
    connect(this, &QLabel::linkActivated, this, [this] { SendNotify(this, Notify::Link); });
}

Edit::Edit(QWidget* parent, int id) : QLineEdit(parent)
{
    SetControlId(this, id);
    connect(this, &QLineEdit::textChanged, this,
            [this]
            {
                if (std::exchange(m_refused, false))
                    SetBackgroundColor(QColor());
                SendNotify(this, Notify::Changed);
            });
}

void Edit::ShowRefused()
{
    SetBackgroundColor(kRefusedColour);
    m_refused = true;
}

void Edit::SetSel(int start, int end)
{
    if (start < 0)
    {
        deselect();
        setCursorPosition(text().size());
        return;
    }
    const int last = end < 0 ? text().size() : std::min<int>(end, text().size());
    setSelection(start, last - start);
}

void Edit::SetBackgroundColor(const QColor& colour)
{
    if (colour == m_background)
        return;
    m_background = colour;
    if (!colour.isValid())
    {
        // A palette with no roles of its own: everything is inherited again.
        setPalette(QPalette());
        return;
    }
    // Only the enabled groups: a disabled edit keeps the palette's disabled look.
    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
    {
        p.setColor(group, QPalette::Base, colour);
        if (colour.lightness() > 128)
            p.setColor(group, QPalette::Text, QColor(30, 30, 30));
    }
    setPalette(p);
}

void Edit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    if (!command && typed.size() == 1 && (typed.front().isPrint() || typed.front() == QLatin1Char('\b')))
    {
        bool accept = true;
        try
        {
            accept = OnChar(typed.front());
        }
        catch (const std::exception& error)
        {
            ReportException(error);
            accept = false;
        }
        if (!accept)
        {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void Edit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    SendNotify(this, Notify::SetFocus);
}

void Edit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    SendNotify(this, Notify::KillFocus);
}

MultiLineEdit::MultiLineEdit(QWidget* parent, int id) : QPlainTextEdit(parent)
{
    SetControlId(this, id);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { SendNotify(this, Notify::Changed); });
}

namespace
{
bool HasFormats(const QMimeData* source)
{
    return source != nullptr && !source->formats().isEmpty();
}
} // namespace

void MultiLineEdit::SetWindowText(const QString& text)
{
    m_setText = text;
    if (text.contains(QStringLiteral("\r\n")))
        m_lineBreak = QStringLiteral("\r\n");
    else if (text.contains(QLatin1Char('\r')))
        m_lineBreak = QStringLiteral("\r");
    else
        m_lineBreak = QStringLiteral("\n");
    setPlainText(text);
    m_setRevision = document()->revision();
}

QString MultiLineEdit::GetWindowText() const
{
    // Every change of the document, typed or set by code, counts up its revision.
    if (document()->revision() == m_setRevision)
        return m_setText;
    QString text = toPlainText();
    if (m_lineBreak != QLatin1String("\n"))
        text.replace(QLatin1Char('\n'), m_lineBreak);
    return text;
}

void MultiLineEdit::Paste()
{
    if (HasFormats(QGuiApplication::clipboard()->mimeData()))
        paste();
}

void MultiLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste))
    {
        if (!isReadOnly())
            Paste();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool MultiLineEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return HasFormats(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

void MultiLineEdit::insertFromMimeData(const QMimeData* source)
{
    if (HasFormats(source))
        QPlainTextEdit::insertFromMimeData(source);
}

void MultiLineEdit::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    SendNotify(this, Notify::SetFocus);
}

void MultiLineEdit::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    SendNotify(this, Notify::KillFocus);
}

TabBar::TabBar(QWidget* parent, int id) : QTabBar(parent)
{
    SetControlId(this, id);
    connect(this, &QTabBar::currentChanged, this,
            [this]
            {
                if (!m_setting)
                    SendNotify(this, Notify::SelChange);
            });
}

void TabBar::SetActiveTab(int index)
{
    const bool was = std::exchange(m_setting, true);
    setCurrentIndex(index);
    m_setting = was;
}

ComboBox::ComboBox(QWidget* parent, int id) : QComboBox(parent)
{
    SetControlId(this, id);
    connect(this, &QComboBox::activated, this, [this] { SendNotify(this, Notify::SelChange); });
}

int ComboBox::AddString(const QString& text)
{
    addItem(text);
    return count() - 1;
}

void ComboBox::SetCurSel(int index)
{
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

ListBox::ListBox(QWidget* parent, int id) : QListWidget(parent)
{
    SetControlId(this, id);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentRowChanged, this,
            [this]
            {
                if (!m_setting)
                    SendNotify(this, Notify::SelChange);
            });
}

int ListBox::AddString(const QString& text)
{
    const bool was = std::exchange(m_setting, true);
    addItem(text);
    m_setting = was;
    return count() - 1;
}

void ListBox::InsertString(int index, const QString& text)
{
    const bool was = std::exchange(m_setting, true);
    insertItem(index, text);
    m_setting = was;
}

void ListBox::DeleteString(int index)
{
    const bool was = std::exchange(m_setting, true);
    delete takeItem(index);
    m_setting = was;
}

void ListBox::ResetContent()
{
    const bool was = std::exchange(m_setting, true);
    clear();
    m_setting = was;
}

void ListBox::SetCurSel(int index)
{
    const bool was = std::exchange(m_setting, true);
    if (index < 0 || index >= count())
    {
        setCurrentRow(-1);
        clearSelection();
    }
    else
        setCurrentRow(index);
    m_setting = was;
}

QString ListBox::GetText(int index) const
{
    const QListWidgetItem* it = item(index);
    return it != nullptr ? it->text() : QString();
}

Slider::Slider(QWidget* parent, int id, Qt::Orientation orientation) : QSlider(orientation, parent)
{
    SetControlId(this, id);
    if (orientation == Qt::Vertical)
    {
        setInvertedAppearance(true);
        setInvertedControls(true);
    }
    connect(this, &QSlider::valueChanged, this,
            [this](int pos)
            {
                if (!m_setting)
                    Scroll(this, this->orientation() == Qt::Vertical,
                           isSliderDown() ? ScrollCode::ThumbTrack : ScrollCode::ThumbPosition, pos);
            });
    connect(this, &QSlider::sliderReleased, this,
            [this] { Scroll(this, this->orientation() == Qt::Vertical, ScrollCode::EndScroll, value()); });
}

void Slider::SetRange(int minimum, int maximum)
{
    const bool was = std::exchange(m_setting, true);
    setRange(minimum, maximum);
    m_setting = was;
}

void Slider::SetPos(int pos)
{
    const bool was = std::exchange(m_setting, true);
    setValue(pos);
    m_setting = was;
}

QRect Slider::GetThumbRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void Slider::paintEvent(QPaintEvent* event)
{
    if (isEnabled())
    {
        QSlider::paintEvent(event);
        return;
    }
    // The style fills the groove up to the thumb in the accent colour whatever the state: the
    // fill takes the groove's own grey, and the thumb is drawn faded over it.
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.palette.setColor(QPalette::Highlight, option.palette.color(QPalette::Disabled, QPalette::Button));
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderTickmarks;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    painter.setOpacity(kDisabledThumbOpacity);
    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

SpinButton::SpinButton(QWidget* parent, int id) : Window(parent)
{
    SetDlgCtrlID(id);
    setMouseTracking(true);
    SetOpaquePaint(true);
}

SpinButton::~SpinButton()
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
}

void SpinButton::SetBuddy(QLineEdit* buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

void SpinButton::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    m_pos = std::clamp(m_pos, std::min(m_min, m_max), std::max(m_min, m_max));
    update();
}

void SpinButton::SetPos(int pos)
{
    m_pos = std::clamp(pos, std::min(m_min, m_max), std::max(m_min, m_max));
    update();
}

void SpinButton::ReadBuddy()
{
    if (!m_buddy)
        return;
    bool whole = false;
    const int typed = m_buddy->text().trimmed().toInt(&whole);
    if (whole && typed >= std::min(m_min, m_max) && typed <= std::max(m_min, m_max))
        m_pos = typed;
}

void SpinButton::Step(int delta)
{
    ReadBuddy();
    const int lo = std::min(m_min, m_max);
    const int hi = std::max(m_min, m_max);
    // A reversed range (maximum below minimum) counts downwards when the upper arrow is pressed.
    const long long wanted = static_cast<long long>(m_pos) + (m_min <= m_max ? delta : -delta);
    const int next = static_cast<int>(std::clamp<long long>(wanted, lo, hi));
    if (next == m_pos)
        return;
    m_pos = next;
    if (m_buddy)
        m_buddy->setText(QString::number(m_pos));
    Scroll(this, true, ScrollCode::ThumbPosition, m_pos);
    update();
}

int SpinButton::ArrowAt(const QPoint& point) const
{
    if (!rect().contains(point))
        return 0;
    return point.y() < height() / 2 ? 1 : -1;
}

void SpinButton::StopRepeat()
{
    KillTimer(kRepeatTimer);
    m_pressed = 0;
    update();
}

void SpinButton::OnLButtonDown(const QPoint& point)
{
    m_mouse = point;
    m_pressed = ArrowAt(point);
    if (m_pressed == 0)
        return;
    m_heldSince = CurrentBehaviour().TickCount();
    SetTimer(kRepeatTimer, kRepeatDelayMs);
    Step(m_pressed);
    update();
}

void SpinButton::OnLButtonUp(const QPoint&)
{
    StopRepeat();
}

void SpinButton::OnMouseMove(const QPoint& point)
{
    m_mouse = point;
    const int hot = ArrowAt(point);
    if (hot != m_hot)
    {
        if (m_hot == 0)
            TrackMouseEvent(true);
        m_hot = hot;
        update();
    }
}

void SpinButton::OnMouseLeave()
{
    m_hot = 0;
    update();
}

void SpinButton::OnTimer(int id)
{
    if (id != kRepeatTimer)
        return;
    if (m_pressed == 0 || !isEnabled())
    {
        StopRepeat();
        return;
    }
    SetTimer(kRepeatTimer, kRepeatPeriodMs);
    // Held off the pressed arrow, the repeat pauses until the mouse comes back.
    if (ArrowAt(m_mouse) != m_pressed)
        return;
    // Unsigned: the tick count wraps.
    const std::uint32_t held = CurrentBehaviour().TickCount() - m_heldSince;
    const int step = held >= 5000 ? 20 : held >= 2000 ? 5 : 1;
    Step(m_pressed * step);
}

void SpinButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
    {
        StopRepeat();
        m_hot = 0;
    }
    Window::changeEvent(event);
}

bool SpinButton::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: a buddy being destroyed still sends events here, and is no QLineEdit by then.
    if (event->type() == QEvent::KeyPress && isEnabled() && watched == m_buddy.data())
    {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain =
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == 0;
        if (plain && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down))
        {
            try
            {
                Step(key->key() == Qt::Key_Up ? 1 : -1);
            }
            catch (const std::exception& error)
            {
                ReportException(error);
            }
            return true;
        }
    }
    return Window::eventFilter(watched, event);
}

void SpinButton::OnPaint(QPainter& p)
{
    const bool enabled = isEnabled();
    const QColor face(96, 96, 96), hot(112, 112, 112), pressed(124, 124, 124), flat(78, 78, 78);
    const QColor line = enabled ? QColor(180, 180, 180) : QColor(110, 110, 110);
    const int h = height() / 2;
    const QRect up(0, 0, width(), h), down(0, h, width(), height() - h);
    auto faceOf = [&](int arrow)
    {
        if (!enabled)
            return flat;
        if (m_pressed == arrow && ArrowAt(m_mouse) == arrow)
            return pressed;
        return m_hot == arrow ? hot : face;
    };
    p.fillRect(up, faceOf(1));
    p.fillRect(down, faceOf(-1));
    p.setPen(line);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawLine(0, h, width() - 1, h);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor arrow(220, 220, 220), arrowHot(110, 200, 215), arrowOff(120, 120, 120);
    auto triangle = [&p](const QRect& r, bool pointsUp)
    {
        const double cx = r.center().x() + 0.5, cy = r.center().y() + 0.5;
        const double w = std::max(2.0, std::min(r.width(), r.height() * 2) * 0.22);
        QPainterPath path;
        if (pointsUp)
        {
            path.moveTo(cx - w, cy + w / 2);
            path.lineTo(cx + w, cy + w / 2);
            path.lineTo(cx, cy - w / 2);
        }
        else
        {
            path.moveTo(cx - w, cy - w / 2);
            path.lineTo(cx + w, cy - w / 2);
            path.lineTo(cx, cy + w / 2);
        }
        p.drawPath(path);
    };
    p.setBrush(!enabled ? arrowOff : (m_hot == 1 ? arrowHot : arrow));
    triangle(up, true);
    p.setBrush(!enabled ? arrowOff : (m_hot == -1 ? arrowHot : arrow));
    triangle(down, false);
}

ProgressBar::ProgressBar(QWidget* parent, int id) : Window(parent)
{
    SetDlgCtrlID(id);
    SetOpaquePaint(true);
}

void ProgressBar::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    if (m_max > m_min)
        m_pos = std::clamp(m_pos, m_min, m_max);
    update();
}

int ProgressBar::SetPos(int pos)
{
    const int previous = m_pos;
    m_pos = m_max > m_min ? std::clamp(pos, m_min, m_max) : m_min;
    if (m_pos != previous)
        update();
    return previous;
}

int ProgressBar::FilledWidth() const
{
    const int inner = std::max(0, width() - 2);
    if (m_max <= m_min)
        return 0;
    return static_cast<int>(static_cast<long long>(m_pos - m_min) * inner /
                            (static_cast<long long>(m_max) - m_min));
}

void ProgressBar::OnPaint(QPainter& p)
{
    const QColor well(44, 44, 44), edge(98, 98, 98);
    const QColor fill = isEnabled() ? QColor(86, 186, 202) : QColor(110, 110, 110);
    p.fillRect(rect(), well);
    p.setPen(edge);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const int filled = FilledWidth();
    if (filled > 0 && height() > 2)
        p.fillRect(QRect(1, 1, filled, height() - 2), fill);
}

OwnerDrawButton::OwnerDrawButton(QWidget* parent, int id) : QAbstractButton(parent)
{
    SetControlId(this, id);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { SendNotify(this, Notify::Clicked); });
}

void OwnerDrawButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawItemState state;
    state.selected = isDown();
    state.disabled = !isEnabled();
    state.focus = hasFocus();
    try
    {
        DrawItem(painter, state);
    }
    catch (const std::exception& error)
    {
        ReportException(error);
    }
}

void OwnerDrawButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press of its own, so a quick second click counts.
    mousePressEvent(event);
}

class PopupMenu::Style : public QProxyStyle
{
public:
    explicit Style(PopupMenu& owner) : m_owner(owner) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuItem && m_owner.m_draw)
            if (const Item* item = ItemAt(option->rect))
            {
                m_owner.m_draw(*painter, option->rect, *item, (option->state & State_Selected) != 0);
                return;
            }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        if (type == CT_MenuItem && m_owner.m_measure)
            if (const auto* menuOption = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
                for (const Item& item : m_cache = m_owner.Items())
                    if (item.text == menuOption->text)
                        return m_owner.m_measure(item);
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (m_owner.m_draw &&
            (metric == PM_MenuPanelWidth || metric == PM_MenuHMargin || metric == PM_MenuVMargin))
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    const Item* ItemAt(const QRect& rect) const
    {
        m_cache = m_owner.Items();
        const QList<QAction*> actions = m_owner.m_menu->actions();
        for (int i = 0; i < actions.size() && i < int(m_cache.size()); ++i)
            if (m_owner.m_menu->actionGeometry(actions[i]) == rect)
                return &m_cache[std::size_t(i)];
        return nullptr;
    }

    PopupMenu& m_owner;
    mutable std::vector<Item> m_cache;
};

PopupMenu::PopupMenu() : m_menu(std::make_unique<QMenu>()) {}

PopupMenu::~PopupMenu()
{
    m_menu->setStyle(nullptr);
    m_menu.reset();
}

void PopupMenu::AppendItem(int id, const QString& text, bool enabled)
{
    QAction* action = m_menu->addAction(text);
    action->setData(id);
    action->setEnabled(enabled);
    action->setCheckable(true);
    action->setChecked(false);
}

QAction* PopupMenu::Find(int id) const
{
    for (QAction* action : m_menu->actions())
        if (action->data().toInt() == id)
            return action;
    return nullptr;
}

void PopupMenu::CheckItem(int id, bool checked)
{
    if (QAction* action = Find(id))
        action->setChecked(checked);
}

std::vector<PopupMenu::Item> PopupMenu::Items() const
{
    std::vector<Item> items;
    for (const QAction* action : m_menu->actions())
        items.push_back({action->data().toInt(), action->text(), action->isEnabled(), action->isChecked()});
    return items;
}

void PopupMenu::SetOwnerDraw(MeasureFn measure, DrawFn draw)
{
    m_measure = std::move(measure);
    m_draw = std::move(draw);
    if (!m_style)
    {
        m_style = std::make_unique<Style>(*this);
        m_menu->setStyle(m_style.get());
    }
}

int PopupMenu::Track(const QPoint& at, QWidget* owner)
{
    const int id = CurrentBehaviour().TrackPopupMenu(*m_menu, at);
    if (id != 0)
        SendCommand(owner, id, Notify::Menu, nullptr);
    return id;
}

} // namespace ui
