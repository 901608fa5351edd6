#include "dialogs/panels/CDlgPropertiesBilateral.h"

#include "controls/Controls.h"
#include "dialogs/panels/CDlgPropertiesBrainwaves.h"
#include "dialogs/panels/PropertyRows.h"
#include "messages/ViewMessages.h"
#include "model/CSegment.h"

CDlgPropertiesBilateral::CDlgPropertiesBilateral() : CDlgPropertiesBase(kWidthDlu, kHeightDlu) {}

CDlgPropertiesBilateral::~CDlgPropertiesBilateral() = default;

bool CDlgPropertiesBilateral::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();
    m_source = new ui::ComboBox(this, kIdSource);
    m_source->setGeometry(MapDialogRect(8, 0, 113, 14));
    for (const char* text : {"No Bilateral Sound", "Global Bilateral Sound", "Local Bilateral Sound"})
        m_source->AddString(QString::fromLatin1(text));
    m_source->SetCurSel(0);
    m_global = new ui::Button(this, kIdGlobal, QStringLiteral("Global"));
    m_global->setGeometry(MapDialogRect(125, 0, 35, 14));
    m_invert = new ui::CheckBox(this, kIdInvert, QStringLiteral("Inverse direction"));
    m_invert->setGeometry(MapDialogRect(7, 91, 100, 11));
    m_cubic = new ui::CheckBox(this, kIdCubic, QStringLiteral("Alternate stereo left and right"));
    m_cubic->setGeometry(MapDialogRect(7, 108, 153, 11));
    CreateRow(m_strength, props::kRowBilateralStrength,
              CreatePlaceholder(kIdStrengthPlaceholder, 7, 43, 152, 21));
    CreateRow(m_delay, props::kRowBilateralDelay, CreatePlaceholder(kIdDelayPlaceholder, 7, 64, 152, 21));
    CreateRow(m_rate, props::kRowBilateralRate, CreatePlaceholder(kIdRatePlaceholder, 7, 22, 152, 21));
    return true;
}

void CDlgPropertiesBilateral::SetObject(CSegment* segment)
{
    m_settings = segment != nullptr ? &segment->m_bilateral : nullptr;
    CDlgPropertiesBase::SetObject(segment);
    if (segment == nullptr)
        return;
    m_source->SetCurSel(CDlgPropertiesBrainwaves::SourceChoice(m_settings->m_enabled, m_settings->m_ownRate));
    m_strength.SetProperty(&m_settings->m_depth);
    m_delay.SetProperty(&m_settings->m_delay);
    m_rate.SetProperty(&m_settings->m_rate);
    m_invert->SetCheck(m_settings->m_invert);
    m_cubic->SetCheck(m_settings->m_cubic);
    UpdateEnableState();
}

void CDlgPropertiesBilateral::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    UpdateEnableState();
}

void CDlgPropertiesBilateral::UpdateEnableState()
{
    if (m_pObject == nullptr || m_settings == nullptr)
        return;
    const bool on = m_settings->m_enabled;
    const bool own = m_settings->m_ownRate;
    const bool playing = IsPlaying();
    EnableChildWindows(this, on && !playing);
    m_source->setEnabled(!playing);
    m_global->setEnabled(on && !own && !playing);
    const int r = !on ? 1 : playing ? 2 : 0;
    m_strength.EnableControls(r);
    m_delay.EnableControls(r);
    m_rate.EnableControls(own ? r : 1);
}

bool CDlgPropertiesBilateral::OnCommand(int id, ui::Notify code, QWidget*)
{
    switch (id)
    {
    case kIdSource:
        if (code == ui::Notify::SelChange)
            OnSourceChanged();
        return true;
    case kIdInvert:
        if (code == ui::Notify::Clicked && m_settings != nullptr)
        {
            m_settings->m_invert = m_invert->GetCheck();
            SetModified();
        }
        return true;
    case kIdCubic:
        if (code == ui::Notify::Clicked && m_settings != nullptr)
        {
            m_settings->m_cubic = m_cubic->GetCheck();
            SetModified();
        }
        return true;
    case kIdGlobal:
        if (code == ui::Notify::Clicked)
            if (ui::ViewMessages* view = ActiveView())
                view->ShowGlobals();
        return true;
    default:
        return false;
    }
}

void CDlgPropertiesBilateral::OnSourceChanged()
{
    if (m_settings == nullptr)
        return;
    if (!CDlgPropertiesBrainwaves::ApplySourceChoice(m_source->GetCurSel(), m_settings->m_enabled,
                                                     m_settings->m_ownRate))
        return;
    UpdateEnableState();
    SetModified();
}
