#pragma once
/** @brief The noise panel: the colour (pink or white) and the Smoothness, Filter, Frequency and
 *  Sharpness rows. UI thread. */

#include "dialogs/panels/CDlgSegmentRows.h"

class CDlgSegmentNoise : public CDlgSegmentRows
{
public:
    CDlgSegmentNoise();

protected:
    Binding Bind() const override;
};
