#include "dialogs/SegmentPanels.h"

#include "dialogs/CDlgPropertiesBase.h"

namespace
{
// The segment panels' templates are 170 dialog units wide.
constexpr int kPanelWidthDlu = 170;
} // namespace

std::unique_ptr<CDlgPropertiesBase> CreateEmptyPanel()
{
    return std::make_unique<CDlgPropertiesBase>(kPanelWidthDlu, 0);
}

std::unique_ptr<CDlgPropertiesBase> CreateSegmentPanel(std::int32_t kind)
{
    switch (kind)
    {
    default:
        return CreateEmptyPanel();
    }
}
