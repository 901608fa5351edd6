#include "dialogs/session/CDlgGlobals.h"
#include "dialogs/session/HelpTopic.h"

#include "controls/Controls.h"
#include "dialogs/panels/PropertyRows.h"
#include "model/CVornaDoc.h"

#include <QFrame>

namespace
{
// The template's size in dialog units.
constexpr int kWidthDlu = 273;
constexpr int kHeightDlu = 123;

QWidget* Placeholder(QWidget* parent, int id, const QRect& rect)
{
    auto* frame = new QFrame(parent);
    ui::SetControlId(frame, id);
    frame->setGeometry(rect);
    frame->hide();
    return frame;
}
} // namespace

CDlgGlobals::CDlgGlobals(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Global Properties"));
    setFont(props::PanelFont());
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());
    m_brainwavesPlace = Placeholder(this, kIdBrainwavesPlaceholder, MapDialogRect(7, 7, 259, 21));
    m_bilateralPlace = Placeholder(this, kIdBilateralPlaceholder, MapDialogRect(7, 45, 259, 21));
    auto* close = new ui::Button(this, ui::IDOK, QStringLiteral("Close"));
    close->setGeometry(MapDialogRect(76, 101, 58, 16));
    close->setDefault(true);
    auto* help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    help->setGeometry(MapDialogRect(139, 101, 58, 16));
}

CDlgGlobals::~CDlgGlobals() = default;

bool CDlgGlobals::OnInitDialog()
{
    props::CreatePropertyRow(m_brainwaves, props::kRowGlobalBrainwaves, m_brainwavesPlace, this, m_doc,
                             props::GraphAxis::WholeSession);
    props::CreatePropertyRow(m_bilateral, props::kRowGlobalBilateral, m_bilateralPlace, this, m_doc,
                             props::GraphAxis::WholeSession);
    if (m_doc != nullptr)
    {
        m_brainwaves.SetProperty(&m_doc->m_brainwaves.m_property);
        m_bilateral.SetProperty(&m_doc->m_bilateral.m_property);
    }
    return true;
}

bool CDlgGlobals::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code != ui::Notify::Clicked)
        return false;
    switch (id)
    {
    case ui::IDOK:
        OnOK();
        return true;
    case kIdHelp:
    {
        dlg::ShowHelpTopic(kHelpTopic);
        return true;
    }
    default:
        return false;
    }
}
