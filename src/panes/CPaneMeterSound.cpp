#include "panes/CPaneMeterSound.h"

#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "model/CVornaDoc.h"

#include <algorithm>
#include <cmath>

namespace
{
const QColor kUnfilled(100, 100, 100);
// The bars leave 8 pixels above and below; the spectrum starts after the two level bars.
constexpr int kInset = 8;
constexpr int kCap = 20;
constexpr int kSpectrumReserve = 48;
constexpr int kSpectrumOffset = 38;
constexpr int kGap = 2;

double Held(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}
} // namespace

CPaneMeterSound::CPaneMeterSound(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneMeterSound::OnCreate()
{
    m_background = ui::LoadBitmap(kBackground);
    m_level = ui::LoadBitmap(kLevelBar);
    m_spectrumBar = ui::LoadBitmap(kSpectrumBar);
    return CAppPane::OnCreate();
}

void CPaneMeterSound::SetLevels(double left, double right)
{
    m_left = Held(left);
    m_right = Held(right);
    update();
}

void CPaneMeterSound::SetSpectrum(const std::array<double, kBands>& bands)
{
    for (int i = 0; i < kBands; ++i)
        m_bands[i] = Held(bands[i]);
    update();
}

void CPaneMeterSound::ShownValues(double& left, double& right, std::array<double, kBands>& bands) const
{
    const bool playing = m_pDoc != nullptr && m_pDoc->m_isPlaying;
    left = playing ? m_left : 0.0;
    right = playing ? m_right : 0.0;
    if (playing)
        bands = m_bands;
    else
        bands.fill(0.0);
}

int CPaneMeterSound::SpectrumBarWidth(int width)
{
    return (width - kSpectrumReserve) / kBands - kGap;
}

int CPaneMeterSound::SpectrumFirstX(int width)
{
    return (width - kSpectrumReserve) % kBands + kSpectrumOffset;
}

void CPaneMeterSound::OnPaint(QPainter& painter)
{
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    DrawBitmapThreeSlice(painter, {0, 0}, m_background, kCap, kCap, w, h);
    if (h <= 2 * kInset)
        return;
    double left = 0.0, right = 0.0;
    std::array<double, kBands> bands{};
    ShownValues(left, right, bands);
    ui::Dc dc(painter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

    const int top = kInset, bottom = h - kInset;
    auto levelBar = [&](int x0, int x1, double level)
    {
        painter.drawPixmap(ui::Ltrb(x0, top, x1, bottom), m_level);
        dc.FillSolidRect(ui::Ltrb(x0, top, x1, top + static_cast<int>((bottom - top) * (1.0 - level))),
                         kUnfilled);
    };
    levelBar(10, 20, left);
    levelBar(22, 32, right);

    const int barWidth = SpectrumBarWidth(w);
    if (barWidth <= 0)
        return;
    const int usable = h - 2 * kInset;
    int x = SpectrumFirstX(w);
    for (int i = 0; i < kBands; ++i)
    {
        const int barHeight = static_cast<int>(bands[i] * usable);
        const int y = h - barHeight - kInset;
        if (barHeight > 0)
            painter.drawPixmap(QRect(x, y, barWidth, barHeight), m_spectrumBar);
        dc.FillSolidRect(ui::Ltrb(x, kInset, x + barWidth, y), kUnfilled);
        x += barWidth + kGap;
    }
}
