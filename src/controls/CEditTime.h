#pragma once
/** @brief An edit for a minutes:seconds time, with a mask set by its dialog ("DD:DD" over "__:__"). */

#include "controls/Controls.h"

class CEditTime : public ui::Edit
{
public:
    CEditTime(QWidget* parent, int id);

    /** Sets the mask: 'D' marks a digit position, other characters of @p mask stand as they are;
     *  @p inputTemplate is the text shown before anything is typed, @p placeholder its blank. */
    void EnableMask(const QString& mask, const QString& inputTemplate, QChar placeholder);

    /** Minutes from the text before the colon and seconds from the text after it (without a colon:
     *  the first two and the last two characters). */
    void GetTime(int& minutes, int& seconds) const;

    /** The text as shown, blanks included ("07:45", "_7:4_"). */
    QString GetWindowText() const { return displayText(); }

protected:
    /** Enter commits the field as leaving it would, and keeps the focus in it. */
    void keyPressEvent(QKeyEvent* event) override;
};
