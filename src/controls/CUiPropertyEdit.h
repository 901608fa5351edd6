#pragma once
/** @brief The value edit of a property row: only digits, one decimal point and backspace can be
 *  typed; anything else beeps and is dropped. Pasted text is not filtered.
 *
 * The row reacts to what the user typed only (textEdited): text set by code never runs the row's
 * change steps, so showing a value never rewrites it. */

#include "controls/Controls.h"

class CUiPropertyEdit : public ui::Edit
{
public:
    CUiPropertyEdit(QWidget* parent, int id);

protected:
    bool OnChar(QChar character) override;
};
