#include "dialogs/panels/CDlgPropertiesEffects.h"

#include "controls/Controls.h"
#include "dialogs/panels/PropertyRows.h"
#include "model/CSegment.h"

#include <QFontMetrics>

namespace
{
constexpr std::array<const char*, CDlgPropertiesEffects::kCount> kLabels{"Enhance (%)", "Reverb (%)",
                                                                         "Echo (%)", "Chorus (%)"};
// What the graph editor of each line calls its level; the rows themselves show no label.
constexpr std::array<const char*, CDlgPropertiesEffects::kCount> kNames{"Enhance", "Reverb", "Echo",
                                                                        "Chorus"};
// Dialog-unit tops of each line's box, label and row.
constexpr std::array<int, CDlgPropertiesEffects::kCount> kBoxTop{7, 29, 51, 73};
constexpr std::array<int, CDlgPropertiesEffects::kCount> kRowTop{0, 23, 45, 67};
} // namespace

CDlgPropertiesEffects::CDlgPropertiesEffects() : CDlgPropertiesBase(kWidthDlu, kHeightDlu) {}

CDlgPropertiesEffects::~CDlgPropertiesEffects() = default;

bool CDlgPropertiesEffects::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();
    for (std::size_t i = 0; i < kCount; ++i)
    {
        // The boxes have no text of their own and the labels are sized to theirs.
        m_boxes[i] = new ui::CheckBox(this, kIdBox[i]);
        const QRect box = MapDialogRect(7, kBoxTop[i], 10, 10);
        m_boxes[i]->setGeometry(QRect(box.topLeft(), m_boxes[i]->sizeHint().expandedTo(box.size())));
        const QString text = QString::fromLatin1(kLabels[i]);
        m_labels[i] = new ui::Static(this, kIdLabel[i], text);
        const QRect at = MapDialogRect(20, kBoxTop[i] - 1, 0, 12);
        m_labels[i]->setGeometry(QRect(
            at.topLeft(), QSize(QFontMetrics(m_labels[i]->font()).horizontalAdvance(text) + 4, at.height())));
        CreateRow(m_rows[i], props::kRowEffectEnhance + static_cast<int>(i),
                  CreatePlaceholder(kIdPlaceholder[i], 67, kRowTop[i], 95, 21));
        m_rows[i].SetEditorNames(QString::fromLatin1(kNames[i]), QStringLiteral("%"));
    }
    return true;
}

void CDlgPropertiesEffects::SetObject(CSegment* segment)
{
    CDlgPropertiesBase::SetObject(segment);
    if (segment == nullptr)
        return;
    for (std::size_t i = 0; i < kCount; ++i)
    {
        m_boxes[i]->SetCheck(segment->m_effects.m_switch[i]);
        m_rows[i].SetProperty(&segment->m_effects.m_level[i]);
    }
    UpdateControls();
}

void CDlgPropertiesEffects::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    if (m_pObject == nullptr || m_labels[0] == nullptr)
        return;
    const bool playing = IsPlaying();
    for (std::size_t i = 0; i < kCount; ++i)
    {
        m_labels[i]->setEnabled(true);
        m_rows[i].EnableControls(!m_pObject->m_effects.m_switch[i] ? 1 : playing ? 2 : 0);
    }
}

bool CDlgPropertiesEffects::OnCommand(int id, ui::Notify code, QWidget*)
{
    for (std::size_t i = 0; i < kCount; ++i)
    {
        if (id != kIdBox[i])
            continue;
        if (code == ui::Notify::Clicked && m_pObject != nullptr)
        {
            m_pObject->m_effects.m_switch[i] = m_boxes[i]->GetCheck();
            UpdateControls();
            SetModified();
        }
        return true;
    }
    return false;
}
