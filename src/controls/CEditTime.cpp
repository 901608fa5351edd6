#include "controls/CEditTime.h"

#include "controls/CEditFloat.h"

#include <QKeyEvent>

CEditTime::CEditTime(QWidget* parent, int id) : ui::Edit(parent, id) {}

void CEditTime::EnableMask(const QString& mask, const QString& inputTemplate, QChar placeholder)
{
    QString qtMask;
    for (QChar c : mask)
    {
        if (c == QLatin1Char('D'))
            qtMask += QLatin1Char('0'); // a digit, which may stay blank
        else
        {
            qtMask += QLatin1Char('\\');
            qtMask += c;
        }
    }
    qtMask += QLatin1Char(';');
    qtMask += placeholder;
    setInputMask(qtMask);
    if (text().isEmpty())
        setCursorPosition(0);
    (void)inputTemplate; // Qt shows the blanks of the mask, which is what the template reads as
}

void CEditTime::GetTime(int& minutes, int& seconds) const
{
    // Split at the colon, so that a mask with three minute digits ("DDD:DD") reads 100:00 as it is.
    const QString t = GetWindowText();
    const int colon = t.indexOf(QLatin1Char(':'));
    if (colon < 0)
    {
        minutes = ui::LeadingInt(t.left(2));
        seconds = ui::LeadingInt(t.right(2));
        return;
    }
    minutes = ui::LeadingInt(t.left(colon));
    seconds = ui::LeadingInt(t.mid(colon + 1));
}

void CEditTime::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    {
        // Leaving and re-entering the field is what commits it in the dialogs that own one.
        if (hasFocus())
        {
            clearFocus();
            setFocus(Qt::OtherFocusReason);
        }
        else
            ui::SendCommand(parentWidget(), ui::ControlId(this), ui::Notify::KillFocus, this);
        event->accept();
        return;
    }
    ui::Edit::keyPressEvent(event);
}
