#pragma once
/** @brief The session-length pane of the transport bar: the length in minutes and a skinned slider
 *  of one minute a step, from 1 to 99 minutes (the read-out has two digits).
 *
 * A user's move of the slider sets the document's length to 60 seconds a step and tells the view
 * (SessionLengthChanged, WM_APP_SESSION_LENGTH_CHANGED) once for each change; a programmatic
 * update (UpdateSlider) tells nobody. A session read from a file may be longer than
 * the slider reaches: the slider then stands at its end and the length stays as it is until the
 * user moves it. The slider is enabled only with a document that is not playing. UI thread. */

#include "panes/CAppPane.h"

#include <QFont>
#include <QPixmap>

class CSkinSliderCtrl;

class CPaneSessionLength : public CAppPane
{
public:
    static constexpr int kBackground = 370;
    static constexpr int kChannel = 371;
    static constexpr int kThumb = 372;
    static constexpr int kMinMinutes = 1;
    static constexpr int kMaxMinutes = 99;
    static constexpr int kSliderWidth = 123;
    static constexpr int kSliderHeight = 20;

    explicit CPaneSessionLength(QWidget* parent = nullptr);

    /** Puts the slider at the document's length in whole minutes (held to 1..99); tells nobody. */
    void UpdateSlider();
    /** Enables the slider when a document is set and not playing. */
    void RefreshState();

    CSkinSliderCtrl* Slider() const { return m_slider; }
    /** The minutes the read-out shows: the slider's position. */
    int ShownMinutes() const;

protected:
    int OnCreate() override;
    void OnSize(int width, int height) override;
    void OnPaint(QPainter& painter) override;
    void OnHScroll(ui::ScrollCode code, int pos, QWidget* from) override;

private:
    void Layout();

    QFont m_font;
    QPixmap m_background;
    CSkinSliderCtrl* m_slider = nullptr;
};
