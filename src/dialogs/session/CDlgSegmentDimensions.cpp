#include "dialogs/session/CDlgSegmentDimensions.h"
#include "dialogs/session/HelpTopic.h"

#include "controls/CEditTime.h"
#include "controls/Controls.h"
#include "model/CSegment.h"
#include "model/CVornaDoc.h"
#include "model/DisplayTime.h"

#include <cmath>

namespace
{
// The template's size in dialog units.
constexpr int kWidthDlu = 208;
constexpr int kHeightDlu = 176;
} // namespace

CDlgSegmentDimensions::CDlgSegmentDimensions(QWidget* owner) : ui::Dialog(owner)
{
    setWindowTitle(QStringLiteral("Segment Dimensions"));
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());

    auto caption = [this](const char* text, int y)
    {
        auto* label = new ui::Static(this, -1, QString::fromLatin1(text));
        label->setGeometry(MapDialogRect(14, y, 150, 12));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    };
    caption("Segment begins at", 16);
    caption("Segment ends at", 38);
    caption("Segment length", 60);
    caption("Maximum possible range", 88);

    m_begin = new CEditTime(this, kIdBegin);
    m_begin->setGeometry(MapDialogRect(116, 14, 46, 14));
    m_end = new CEditTime(this, kIdEnd);
    m_end->setGeometry(MapDialogRect(116, 36, 46, 14));
    m_length = new ui::Static(this, kIdLength);
    m_length->setGeometry(MapDialogRect(118, 60, 60, 12));
    m_range = new ui::Static(this, kIdRange);
    m_range->setGeometry(MapDialogRect(14, 102, 180, 12));

    auto* ok = new ui::Button(this, ui::IDOK, QStringLiteral("OK"));
    ok->setGeometry(MapDialogRect(14, 148, 56, 16));
    ok->setDefault(true);
    auto* cancel = new ui::Button(this, ui::IDCANCEL, QStringLiteral("Cancel"));
    cancel->setGeometry(MapDialogRect(76, 148, 56, 16));
    auto* help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    help->setGeometry(MapDialogRect(138, 148, 56, 16));
}

CDlgSegmentDimensions::~CDlgSegmentDimensions() = default;

QString CDlgSegmentDimensions::FieldText(int seconds)
{
    return CEditTime::FormatTime(seconds / 60, seconds % 60);
}

int CDlgSegmentDimensions::SessionLength() const
{
    return m_doc != nullptr ? m_doc->m_sessionLength : 0;
}

int CDlgSegmentDimensions::Seconds(double fraction) const
{
    return model::DisplaySeconds(fraction * SessionLength());
}

bool CDlgSegmentDimensions::OnInitDialog()
{
    if (m_segment != nullptr)
    {
        m_savedBegin = m_segment->m_begin;
        m_savedEnd = m_segment->m_end;
    }
    m_ending = false;
    if (m_segment != nullptr)
        ShowTimes(Seconds(m_segment->m_begin), Seconds(m_segment->m_end));
    m_begin->setFocus(Qt::OtherFocusReason);
    return false;
}

void CDlgSegmentDimensions::ShowTimes(int begin, int end)
{
    m_begin->SetWindowText(FieldText(begin));
    m_end->SetWindowText(FieldText(end));
    // What the fields now read: leaving one unchanged commits nothing.
    m_shownBegin = m_begin->text();
    m_shownEnd = m_end->text();
    const int length = end - begin;
    m_length->SetWindowText(QString::asprintf("%02d:%02d", length / 60, length % 60));
    const int from = Seconds(m_rangeFrom);
    const int to = Seconds(m_rangeTo);
    m_range->SetWindowText(
        QString::asprintf("From %02d:%02d To %02d:%02d", from / 60, from % 60, to / 60, to % 60));
}

