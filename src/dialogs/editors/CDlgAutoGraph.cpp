#include "dialogs/editors/CDlgAutoGraph.h"
#include "dialogs/session/HelpTopic.h"

#include "messages/AppMessage.h"
#include "model/CAutoGraph.h"

#include <cmath>

namespace
{

const char* const kRates[] = {
    "Fastest change rate", "Faster change rate", "Fast change rate",    "Moderate change rate",
    "Slow change rate",    "Slower change rate", "Slowest change rate",
};

int Trunc(double v)
{
    return std::isfinite(v) ? static_cast<int>(std::trunc(v)) : 0;
}

} // namespace

CDlgAutoGraph::CDlgAutoGraph(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("AutoGraph"));
    setWindowFlag(Qt::WindowSystemMenuHint, true);
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    const QRect whole = MapDialogRect(0, 0, 240, 154);
    setFixedSize(whole.size());

    m_title = new ui::Static(this, kIdTitle, QStringLiteral("Title (legend)"));
    m_title->setGeometry(MapDialogRect(7, 7, 226, 10));
    auto* lowerCaption = new ui::Static(this, -1, QStringLiteral("Lower limit"));
    lowerCaption->setGeometry(MapDialogRect(7, 26, 100, 9));
    m_lowerLabel = new ui::Static(this, kIdLowerLabel, QStringLiteral("From"));
    m_lowerLabel->setGeometry(MapDialogRect(133, 26, 100, 9));
    m_lowerLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lower = new ui::Slider(this, kIdLowerSlider, Qt::Horizontal);
    m_lower->setGeometry(MapDialogRect(7, 37, 226, 14));

    auto* upperCaption = new ui::Static(this, -1, QStringLiteral("Upper limit"));
    upperCaption->setGeometry(MapDialogRect(7, 59, 100, 9));
    m_upperLabel = new ui::Static(this, kIdUpperLabel, QStringLiteral("Up to"));
    m_upperLabel->setGeometry(MapDialogRect(133, 59, 100, 9));
    m_upperLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_upper = new ui::Slider(this, kIdUpperSlider, Qt::Horizontal);
    m_upper->setGeometry(MapDialogRect(7, 70, 226, 14));

    auto* rateCaption = new ui::Static(this, -1, QStringLiteral("Change rate"));
    rateCaption->setGeometry(MapDialogRect(7, 92, 100, 9));
    m_rate = new ui::ComboBox(this, kIdRate);
    m_rate->setGeometry(MapDialogRect(7, 103, 120, 14));

    m_close = new ui::Button(this, kIdClose, QStringLiteral("Close"));
    m_close->setGeometry(MapDialogRect(129, 131, 50, 15));
    m_help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    m_help->setGeometry(MapDialogRect(183, 131, 50, 15));
}

void CDlgAutoGraph::SetProperty(CAutoGraph* graph, const QString& name, const QString& unit)
{
    m_graph = graph;
    m_name = name;
    m_unit = unit;
}

void CDlgAutoGraph::SetLimitLabel(double value, const QString& unit, ui::Static* label)
{
    label->SetWindowText(QStringLiteral("%1 %2").arg(Trunc(value)).arg(unit));
}

bool CDlgAutoGraph::OnInitDialog()
{
    m_title->SetWindowText(QStringLiteral("Set AutoGraph for property: ") + m_name + QStringLiteral(" (") +
                           m_unit + QStringLiteral(")"));
    if (m_graph == nullptr)
        return false;
    // Shown cut toward zero; the stored limits stay as they are until a slider moves.
    m_lower->SetRange(Trunc(m_graph->m_min), Trunc(m_graph->m_max));
    m_lower->SetPos(Trunc(m_graph->m_lowerLimit));
    SetLimitLabel(m_graph->m_lowerLimit, m_unit, m_lowerLabel);
    m_upper->SetRange(Trunc(m_graph->m_min), Trunc(m_graph->m_max));
    m_upper->SetPos(Trunc(m_graph->m_upperLimit));
    SetLimitLabel(m_graph->m_upperLimit, m_unit, m_upperLabel);

    m_rate->ResetContent();
    for (const char* text : kRates)
        m_rate->AddString(QString::fromLatin1(text));
    m_rate->SetCurSel(m_graph->m_changeRate);
    return false; // no default keyboard focus
}

void CDlgAutoGraph::OnHScroll(ui::ScrollCode, int pos, QWidget* from)
{
    if (m_graph == nullptr)
        return;
    int p = pos;
    if (from == m_upper)
    {
        if (m_lower->GetPos() >= p)
            p = m_lower->GetPos();
        m_graph->m_upperLimit = p;
        SetLimitLabel(p, m_unit, m_upperLabel);
        m_upper->SetPos(p);
    }
    else if (from == m_lower)
    {
        if (p >= m_upper->GetPos())
            p = m_upper->GetPos();
        m_graph->m_lowerLimit = p;
        SetLimitLabel(p, m_unit, m_lowerLabel);
        m_lower->SetPos(p);
    }
}

bool CDlgAutoGraph::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (id == kIdRate && code == ui::Notify::SelChange)
    {
        if (m_graph != nullptr && m_rate->GetCurSel() >= 0)
            m_graph->m_changeRate = m_rate->GetCurSel();
        return true;
    }
    if (code != ui::Notify::Clicked)
        return false;
    if (id == kIdHelp)
    {
        dlg::ShowHelpTopic(kHelpTopic);
        return true;
    }
    if (id == kIdClose)
    {
        OnOK();
        return true;
    }
    return false;
}
