#include "controls/CUiProperty.h"

#include "controls/CEditFloat.h"
#include "controls/CUiPropertyEdit.h"
#include "controls/GraphEditors.h"
#include "messages/ViewMessages.h"

#include "model/CSmartProperty.h"
#include "model/DisplayTime.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// Positions of the spin and the slider are whole numbers; the range's ends are cut toward zero.
int Cut(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(v), double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

// The spin control holds 16-bit positions.
int Cut16(double v)
{
    return std::clamp(Cut(v), -32768, 32767);
}

} // namespace

CUiProperty::Layout CUiProperty::ComputeLayout(int w, int h, int f, double labelFraction, double editFraction,
                                               bool modeButton)
{
    Layout l;
    const int y = (h - f) / 2;
    const int a = static_cast<int>(w * labelFraction);
    const int b = static_cast<int>(w * editFraction);
    const int spinWidth = f / 2 + 4;
    const int t = h - 10;
    const int s = a + b + spinWidth;
    l.label = QRect(0, y, a, f);
    l.edit = QRect(a, y, b, f);
    l.spin = QRect(a + b, y, spinWidth, f);
    l.modeButton = QRect(w - t, 5, t, t);
    l.slider = QRect(s, 5, modeButton ? (w - t) - s : w - s - 2, t);
    return l;
}

CUiProperty::CUiProperty() = default;

CUiProperty::~CUiProperty() = default;

bool CUiProperty::Create(const CPropertyInfo& info)
{
    if (info.m_parent == nullptr)
        return false;
    m_info = info;
    m_info.m_placeholder = nullptr; // not kept: the row needs only its rectangle
    m_labelText = info.m_label;
    m_unit = info.m_unit;
    m_editorName = m_labelText;
    m_editorUnit = m_unit;
    m_labelFraction = info.m_labelFraction;
    m_editFraction = info.m_editFraction;
    m_format = info.m_format;
    m_hasModeButton = info.m_modeButton;
    m_autoGraphAllowed = info.m_autoGraph;

    // The placeholder's rectangle in its parent's client coordinates; the placeholder stays as it is.
    if (info.m_placeholder != nullptr)
    {
        QRect r = info.m_placeholder->geometry();
        QWidget* holderParent = info.m_placeholder->parentWidget();
        if (holderParent != nullptr && holderParent != info.m_parent)
            r.moveTopLeft(info.m_parent->mapFromGlobal(holderParent->mapToGlobal(r.topLeft())));
        m_rowRect = r;
    }
    if (!ui::Window::Create(info.m_parent, info.m_id, m_rowRect))
        return false;
    DoLayout();
    EnableControls(0);
    return true;
}

void CUiProperty::SetEditorNames(const QString& name, const QString& unit)
{
    m_editorName = name;
    m_editorUnit = unit;
}

int CUiProperty::OnCreate()
{
    const QString text = m_unit.isEmpty() ? m_labelText : m_labelText + QStringLiteral(" (") + m_unit + ')';
    m_label = new ui::Static(this, kIdLabel, text);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_edit = new CUiPropertyEdit(this, kIdEdit);
    // Only what the user types runs the change steps; text set by code (showing a value) never does.
    connect(m_edit, &QLineEdit::textEdited, this, [this] { OnEditChange(); });
    m_spin = new ui::SpinButton(this, kIdSpin);
    m_spin->SetBuddy(m_edit);
    m_slider = new ui::Slider(this, kIdSlider, Qt::Horizontal);
    m_slider->setTickPosition(QSlider::NoTicks);
    m_modeButton = new ui::Button(this, kIdModeButton, QStringLiteral("--"));
    m_modeButton->setVisible(m_hasModeButton);
    for (QWidget* child :
         {static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_spin),
          static_cast<QWidget*>(m_slider), static_cast<QWidget*>(m_modeButton)})
        child->setGeometry(QRect());

    m_menu.AppendItem(kIdSetValue, QStringLiteral("Set value"));
    m_menu.AppendItem(kIdSetGraph, QStringLiteral("Set Graph"));
    m_menu.AppendItem(kIdSetAutoGraph, QStringLiteral("Set AutoGraph"), m_autoGraphAllowed);
    return 0;
}

void CUiProperty::OnSize(int, int)
{
    DoLayout();
}

void CUiProperty::DoLayout()
{
    if (m_label == nullptr)
        return;
    const int w = width(), h = height();
    if (w == 0 || h == 0)
        return;
    const int f = QFontMetrics(font()).height() + 6;
    const Layout l = ComputeLayout(w, h, f, m_labelFraction, m_editFraction, m_hasModeButton);
    m_label->setGeometry(l.label);
    m_edit->setGeometry(l.edit);
    m_spin->setGeometry(l.spin);
    m_modeButton->setGeometry(l.modeButton);
    m_slider->setGeometry(l.slider);
}

