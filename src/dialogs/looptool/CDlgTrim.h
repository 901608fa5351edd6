#pragma once
/** @brief The loop tool's waveform selector: the source as a peak waveform with a time ruler, the two
 *  bounds of the selection dragged with the mouse, and the ruler clicked to move the source preview.
 *
 * It tells the tool it sits in through dlg::TrimEvents, synchronously. The frames it shows belong
 * to the tool and must outlive the source it set. UI thread only. */

#include "audio/CStereoFrame.h"
#include "controls/Window.h"

#include <QCursor>

#include <cstdint>
#include <span>

namespace dlg
{

/** What the waveform selector tells the loop tool, on the UI thread, from inside its mouse handling. */
class TrimEvents
{
public:
    /** WM_APP_TRIM_SELECTION: the user moved a bound; the selection is now @p from .. @p to,
     *  fractions of the source with @p from <= @p to. Called at every step of a drag. */
    virtual void TrimSelection(double from, double to) = 0;
    /** WM_APP_TRIM_POSITION: the user pressed or dragged on the ruler at the fraction @p position
     *  (0 <= position < 1) of the source. */
    virtual void TrimPosition(float position) = 0;

protected:
    ~TrimEvents() = default;
};

} // namespace dlg

class CDlgTrim : public ui::Window
{
public:
    /** Height of the time ruler under the waveform, and the inset of both from the window's edges. */
    static constexpr int kRulerHeight = 25;
    static constexpr int kInset = 2;
    /** A bound is grabbed within this many pixels of it. */
    static constexpr int kGrabPixels = 4;

    /** @p events (not owned, may be null) hears the user's selection and seeks. */
    explicit CDlgTrim(QWidget* parent = nullptr, dlg::TrimEvents* events = nullptr);

    /** Shows @p frames at @p rate with the selection @p start .. @p end. */
    void SetSource(double start, double end, int rate, std::span<const CStereoFrame> frames);
    /** Shows no source; the play marker goes back to the start. */
    void Clear();
    /** Moves the play marker to the fraction @p x (0..1) of the ruler. */
    void SetPlayPosition(double x);

    double GetSelStart() const { return m_selStart; }
    double GetSelEnd() const { return m_selEnd; }
    int GetPlayPos() const { return m_playPos; }
    bool HasSource() const { return m_hasSource; }
    QRect WaveRect() const;
    QRect RulerRect() const;

    /** The largest absolute left and right values of the frames from @p centre - 500 to
     *  @p centre + 500 in steps of 100, clipped to the source (both 0 when none is read). */
    static void PeakNear(std::span<const CStereoFrame> frames, std::int64_t centre, float& left,
                         float& right);

    /** The ruler's label at tick @p tick of 25 for a source of @p totalSeconds whole seconds. */
    static QString TickLabel(int tick, int totalSeconds);
    /** The source's length at the ruler's right end, "[mm:ss]". */
    static QString LengthLabel(int totalSeconds);

protected:
    void OnPaint(QPainter& painter) override;
    void OnLButtonDown(const QPoint& point) override;
    void OnLButtonUp(const QPoint& point) override;
    void OnMouseMove(const QPoint& point) override;
    void OnMouseLeave() override { m_leaveTracked = false; }
    bool OnSetCursor() override;

private:
    bool OnBound(const QPoint& point, double bound) const;
    void MoveBound();
    void Seek();

    dlg::TrimEvents* m_events = nullptr;
    double m_selStart = 0.0;
    double m_selEnd = 1.0;
    int m_rate = 44100;
    std::span<const CStereoFrame> m_frames;
    QCursor m_rulerCursor;
    QCursor m_boundCursor;
    bool m_hasSource = false;
    bool m_dragging = false;
    bool m_seeking = false;
    bool m_draggingStart = false;
    bool m_draggingEnd = false;
    QPoint m_mouse;
    bool m_leaveTracked = false;
    int m_playPos = 0;
};
