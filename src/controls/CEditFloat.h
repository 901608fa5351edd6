#pragma once
/** @brief An edit for a decimal number: only digits, one period and backspace can be typed. */

#include "controls/Controls.h"

class CEditFloat : public ui::Edit
{
public:
    CEditFloat(QWidget* parent, int id);

    /** Stores the range of the value (0 to 100 until set). Typing is not limited by it: the
     *  dialogs limit the value when they take it. */
    void SetRange(float lower, float upper);
    float GetLower() const { return m_lower; }
    float GetUpper() const { return m_upper; }

    /** The value the text reads as (its leading number; 0 when there is none). */
    double GetValue() const;

protected:
    bool OnChar(QChar character) override;

private:
    float m_lower = 0.0f;
    float m_upper = 100.0f;
};

namespace ui
{
/** The leading decimal number of @p text, as the C library's atof reads it; 0 when none. */
double LeadingNumber(const QString& text);
/** The leading integer of @p text, as the C library's atoi reads it; 0 when none. */
int LeadingInt(const QString& text);
} // namespace ui
