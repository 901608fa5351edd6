#pragma once
/** @brief The playback-load meter of the transport bar: "Playback overload    n%" over a bar whose
 *  unfilled part is grey.
 *
 * The load is handed in by the view's timer (SetLoad); the meter shows it only while the document
 * plays and 0 otherwise. UI thread. */

#include "panes/CAppPane.h"

#include <QFont>
#include <QPixmap>

class CPaneMeterLevels : public CAppPane
{
public:
    static constexpr int kBackground = 377;
    static constexpr int kBar = 315;

    explicit CPaneMeterLevels(QWidget* parent = nullptr);

    /** The engine's playback load, 0..1 (values outside are held to it); repaints. */
    void SetLoad(double load);
    double GetLoad() const { return m_load; }

    /** The load the meter shows: the one handed in while playing, else 0. */
    double ShownLoad() const;
    /** The text for a load of @p load: "Playback overload    %d%%" of the truncated percentage. */
    static QString LoadText(double load);
    /** Where the grey cover of the unfilled part starts for a load @p load at width @p width. */
    static int UnfilledLeft(double load, int width);

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;

private:
    QFont m_font;
    QPixmap m_background;
    QPixmap m_bar;
    double m_load = 0.0;
};
