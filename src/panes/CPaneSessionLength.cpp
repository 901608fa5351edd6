#include "panes/CPaneSessionLength.h"

#include "controls/CSkinSliderCtrl.h"
#include "controls/CommandIds.h"
#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "messages/AppMessage.h"
#include "model/CVornaDoc.h"

#include <algorithm>

namespace
{
const QColor kText(180, 180, 180);
constexpr int kSecondsPerStep = 60;
} // namespace

CPaneSessionLength::CPaneSessionLength(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneSessionLength::OnCreate()
{
    m_font = ui::MakeFont(24, 700);
    m_background = ui::LoadBitmap(kBackground);
    const int created = CAppPane::OnCreate();
    m_slider = new CSkinSliderCtrl(this, ID_SESSION_LENGTH_SLIDER);
    m_slider->SetRange(kMinMinutes, kMaxMinutes);
    Layout();
    // The channel takes the slider's size at this moment: lay it out first.
    m_slider->SetBitmaps(kChannel, kThumb);
    m_slider->show();
    RefreshState();
    return created;
}

void CPaneSessionLength::Layout()
{
    if (m_slider == nullptr)
        return;
    m_slider->setGeometry(width() - (kSliderWidth + 4), (height() - kSliderHeight) / 2, kSliderWidth,
                          kSliderHeight);
    m_slider->update();
    Invalidate();
}

void CPaneSessionLength::OnSize(int, int)
{
    Layout();
}

void CPaneSessionLength::UpdateSlider()
{
    if (m_slider == nullptr)
        return;
    const int minutes = m_pDoc != nullptr ? m_pDoc->m_sessionLength / kSecondsPerStep : kMinMinutes;
    m_slider->SetPos(std::clamp(minutes, kMinMinutes, kMaxMinutes));
    m_slider->update();
    Invalidate();
}

void CPaneSessionLength::RefreshState()
{
    if (m_slider != nullptr)
        m_slider->setEnabled(m_pDoc != nullptr && !m_pDoc->m_isPlaying);
}

int CPaneSessionLength::ShownMinutes() const
{
    return m_slider != nullptr ? m_slider->GetPos() : 0;
}

void CPaneSessionLength::OnHScroll(ui::ScrollCode code, int pos, QWidget* from)
{
    // The end of a drag moves nothing; the steps of the drag have been reported already.
    if (from != m_slider || code == ui::ScrollCode::EndScroll || m_pDoc == nullptr || m_pDoc->m_isPlaying)
        return;
    const int seconds = std::clamp(pos, kMinMinutes, kMaxMinutes) * kSecondsPerStep;
    if (seconds == m_pDoc->m_sessionLength)
        return;
    m_pDoc->m_sessionLength = seconds;
    Invalidate();
    if (m_view != nullptr)
        m_view->SessionLengthChanged();
}

void CPaneSessionLength::OnPaint(QPainter& painter)
{
    RefreshState();
    DrawBitmapAt(painter, {0, 0}, m_background);
    ui::Dc dc(painter);
    dc.SetFont(m_font);
    dc.SetTextColor(kText);
    dc.TextOut(11, 3, QString::asprintf("%2.2d", ShownMinutes()));
}
