#pragma once
/** @brief The 8-pixel bar between the work area and the properties pane; it only paints. */

#include "panes/CAppPane.h"

#include <QPixmap>

class CPaneVSplitter : public CAppPane
{
public:
    static constexpr int kBarBitmap = 432;
    static constexpr int kWidth = 8;

    explicit CPaneVSplitter(QWidget* parent = nullptr);

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;

private:
    QPixmap m_bar;
};
