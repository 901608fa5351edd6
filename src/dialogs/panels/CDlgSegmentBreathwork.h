#pragma once
/** @brief The breathwork panel: the breathing pattern and the Cycle and Breathing rows.
 *  UI thread. */

#include "dialogs/panels/CDlgSegmentRows.h"

class CDlgSegmentBreathwork : public CDlgSegmentRows
{
public:
    CDlgSegmentBreathwork();

protected:
    Binding Bind() const override;
};
