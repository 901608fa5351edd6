#pragma once
/** @brief The strip above the help window's browser: Back, Forward and Home, each of which sends
 *  its message to the parent window (WM_APP_HELP_BACK, WM_APP_HELP_FORWARD, WM_APP_HELP_HOME). */

#include "controls/CHoverButton.h"
#include "controls/Window.h"

#include <QPixmap>

class CWndToolbarHelp : public ui::Window
{
public:
    static constexpr int kBackgroundBitmap = 338;
    static constexpr int kButtonStrip = 337;
    static constexpr int kButtonSize = 28;
    static constexpr int kButtonStep = 34;

    explicit CWndToolbarHelp(QWidget* parent = nullptr);

    CHoverButton* Button(int index) const { return m_buttons[index]; }

protected:
    int OnCreate() override;
    void OnSize(int width, int height) override;
    void OnPaint(QPainter& painter) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    void Layout();

    QPixmap m_background;
    CHoverButton* m_buttons[3] = {nullptr, nullptr, nullptr};
};
