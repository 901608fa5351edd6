#include "controls/CEditTime.h"

#include "controls/Behaviour.h"

#include <QFocusEvent>

CEditTime::CEditTime(QWidget* parent, int id) : ui::Edit(parent, id) {}

bool CEditTime::ParseTime(const QString& text, int& minutes, int& seconds)
{
    const QString t = text.trimmed();
    QString m, s;
    const int colon = t.indexOf(QLatin1Char(':'));
    if (colon >= 0)
    {
        m = t.left(colon);
        s = t.mid(colon + 1);
        if (s.size() != 2)
            return false; // "2:5" could mean 2:05 or 2:50
    }
    else
    {
        // Digits alone fill from the right as on a clock: the last two are the seconds.
        if (t.size() <= 2)
            s = t;
        else
        {
            m = t.left(t.size() - 2);
            s = t.right(2);
        }
    }
    if (s.isEmpty() || m.size() > kMaxMinuteDigits)
        return false;
    for (const QString* part : {&m, &s})
    {
        for (QChar c : *part)
        {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
    }
    const int sec = s.toInt();
    if (sec >= 60)
        return false;
    minutes = m.isEmpty() ? 0 : m.toInt();
    seconds = sec;
    return true;
}

QString CEditTime::FormatTime(int minutes, int seconds)
{
    return QString::asprintf("%02d:%02d", minutes, seconds);
}

bool CEditTime::GetTime(int& minutes, int& seconds) const
{
    return ParseTime(text(), minutes, seconds);
}

bool CEditTime::GetSeconds(int& seconds) const
{
    int m = 0, s = 0;
    if (!GetTime(m, s))
        return false;
    seconds = m * 60 + s;
    return true;
}

bool CEditTime::OnChar(QChar character)
{
    const bool digit = character >= QLatin1Char('0') && character <= QLatin1Char('9');
    if (digit || character == QLatin1Char(':') || character == QLatin1Char('\b'))
        return true;
    ui::CurrentBehaviour().Beep();
    return false;
}

void CEditTime::focusInEvent(QFocusEvent* event)
{
    ui::Edit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason)
        selectAll();
}
