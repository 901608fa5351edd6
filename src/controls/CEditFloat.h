#pragma once
/** @brief An edit for a decimal number.
 *
 * Whatever is typed stays as typed; a text that is not a plain decimal number (ui::ReadPlainNumber)
 * reads as no number, which the owning dialog refuses visibly (ShowRefused) while it keeps its old
 * value: dropping a '-' or an 'e' as it was typed turned "-5" into 5 and "1e9" into 19. */

#include "controls/Controls.h"

namespace ui
{
/** Reads @p text as a plain decimal number (digits with at most one point, nothing else: no sign,
 *  no exponent, no blanks); false when it is not one ("", ".", "-5", "1e9", "4.5.1"). */
bool ReadPlainNumber(const QString& text, double& value);
} // namespace ui

class CEditFloat : public ui::Edit
{
public:
    CEditFloat(QWidget* parent, int id);

    /** Stores the range of the value (0 to 100 until set). Typing is not limited by it: the
     *  dialogs limit the value when they take it. */
    void SetRange(float lower, float upper);
    float GetLower() const { return m_lower; }
    float GetUpper() const { return m_upper; }

    /** The text's number; false when the text is not a plain decimal number. */
    bool GetNumber(double& value) const { return ui::ReadPlainNumber(text(), value); }

private:
    float m_lower = 0.0f;
    float m_upper = 100.0f;
};
