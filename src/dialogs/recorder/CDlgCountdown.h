#pragma once
/** @brief The 3-2-1 countdown before a recording: a captionless dark box showing the count in
 *  large red figures, one a second. DoModal returns IDOK after the count, IDCANCEL when Esc
 *  closed it. UI thread only. */

#include "controls/Window.h"

class CDlgCountdown : public ui::Dialog
{
public:
    static constexpr int kTimerId = 1;
    static constexpr int kTickMs = 1000;
    static constexpr int kStart = 3;

    explicit CDlgCountdown(QWidget* parent = nullptr);

    int GetCount() const { return m_count; }

protected:
    bool OnInitDialog() override;
    void OnTimer(int id) override;
    void OnPaint(QPainter& painter) override;

private:
    QFont m_font;
    int m_count = kStart;
};
