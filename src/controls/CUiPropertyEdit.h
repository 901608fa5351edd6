#pragma once
/** @brief The value edit of a property row. Whatever is typed stays as typed: the row takes a plain
 *  decimal number and refuses anything else visibly (a dropped '-' or 'e' had turned "-5" into 5
 *  and "1e9" into 19).
 *
 * The row reacts to what the user typed only (textEdited): text set by code never runs the row's
 * change steps, so showing a value never rewrites it. */

#include "controls/Controls.h"

class CUiPropertyEdit : public ui::Edit
{
public:
    CUiPropertyEdit(QWidget* parent, int id);
};