bool CDlgSegmentDimensions::GetTimes(int& begin, int& end) const
{
    const bool beginRead = m_begin->GetSeconds(begin);
    const bool endRead = m_end->GetSeconds(end);
    if (!beginRead)
        begin = m_segment != nullptr ? Seconds(m_segment->m_begin) : 0;
    if (!endRead)
        end = m_segment != nullptr ? Seconds(m_segment->m_end) : 0;
    return beginRead && endRead;
}

void CDlgSegmentDimensions::Notify()
{
    if (m_segmentChanged)
        m_segmentChanged();
    ui::InvalidateWindow(qobject_cast<QWidget*>(GetActiveView()));
}

void CDlgSegmentDimensions::CommitBegin()
{
    if (m_ending || m_segment == nullptr || m_begin->text() == m_shownBegin)
        return;
    const int L = SessionLength();
    int B = 0, E = 0;
    GetTimes(B, E);
    const double D = m_segment->m_contentDuration;
    const double b = L > 0 ? double(B) / L : 0.0;
    // At least one second: a segment of no length breaks its sound's arithmetic.
    const bool refused =
        !m_begin->GetSeconds(B) || L <= 0 || E <= B || b < m_rangeFrom || (D > 0.0 && b + D / L > m_rangeTo);
    if (refused)
    {
        m_begin->ShowRefused();
        return;
    }
    m_segment->m_begin = b;
    m_segment->m_end = double(E) / L;
    m_segment->LimitEnd(m_rangeTo, L);
    Notify();
    ShowTimes(B, E);
}

void CDlgSegmentDimensions::CommitEnd()
{
    if (m_ending || m_segment == nullptr || m_end->text() == m_shownEnd)
        return;
    const int L = SessionLength();
    int B = 0, E = 0;
    GetTimes(B, E);
    const double D = m_segment->m_contentDuration;
    const double e = L > 0 ? double(E) / L : 0.0;
    const bool refused =
        !m_end->GetSeconds(E) || L <= 0 || E <= B || e > m_rangeTo || (D > 0.0 && e - D / L < m_rangeFrom);
    if (refused)
    {
        m_end->ShowRefused();
        return;
    }
    // A segment whose content sets its length keeps it: the begin moves with the end.
    if (D > 0.0)
        B = model::DisplaySeconds(L * (e - D / L));
    ShowTimes(B, E);
    m_segment->m_begin = double(B) / L;
    m_segment->m_end = e;
    Notify();
}

void CDlgSegmentDimensions::OnOK()
{
    // The field being edited has not lost the focus yet (Enter): commit it as leaving it would.
    QWidget* focus = focusWidget();
    if (focus == m_begin)
        CommitBegin();
    else if (focus == m_end)
        CommitEnd();
    for (CEditTime* field : {m_begin, m_end})
    {
        if (field->IsShowingRefused())
        {
            field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    m_ending = true;
    ui::Dialog::OnOK();
}

void CDlgSegmentDimensions::OnCancel()
{
    // Hiding the dialog takes the focus from the field: what it holds must not commit then.
    m_ending = true;
    if (m_segment != nullptr)
    {
        m_segment->m_begin = m_savedBegin;
        m_segment->m_end = m_savedEnd;
        Notify();
    }
    ui::Dialog::OnCancel();
}

bool CDlgSegmentDimensions::OnCommand(int id, ui::Notify code, QWidget*)
{
    switch (id)
    {
    case kIdBegin:
        if (code == ui::Notify::KillFocus)
            CommitBegin();
        return true;
    case kIdEnd:
        if (code == ui::Notify::KillFocus)
            CommitEnd();
        return true;
    case kIdHelp:
        if (code == ui::Notify::Clicked)
        {
            dlg::ShowHelpTopic(kHelpTopic);
        }
        return true;
    case ui::IDOK:
        if (code == ui::Notify::Clicked)
            OnOK();
        return true;
    case ui::IDCANCEL:
        if (code == ui::Notify::Clicked)
            OnCancel();
        return true;
    default:
        return false;
    }
}