QString CUiProperty::Format(double v) const
{
    return QString::asprintf(m_format.toLatin1().constData(), v);
}

void CUiProperty::SetModeText(int mode)
{
    switch (mode)
    {
    case CSmartProperty::kModeConstant:
        m_modeButton->setText(QStringLiteral("--"));
        break;
    case CSmartProperty::kModeGraph:
        m_modeButton->setText(QStringLiteral("G"));
        break;
    case CSmartProperty::kModeAutoGraph:
        m_modeButton->setText(QStringLiteral("A"));
        break;
    default:
        m_modeButton->setText(QString());
        break;
    }
}

void CUiProperty::SetProperty(CSmartProperty* property)
{
    m_property = property;
    if (m_edit == nullptr)
        return;
    m_inRange = true;
    m_refused = false;
    m_edit->SetBackgroundColor(QColor());
    if (property == nullptr)
    {
        // Nothing bound: nothing to show and nothing to edit until the next segment is bound.
        m_min = m_max = 0.0;
        m_edit->setText(QString());
        m_slider->SetRange(0, 0);
        m_spin->SetRange(0, 0);
        m_modeButton->setText(QStringLiteral("--"));
        for (QWidget* child : {static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_spin),
                               static_cast<QWidget*>(m_slider), static_cast<QWidget*>(m_modeButton)})
            child->setEnabled(false);
        return;
    }
    const double v = property->GetValue();
    m_entryValue = v;
    std::tie(m_min, m_max) = property->GetRange();
    m_spin->SetRange(Cut16(m_min), Cut16(m_max));
    m_spin->SetPos(Cut16(v));
    m_edit->setText(Format(v));
    m_slider->SetRange(Cut(m_min), Cut(m_max));
    m_slider->SetPos(Cut(v));
    SetModeText(property->GetMode());
    EnableControls(0);
}

void CUiProperty::EnableControls(int state)
{
    if (m_property == nullptr || m_label == nullptr)
        return;
    // Qt greys out the children of a disabled window, so the row itself must stay enabled.
    setEnabled(true);
    const bool c = m_property->GetMode() == CSmartProperty::kModeConstant;
    auto values = [this](bool on)
    {
        m_edit->setEnabled(on);
        m_spin->setEnabled(on);
        m_slider->setEnabled(on);
    };
    switch (state)
    {
    case 0:
        m_label->setEnabled(true);
        values(c);
        m_modeButton->setEnabled(true);
        break;
    case 1:
        m_label->setEnabled(false);
        values(false);
        m_modeButton->setEnabled(false);
        break;
    case 2:
        m_label->setEnabled(c);
        values(c);
        m_modeButton->setEnabled(false);
        break;
    default:
        break;
    }
}

void CUiProperty::SendChanged() const
{
    if (ui::ViewMessages* view = ActiveView())
        view->PropertyChanged();
}

void CUiProperty::OnEditChange()
{
    if (m_property == nullptr)
        return;
    double x = 0.0;
    m_refused = !ui::ReadPlainNumber(m_edit->text(), x);
    if (m_refused)
    {
        // Nothing the text could mean is stored: the value from before this entry comes back.
        m_inRange = false;
        m_edit->SetBackgroundColor(kWarningColour);
        update();
        if (m_property->GetValue() != m_entryValue)
        {
            m_property->SetConstant(m_entryValue);
            m_slider->SetPos(Cut(m_entryValue));
            SendChanged();
        }
        return;
    }
    m_inRange = m_min <= x && x <= m_max;
    m_edit->SetBackgroundColor(m_inRange ? QColor() : kWarningColour);
    update();
    // The edit keeps showing what was typed; the property holds the nearest value of the range.
    x = std::min(std::max(x, m_min), m_max);
    m_property->SetConstant(x);
    m_slider->SetPos(Cut(x));
    SendChanged();
}

bool CUiProperty::OnCommand(int id, ui::Notify code, QWidget*)
{
    switch (id)
    {
    case kIdModeButton:
        if (code == ui::Notify::Clicked)
            OnModeButton();
        return true;
    case kIdSetValue:
        OnSetValue();
        return true;
    case kIdSetGraph:
        OnSetGraph();
        return true;
    case kIdSetAutoGraph:
        OnSetAutoGraph();
        return true;
    case kIdEdit:
        // Text changes are taken from textEdited (the user's typing) alone.
        if (code == ui::Notify::SetFocus && m_property != nullptr)
            m_entryValue = m_property->GetValue();
        else if (code == ui::Notify::KillFocus && m_property != nullptr && m_refused)
        {
            // A refused text does not outlive the entry: the edit shows the value kept.
            m_refused = false;
            m_inRange = true;
            m_edit->setText(Format(m_property->GetValue()));
            m_edit->SetBackgroundColor(QColor());
            update();
        }
        return true;
    default:
        return false;
    }
}

