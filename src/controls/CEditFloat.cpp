#include "controls/CEditFloat.h"

#include <QRegularExpression>

namespace ui
{

double LeadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(0).trimmed().toDouble() : 0.0;
}

int LeadingInt(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral(R"(^\s*[+-]?\d+)"));
    const QRegularExpressionMatch m = integer.match(text);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const long long v = m.captured(0).trimmed().toLongLong(&ok);
    return ok ? int(std::clamp<long long>(v, INT_MIN, INT_MAX)) : 0;
}

} // namespace ui

CEditFloat::CEditFloat(QWidget* parent, int id) : ui::Edit(parent, id) {}

void CEditFloat::SetRange(float lower, float upper)
{
    m_lower = lower;
    m_upper = upper;
}

double CEditFloat::GetValue() const
{
    return ui::LeadingNumber(text());
}

bool CEditFloat::OnChar(QChar character)
{
    const bool digit = character >= QLatin1Char('0') && character <= QLatin1Char('9');
    const bool period = character == QLatin1Char('.');
    const bool backspace = character == QLatin1Char('\b');
    if (!digit && !period && !backspace)
        return false;
    if (period && !text().isEmpty() && text().contains(QLatin1Char('.')))
        return false;
    return true;
}
