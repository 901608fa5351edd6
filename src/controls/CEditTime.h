#pragma once
/** @brief An edit for a minutes:seconds time, typed as on a clock.
 *
 * "02:00", "2:00", "0200" and "200" all read as two minutes: with a colon the minutes come before
 * it and two seconds digits after it; digits alone end in the two seconds digits. Minutes may
 * have up to kMaxMinuteDigits digits, so times past 99 minutes can be typed ("125:30", "12530").
 * Only digits and ':' can be typed. A text that is not such a time reads as no time (GetTime
 * false); the dialog that owns the field refuses it visibly (ShowRefused) and keeps its old time.
 * Taking the focus by any means but the mouse selects the whole text, so a time typed at once
 * replaces the one shown. UI thread only. */

#include "controls/Controls.h"

class CEditTime : public ui::Edit
{
public:
    static constexpr int kMaxMinuteDigits = 3;

    CEditTime(QWidget* parent, int id);

    /** Reads @p text as above; false (and @p minutes, @p seconds untouched) when it is no time. */
    static bool ParseTime(const QString& text, int& minutes, int& seconds);
    /** "mm:ss" with at least two minute digits ("07:45", "125:00"). */
    static QString FormatTime(int minutes, int seconds);

    /** The field's time; false when its text is no time. */
    bool GetTime(int& minutes, int& seconds) const;
    /** The field's time in seconds (minutes x 60 + seconds); false when its text is no time. */
    bool GetSeconds(int& seconds) const;

protected:
    bool OnChar(QChar character) override;
    void focusInEvent(QFocusEvent* event) override;
};
