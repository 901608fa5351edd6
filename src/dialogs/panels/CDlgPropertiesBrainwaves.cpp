#include "dialogs/panels/CDlgPropertiesBrainwaves.h"

#include "controls/Controls.h"
#include "dialogs/panels/PropertyRows.h"
#include "messages/ViewMessages.h"
#include "model/CSegment.h"

CDlgPropertiesBrainwaves::CDlgPropertiesBrainwaves() : CDlgPropertiesBase(kWidthDlu, kHeightDlu) {}

CDlgPropertiesBrainwaves::~CDlgPropertiesBrainwaves() = default;

bool CDlgPropertiesBrainwaves::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();
    m_source = new ui::ComboBox(this, kIdSource);
    m_source->setGeometry(MapDialogRect(8, 0, 114, 14));
    for (const char* text :
         {"No Brainwave Entrainment", "Global Brainwave Entrainment", "Local Brainwave Entrainment"})
        m_source->AddString(QString::fromLatin1(text));
    m_source->SetCurSel(0);
    m_global = new ui::Button(this, kIdGlobal, QStringLiteral("Global"));
    m_global->setGeometry(MapDialogRect(126, 0, 35, 14));
    m_method = new ui::ComboBox(this, kIdMethod);
    m_method->setGeometry(MapDialogRect(7, 21, 154, 14));
    m_method->ResetContent();
    for (const char* text : {"Binaural Beat", "Monaural Beat", "Isochronic Beat", "Isochronic Beat (wide)",
                             "Isochronic Beat (narrow)"})
        m_method->AddString(QString::fromLatin1(text));
    m_method->SetCurSel(-1);
    CreateRow(m_strength, props::kRowBrainwaveStrength,
              CreatePlaceholder(kIdStrengthPlaceholder, 7, 63, 155, 21));
    CreateRow(m_frequency, props::kRowBrainwaveFrequency,
              CreatePlaceholder(kIdFrequencyPlaceholder, 7, 42, 155, 21));
    return true;
}

void CDlgPropertiesBrainwaves::SetDocument(CVornaDoc* doc)
{
    CDlgPropertiesBase::SetDocument(doc);
    if (m_pObject != nullptr)
        SetObject(nullptr);
}

void CDlgPropertiesBrainwaves::SetObject(CSegment* segment)
{
    m_settings = segment != nullptr ? &segment->m_brainwaves : nullptr;
    CDlgPropertiesBase::SetObject(segment);
    if (segment == nullptr)
        return;
    m_source->SetCurSel(SourceChoice(m_settings->m_enabled, m_settings->m_ownFrequency));
    m_method->SetCurSel(m_settings->m_method);
    m_strength.SetProperty(&m_settings->m_depth);
    m_frequency.SetProperty(&m_settings->m_frequency);
    UpdateEnableState();
}

void CDlgPropertiesBrainwaves::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    UpdateEnableState();
}

void CDlgPropertiesBrainwaves::UpdateEnableState()
{
    if (m_pObject == nullptr || m_settings == nullptr)
        return;
    const bool on = m_settings->m_enabled;
    const bool own = m_settings->m_ownFrequency;
    const bool playing = IsPlaying();
    EnableChildWindows(this, on && !playing);
    m_source->setEnabled(!playing);
    m_global->setEnabled(on && !own && !playing);
    const int r = !on ? 1 : playing ? 2 : 0;
    // A tone segment makes the binaural beat itself, from two carriers: there is no strength to set.
    const bool toneBinaural = m_pObject->GetKind() == CSegment::kKindTone &&
                              m_settings->m_method == CBrainwavesLocal::kMethodBinaural;
    m_strength.EnableControls(toneBinaural ? 1 : r);
    m_frequency.EnableControls(own ? r : 1);
}

bool CDlgPropertiesBrainwaves::OnCommand(int id, ui::Notify code, QWidget*)
{
    switch (id)
    {
    case kIdSource:
        if (code == ui::Notify::SelChange)
            OnSourceChanged();
        return true;
    case kIdMethod:
        if (code == ui::Notify::SelChange)
            OnMethodChanged();
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

bool CDlgPropertiesBrainwaves::ApplySourceChoice(int choice, std::atomic<bool>& enabled,
                                                 std::atomic<bool>& own)
{
    if (choice < 0 || choice > 2)
        return false;
    enabled = choice != 0;
    if (choice != 0)
        own = choice == 2;
    return true;
}

void CDlgPropertiesBrainwaves::OnSourceChanged()
{
    if (m_settings == nullptr)
        return;
    if (!ApplySourceChoice(m_source->GetCurSel(), m_settings->m_enabled, m_settings->m_ownFrequency))
        return;
    UpdateEnableState();
    SetModified();
}

void CDlgPropertiesBrainwaves::OnMethodChanged()
{
    if (m_settings == nullptr)
        return;
    const int method = m_method->GetCurSel();
    if (method >= 0)
        m_settings->m_method = method;
    UpdateEnableState();
    SetModified();
}
