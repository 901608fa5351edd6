#include "panes/CPaneControlbar.h"

#include "controls/CHoverButton.h"
#include "controls/CommandIds.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "messages/AppMessage.h"
#include "model/CVornaDoc.h"
#include "panes/CPaneMeterLevels.h"
#include "panes/CPaneMeterSound.h"
#include "panes/CPaneSessionLength.h"
#include "panes/CPaneStatus.h"

#include <algorithm>

namespace
{
constexpr int kChildHeight = 40;
constexpr int kButtonSize = 40;
} // namespace

const std::array<CPaneControlbar::ButtonSpec, 6>& CPaneControlbar::Buttons()
{
    static const std::array<ButtonSpec, 6> buttons = {{
        {ID_TRANSPORT_PLAY, 362, WM_APP_PLAY},
        {ID_TRANSPORT_PAUSE, 361, WM_APP_PAUSE},
        {ID_TRANSPORT_STOP, 366, WM_APP_STOP},
        {ID_TRANSPORT_GO_TO_START, 365, WM_APP_GO_TO_START},
        {ID_TRANSPORT_PREVIOUS_STAGE, 363, WM_APP_PREVIOUS_STAGE},
        {ID_TRANSPORT_NEXT_STAGE, 360, WM_APP_NEXT_STAGE},
    }};
    return buttons;
}

CPaneControlbar::CPaneControlbar(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneControlbar::Anchor(int width)
{
    return width < kCentringWidth ? kFixedAnchor : (width - 250) / 2 - 113;
}

std::optional<CPaneControlbar::Layout> CPaneControlbar::ComputeLayout(int width, int height)
{
    if (width <= 0 || height <= 0)
        return std::nullopt;
    Layout l;
    const int y = (height - kChildHeight) / 2;
    const int b = Anchor(width);
    auto button = [y](int x) { return QRect(x, y, kButtonSize, kButtonSize); };
    l.anchor = b;
    l.sessionLength = QRect(6, y, 170, kChildHeight);
    l.play = button(b - 138);
    l.stop = button(b - 92);
    l.pause = button(b - 46);
    l.status = QRect(b, y, 226, kChildHeight);
    l.goToStart = button(b + 232);
    l.previousStage = button(b + 278);
    l.nextStage = button(b + 324);
    l.loadMeter = QRect(width - 166, y, 160, kChildHeight);
    const int x = std::max(b + 370, 2 * b + 50);
    l.soundMeter = QRect(x, y, std::max(0, (width - 166) - x - 6), kChildHeight);
    return l;
}

int CPaneControlbar::OnCreate()
{
    m_background = ui::LoadBitmap(kBackground);
    if (m_background.isNull())
        return -1;
    const int created = CAppPane::OnCreate();
    for (std::size_t i = 0; i < Buttons().size(); ++i)
    {
        m_buttons[i] = new CHoverButton(this, Buttons()[i].id);
        m_buttons[i]->SetBitmap(Buttons()[i].bitmap);
        m_buttons[i]->show();
    }
    m_status = new CPaneStatus();
    m_sessionLength = new CPaneSessionLength();
    m_meterSound = new CPaneMeterSound();
    m_meterLevels = new CPaneMeterLevels();
    // A child pane whose art is missing stays hidden; the bar itself still works.
    m_status->Create(this, ID_PANE_STATUS, QRect());
    m_sessionLength->Create(this, ID_PANE_SESSION_LENGTH, QRect());
    m_meterSound->Create(this, ID_PANE_METER_SOUND, QRect());
    m_meterLevels->Create(this, ID_PANE_METER_LEVELS, QRect());
    RecalcLayout();
    RefreshState();
    return created;
}

void CPaneControlbar::RecalcLayout()
{
    const std::optional<Layout> layout = ComputeLayout(width(), height());
    if (!layout || m_status == nullptr)
        return;
    const Layout& l = *layout;
    m_sessionLength->MoveWindow(l.sessionLength);
    Button(ID_TRANSPORT_PLAY)->setGeometry(l.play);
    Button(ID_TRANSPORT_STOP)->setGeometry(l.stop);
    Button(ID_TRANSPORT_PAUSE)->setGeometry(l.pause);
    m_status->MoveWindow(l.status);
    Button(ID_TRANSPORT_GO_TO_START)->setGeometry(l.goToStart);
    Button(ID_TRANSPORT_PREVIOUS_STAGE)->setGeometry(l.previousStage);
    Button(ID_TRANSPORT_NEXT_STAGE)->setGeometry(l.nextStage);
    m_meterLevels->MoveWindow(l.loadMeter);
    m_meterSound->MoveWindow(l.soundMeter);
}

void CPaneControlbar::OnSize(int, int)
{
    RecalcLayout();
}

void CPaneControlbar::SetDocument(CVornaDoc* doc)
{
    CAppPane::SetDocument(doc);
    if (m_status == nullptr)
        return;
    m_status->SetDocument(doc);
    m_sessionLength->SetDocument(doc);
    m_meterSound->SetDocument(doc);
    m_meterLevels->SetDocument(doc);
    m_sessionLength->UpdateSlider();
    RefreshState();
}

void CPaneControlbar::SetView(ui::ViewMessages* view)
{
    CAppPane::SetView(view);
    if (m_sessionLength != nullptr)
        m_sessionLength->SetView(view);
}

void CPaneControlbar::UpdateSessionLength()
{
    if (m_sessionLength != nullptr)
        m_sessionLength->UpdateSlider();
}

void CPaneControlbar::SetReadouts(const PlaybackReadouts& readouts)
{
    if (m_status == nullptr)
        return;
    m_status->SetPosition(readouts.positionSeconds);
    m_meterSound->SetLevels(readouts.levelLeft, readouts.levelRight);
    m_meterSound->SetSpectrum(readouts.spectrum);
    m_meterLevels->SetLoad(readouts.load);
}

CHoverButton* CPaneControlbar::Button(int id) const
{
    for (std::size_t i = 0; i < Buttons().size(); ++i)
        if (Buttons()[i].id == id)
            return m_buttons[i];
    return nullptr;
}

void CPaneControlbar::RefreshState()
{
    const bool transport = m_pDoc != nullptr && !m_pDoc->m_isLive;
    for (std::size_t i = 0; i < Buttons().size(); ++i)
        if (m_buttons[i] != nullptr)
            m_buttons[i]->setEnabled(Buttons()[i].id == ID_TRANSPORT_STOP || transport);
    if (m_sessionLength != nullptr)
        m_sessionLength->RefreshState();
}

void CPaneControlbar::Invalidate()
{
    CAppPane::Invalidate();
    for (CAppPane* pane :
         std::initializer_list<CAppPane*>{m_status, m_sessionLength, m_meterSound, m_meterLevels})
        if (pane != nullptr)
            pane->Invalidate();
}

void CPaneControlbar::OnPaint(QPainter& painter)
{
    RefreshState();
    TileBitmap(painter, rect(), m_background);
}

bool CPaneControlbar::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code != ui::Notify::Clicked)
        return false;
    for (const ButtonSpec& button : Buttons())
        if (button.id == id)
        {
            SendToParent(button.message);
            return true;
        }
    return false;
}
