#include "panes/CPaneMeterLevels.h"

#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "model/CVornaDoc.h"

#include <algorithm>
#include <cmath>

namespace
{
const QColor kText(180, 180, 180);
const QColor kUnfilled(100, 100, 100);
constexpr int kBarTop = 22;
constexpr int kBarBottom = 32;
constexpr int kMargin = 10;

double Held(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}
} // namespace

CPaneMeterLevels::CPaneMeterLevels(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneMeterLevels::OnCreate()
{
    m_font = ui::MakeFont(12, 700);
    m_background = ui::LoadBitmap(kBackground);
    m_bar = ui::LoadBitmap(kBar);
    return CAppPane::OnCreate();
}

void CPaneMeterLevels::SetLoad(double load)
{
    const double held = Held(load);
    if (held == m_load)
        return;
    m_load = held;
    update();
}

double CPaneMeterLevels::ShownLoad() const
{
    return m_pDoc != nullptr && m_pDoc->m_isPlaying ? m_load : 0.0;
}

QString CPaneMeterLevels::LoadText(double load)
{
    return QString::asprintf("Playback overload    %d%%", static_cast<int>(Held(load) * 100));
}

int CPaneMeterLevels::UnfilledLeft(double load, int width)
{
    return width - static_cast<int>((1.0 - Held(load)) * (width - 2 * kMargin)) - kMargin;
}

void CPaneMeterLevels::OnPaint(QPainter& painter)
{
    const int w = width();
    DrawBitmapAt(painter, {0, 0}, m_background);
    const double load = ShownLoad();
    ui::Dc dc(painter);
    dc.SetFont(m_font);
    dc.SetTextColor(kText);
    dc.TextOut(kMargin, 5, LoadText(load));
    if (w <= 2 * kMargin)
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!m_bar.isNull())
        painter.drawPixmap(QRect(kMargin, kBarTop, w - 2 * kMargin, kBarBottom - kBarTop), m_bar);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    dc.FillSolidRect(ui::Ltrb(UnfilledLeft(load, w), kBarTop, w - kMargin, kBarBottom), kUnfilled);
}
