#include "dialogs/panels/CDlgSegmentNoise.h"

#include "model/CSegmentNoise.h"

using namespace segpanel;

CDlgSegmentNoise::CDlgSegmentNoise()
    : CDlgSegmentRows(kNoisePanelSize, kNoiseRows, kIdNoiseColour, kNoiseColourCombo, kNoiseColours,
                      kInitialNoiseColour)
{
}

CDlgSegmentRows::Binding CDlgSegmentNoise::Bind() const
{
    auto* noise = dynamic_cast<CSegmentNoise*>(m_pObject);
    if (noise == nullptr)
        return {};
    return {{&noise->m_smoothness, &noise->m_filter, &noise->m_frequency, &noise->m_sharpness},
            &noise->m_color,
            noise->GetColor()};
}
