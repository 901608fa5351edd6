#include "controls/CUiPropertyEdit.h"

CUiPropertyEdit::CUiPropertyEdit(QWidget* parent, int id) : ui::Edit(parent, id) {}
