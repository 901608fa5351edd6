#pragma once
/** @brief The output meter of the transport bar: the left and right level bars and a 16-band
 *  spectrum, each a stretched bar picture whose unfilled part is grey.
 *
 * Levels and bands are handed in by the view's timer (SetLevels, SetSpectrum); the meter shows
 * them only while the document plays and zeros otherwise. UI thread. */

#include "panes/CAppPane.h"
#include "panes/PlaybackReadouts.h"

#include <QPixmap>

#include <array>

class CPaneMeterSound : public CAppPane
{
public:
    static constexpr int kBackground = 359;
    static constexpr int kLevelBar = 355;
    static constexpr int kSpectrumBar = 356;
    static constexpr int kBands = PlaybackReadouts::kBands;

    explicit CPaneMeterSound(QWidget* parent = nullptr);

    /** The output levels 0..1 (held to it); repaints. */
    void SetLevels(double left, double right);
    /** The band magnitudes 0..1, lowest band first (held to it); repaints. */
    void SetSpectrum(const std::array<double, kBands>& bands);

    /** The levels and bands the meter shows: those handed in while playing, else zeros. */
    void ShownValues(double& left, double& right, std::array<double, kBands>& bands) const;

    /** The spectrum's geometry at a client size: bar width (W - 48) / 16 - 2 and the first bar's
     *  x (W - 48) mod 16 + 38; a bar width of 0 or less means no spectrum is drawn. */
    static int SpectrumBarWidth(int width);
    static int SpectrumFirstX(int width);

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;

private:
    QPixmap m_background;
    QPixmap m_level;
    QPixmap m_spectrumBar;
    double m_left = 0.0;
    double m_right = 0.0;
    std::array<double, kBands> m_bands{};
};
