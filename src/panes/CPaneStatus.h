#pragma once
/** @brief The read-out of the transport bar: the time, the session-wide beat frequency with its
 *  band name, the bilateral rate, and the blinking record mark of a live recording.
 *
 * While the document plays it shows the playback position handed in by the view's timer
 * (SetPosition); otherwise the point under the mouse (the document's hover position), or the start
 * when the mouse is over neither the timeline nor the tracks. The settings are read with
 * CSmartProperty::PeekValueAt, so an automatic walk the engine runs is never stepped by the
 * read-out. The record mark shows during the last 750 ms of every second of the tick count (the
 * window layer's behaviour clock, which a test sets). UI thread. */

#include "panes/CAppPane.h"

#include <QFont>
#include <QPixmap>
#include <QString>

#include <cstdint>

class CPaneStatus : public CAppPane
{
public:
    static constexpr int kBackground = 317;
    static constexpr int kRecordMark = 430;
    static constexpr int kBlinkTimer = 0;
    static constexpr int kBlinkMs = 50;

    /** The four texts the pane draws. */
    struct Text
    {
        QString time; ///< "%2.2d:%2.2d" of minutes and seconds
        QString beat; ///< "%04.2f" of the beat frequency
        QString band; ///< "Beta", "Alpha", "Theta" or "Delta"
        QString rate; ///< "%d" of the truncated rate per minute
        bool operator==(const Text&) const = default;
    };

    explicit CPaneStatus(QWidget* parent = nullptr);

    /** The texts for @p seconds (whole, not negative), a beat of @p beat Hz and a rate of @p rate
     *  per minute. */
    static Text FormatStatus(int seconds, double beat, double rate);
    /** "Beta" from 14 Hz, "Alpha" from 8, "Theta" from 4, else "Delta". */
    static QString BandName(double beat);
    /** Whether the record mark shows at tick count @p tick: from 250 ms into every second. */
    static bool RecordMarkVisible(std::uint32_t tick) { return tick % 1000 >= 250; }

    /** The playback position in seconds, from the engine; shown while the document plays. */
    void SetPosition(double seconds);
    double GetPosition() const { return m_position; }

    /** What the pane shows now, from the document and the last position handed in. */
    Text CurrentText() const;
    /** Whether the record mark is drawn now (a live recording runs and the clock says so). */
    bool IsRecordMarkShown() const;

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;
    void OnSize(int width, int height) override;
    void OnTimer(int id) override;

private:
    QFont m_timeFont;
    QFont m_numberFont;
    QFont m_smallFont;
    QPixmap m_background;
    QPixmap m_mark;
    double m_position = 0.0;
};
