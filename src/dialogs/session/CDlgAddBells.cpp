#include "dialogs/session/CDlgAddBells.h"

#include "controls/Controls.h"
#include "model/CSegmentBells.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace
{

// Dialog units: the template's size, and the boxes in one column.
constexpr int kWidthDlu = 112;
constexpr int kHeightDlu = 225;
constexpr int kBoxX = 12;
constexpr int kBoxTop = 9;
constexpr int kBoxPitch = 18;
constexpr int kBoxWidth = 92;
constexpr int kBoxHeight = 10;

} // namespace

CDlgAddBells::CDlgAddBells(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Add Bells"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());
    for (int i = 0; i < kInstrumentCount; ++i)
    {
        auto* box = new ui::CheckBox(this, kIdFirstBox + i, CSegmentBells::GetInstrumentName(i));
        box->setGeometry(MapDialogRect(kBoxX, kBoxTop + i * kBoxPitch, kBoxWidth, kBoxHeight));
        m_boxes[static_cast<std::size_t>(i)] = box;
    }
}

bool CDlgAddBells::IsTicked(int index) const
{
    return index >= 0 && index < kInstrumentCount && m_flags[static_cast<std::size_t>(index)];
}

std::vector<int> CDlgAddBells::GetTicked() const
{
    std::vector<int> ticked;
    for (int i = 0; i < kInstrumentCount; ++i)
        if (m_flags[static_cast<std::size_t>(i)])
            ticked.push_back(i);
    return ticked;
}

QRect CDlgAddBells::PlaceBesideCursor(const QPoint& cursor, const QSize& size, const QRect& screen)
{
    QRect r(QPoint(cursor.x() - kCursorOffset - size.width(), cursor.y() + kCursorOffset), size);
    if (!screen.isValid())
        return r;
    // Right and bottom first, so that a dialog larger than the screen keeps its top left visible.
    if (r.right() > screen.right())
        r.moveRight(screen.right());
    if (r.bottom() > screen.bottom())
        r.moveBottom(screen.bottom());
    if (r.left() < screen.left())
        r.moveLeft(screen.left());
    if (r.top() < screen.top())
        r.moveTop(screen.top());
    return r;
}

bool CDlgAddBells::OnInitDialog()
{
    m_flags.fill(false);
    for (ui::CheckBox* box : m_boxes)
        box->SetCheck(false);
    const QPoint cursor = ui::CursorPos();
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    // The frame's own size is not known before it is shown; the client size stands in for it.
    move(PlaceBesideCursor(cursor, size(), available).topLeft());
    return true;
}

bool CDlgAddBells::OnCommand(int id, ui::Notify code, QWidget*)
{
    const int index = id - kIdFirstBox;
    if (index < 0 || index >= kInstrumentCount || code != ui::Notify::Clicked)
        return false;
    // The box has already changed its state; the flag follows it.
    m_flags[static_cast<std::size_t>(index)] = m_boxes[static_cast<std::size_t>(index)]->GetCheck();
    return true;
}
