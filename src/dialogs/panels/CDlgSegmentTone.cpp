#include "dialogs/panels/CDlgSegmentTone.h"

#include "model/CSegmentTone.h"

namespace
{
constexpr std::array<segpanel::RowSpec, 2> kRows{segpanel::kCarrierRow, segpanel::kOvertonesRow};
}

CDlgSegmentTone::CDlgSegmentTone() : CDlgSegmentRows(segpanel::kTonePanelSize, kRows) {}

CDlgSegmentRows::Binding CDlgSegmentTone::Bind() const
{
    auto* tone = dynamic_cast<CSegmentTone*>(m_pObject);
    if (tone == nullptr)
        return {};
    return {{&tone->m_carrier, &tone->m_overtones}};
}
