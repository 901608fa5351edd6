#include "controls/CUiPropertyEdit.h"

#include "controls/Behaviour.h"

CUiPropertyEdit::CUiPropertyEdit(QWidget* parent, int id) : ui::Edit(parent, id) {}

bool CUiPropertyEdit::OnChar(QChar character)
{
    const bool digit = character >= QLatin1Char('0') && character <= QLatin1Char('9');
    const bool point = character == QLatin1Char('.');
    if (character == QLatin1Char('\b') || digit || (point && !text().contains(QLatin1Char('.'))))
        return true;
    ui::CurrentBehaviour().Beep();
    return false;
}
