#include "controls/CEditFloat.h"

#include <QRegularExpression>

namespace ui
{

bool ReadPlainNumber(const QString& text, double& value)
{
    static const QRegularExpression plain(QStringLiteral(R"(^(\d+\.?\d*|\.\d+)$)"));
    if (!plain.match(text).hasMatch())
        return false;
    value = text.toDouble();
    return true;
}

} // namespace ui

CEditFloat::CEditFloat(QWidget* parent, int id) : ui::Edit(parent, id) {}

void CEditFloat::SetRange(float lower, float upper)
{
    m_lower = lower;
    m_upper = upper;
}
