#pragma once
/** @brief The tone panel: the Carrier frequency and the number of Overtones. UI thread. */

#include "dialogs/panels/CDlgSegmentRows.h"

class CDlgSegmentTone : public CDlgSegmentRows
{
public:
    CDlgSegmentTone();

protected:
    Binding Bind() const override;
};