void CUiProperty::OnHScroll(ui::ScrollCode code, int, QWidget* from)
{
    if (from != m_slider || m_property == nullptr || code == ui::ScrollCode::EndScroll)
        return;
    const int pos = m_slider->GetPos();
    const double v = std::min(std::max(double(pos), m_min), m_max);
    m_property->SetConstant(v);
    m_entryValue = v;
    m_spin->SetPos(pos);
    m_edit->setText(Format(v));
    // Code that sets the edit's text runs the change steps itself (they follow typing only).
    OnEditChange();
    m_edit->selectAll();
    SendChanged();
}

void CUiProperty::OnVScroll(ui::ScrollCode code, int, QWidget* from)
{
    if (from != m_spin || m_property == nullptr)
        return;
    if (code != ui::ScrollCode::ThumbPosition && code != ui::ScrollCode::ThumbTrack)
        return;
    const int pos = m_spin->GetPos();
    const double v = std::min(std::max(double(pos), m_min), m_max);
    m_property->SetConstant(v);
    m_entryValue = v;
    m_edit->setText(Format(v));
    m_edit->SetSel(-1, 0);
    // The change steps move the slider and report the change.
    OnEditChange();
}

void CUiProperty::OnModeButton()
{
    if (m_property == nullptr)
        return;
    const int mode = m_property->GetMode();
    for (int id : {kIdSetValue, kIdSetGraph, kIdSetAutoGraph})
        m_menu.CheckItem(id, id - kIdSetValue == mode);
    m_menu.Track(ui::CursorPos(), this);
    if (m_property == nullptr)
        return;
    const bool c = m_property->GetMode() == CSmartProperty::kModeConstant;
    m_label->setEnabled(true);
    m_modeButton->setEnabled(true);
    m_edit->setEnabled(c);
    m_spin->setEnabled(c);
    m_slider->setEnabled(c);
}

void CUiProperty::OnSetValue()
{
    if (m_property == nullptr)
        return;
    m_property->SetMode(CSmartProperty::kModeConstant);
    m_modeButton->setText(QStringLiteral("---"));
    EnableControls(0);
    SendChanged();
}

void CUiProperty::OnSetGraph()
{
    if (m_property == nullptr)
        return;
    // A graph starts as a flat line at the constant.
    if (m_property->GetMode() == CSmartProperty::kModeConstant)
        m_property->SetValue(m_property->GetValue());
    m_property->SetMode(CSmartProperty::kModeGraph);
    m_modeButton->setText(QStringLiteral("G"));

    ui::GraphEditorInputs in;
    in.title = QStringLiteral("Graph: ") + m_editorName + QStringLiteral(" (") + m_editorUnit + ')';
    in.min = Cut(m_min);
    in.max = Cut(m_max);
    in.unit = m_editorUnit;
    in.stages = m_info.m_stages;
    in.oneDecimal = m_info.m_oneDecimal;
    in.graph = &m_property->GetGraph();
    in.editorPos = m_info.m_editorPos;
    in.editorSize = m_info.m_editorSize;
    in.clipboard = m_info.m_graphClipboard;
    const int length = m_info.m_sessionLength != nullptr ? *m_info.m_sessionLength : 0;
    in.sessionLength = length;
    double b = 0.0, e = 1.0;
    if (!m_info.m_wholeSession)
    {
        const ui::SelectionSource* source =
            m_info.m_tracksPane != nullptr ? m_info.m_tracksPane : ActiveTracksPane();
        if (source != nullptr)
            source->GetSelectedRange(b, e);
    }
    // The times the screens show for the segment's ends, so that the axis starts at its From.
    in.offset = model::DisplaySeconds(length * b);
    in.span = model::DisplaySeconds(length * e) - in.offset;

    EnableControls(0);
    if (ui::GraphEditors* editors = ui::GetGraphEditors())
        editors->RunGraphEditor(this, in);
    SendChanged();
}

void CUiProperty::OnSetAutoGraph()
{
    if (m_property == nullptr || !m_autoGraphAllowed)
        return;
    m_property->SetMode(CSmartProperty::kModeAutoGraph);
    m_modeButton->setText(QStringLiteral("A"));
    EnableControls(0);
    if (ui::GraphEditors* editors = ui::GetGraphEditors())
        editors->RunAutoGraphEditor(this, &m_property->GetAutoGraph(), m_editorName, m_editorUnit);
    SendChanged();
}
