#include "dialogs/panels/CDlgSegmentBreathwork.h"

#include "model/CSegmentBreathwork.h"

using namespace segpanel;

namespace
{
constexpr std::array<RowSpec, 2> kRows{kCycleRow, kBreathingRow};
}

CDlgSegmentBreathwork::CDlgSegmentBreathwork()
    : CDlgSegmentRows(kBreathworkPanelSize, kRows, kIdBreathPattern, kBreathPatternCombo, kBreathPatterns,
                      kInitialBreathPattern)
{
}

CDlgSegmentRows::Binding CDlgSegmentBreathwork::Bind() const
{
    auto* breathwork = dynamic_cast<CSegmentBreathwork*>(m_pObject);
    if (breathwork == nullptr)
        return {};
    return {
        {&breathwork->m_cycle, &breathwork->m_breathing}, &breathwork->m_pattern, breathwork->GetPattern()};
}
