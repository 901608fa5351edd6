#include "dialogs/panels/CDlgPropertiesTop.h"

#include "controls/Controls.h"
#include "controls/GraphEditors.h"
#include "dialogs/panels/PropertyRows.h"
#include "dialogs/session/CDlgSegmentDimensions.h"
#include "messages/ViewMessages.h"
#include "model/CSegment.h"
#include "model/CVornaDoc.h"
#include "model/DisplayTime.h"

#include <QFontMetrics>
#include <QFrame>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace
{

// A black frame of the template (dialog units).
QFrame* MakeFrame(QWidget* parent, int id, const QRect& rect)
{
    auto* frame = new QFrame(parent);
    ui::SetControlId(frame, id);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Plain);
    frame->setStyleSheet(QStringLiteral("QFrame { color: rgb(20, 20, 20); }"));
    frame->setGeometry(rect);
    return frame;
}

// A static sized to its text at a position of the template (dialog units).
ui::Static* MakeLabel(QWidget* parent, int id, const QString& text, int x, int y)
{
    auto* label = new ui::Static(parent, id, text);
    const QRect at = ui::Dialog::MapDialogRect(x, y, 0, 10);
    label->setGeometry(
        QRect(at.topLeft(), QSize(QFontMetrics(label->font()).horizontalAdvance(text) + 2, at.height())));
    return label;
}

constexpr int kFrameName = 1030;
constexpr int kFrameTimes = 1031;

// The tab strip in the workspace's look: dark tabs, the chosen one lighter with a teal edge.
constexpr const char* kTabStyle =
    "QTabBar { background: transparent; }"
    "QTabBar::tab { background: rgb(58, 58, 58); color: rgb(200, 200, 200); border: 1px solid rgb(25, 25, "
    "25);"
    " border-bottom: none; padding: 3px 4px; margin-right: 1px; }"
    "QTabBar::tab:selected { background: rgb(88, 88, 88); color: rgb(240, 240, 240);"
    " border-top: 2px solid rgb(0, 150, 150); }"
    "QTabBar::tab:!selected:hover { background: rgb(70, 70, 70); }"
    "QTabBar::tab:disabled { color: rgb(120, 120, 120); }";

} // namespace

CDlgPropertiesTop::CDlgPropertiesTop() : CDlgPropertiesBase(kWidthDlu, kHeightDlu)
{
    m_runDimensions = [](CDlgPropertiesTop& owner, double rangeFrom, double rangeTo)
    {
        CDlgSegmentDimensions dialog(&owner);
        dialog.m_rangeFrom = rangeFrom;
        dialog.m_rangeTo = rangeTo;
        dialog.m_doc = owner.GetDocument();
        dialog.m_segment = owner.GetObject();
        dialog.m_segmentChanged = [&owner] { owner.UpdateTimes(); };
        return dialog.DoModal();
    };
}

CDlgPropertiesTop::~CDlgPropertiesTop() = default;

bool CDlgPropertiesTop::OnInitDialog()
{
    CDlgPropertiesBase::OnInitDialog();

    MakeFrame(this, kFrameName, MapDialogRect(7, 8, 56, 16));
    MakeFrame(this, kFrameTimes, MapDialogRect(7, 31, 132, 16));
    // The name fills its frame, so that a long kind name ("Ambient Music") is not cut short.
    m_name = new ui::Static(this, kIdName, QStringLiteral("Track name"));
    m_name->setGeometry(MapDialogRect(7, 8, 56, 16).adjusted(4, 1, -2, -1));
    m_name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_test = new ui::Button(this, kIdTest, QStringLiteral("Test"));
    m_test->setGeometry(MapDialogRect(65, 9, 31, 14));
    m_reset = new ui::Button(this, kIdReset, QStringLiteral("Reset"));
    m_reset->setGeometry(MapDialogRect(98, 9, 31, 14));
    m_help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    m_help->setGeometry(MapDialogRect(130, 9, 31, 14));

    MakeLabel(this, 1027, QStringLiteral("From"), 12, 33);
    MakeLabel(this, 1028, QStringLiteral("To"), 57, 34);
    MakeLabel(this, 1029, QStringLiteral("Length"), 92, 34);
    auto time = [this](int id, int x)
    {
        auto* t = new ui::Static(this, id, QStringLiteral("07:22"));
        t->setGeometry(MapDialogRect(x, 34, 24, 10));
        t->setAlignment(Qt::AlignCenter);
        return t;
    };
    m_from = time(kIdFrom, 30);
    m_to = time(kIdTo, 65);
    m_length = time(kIdLength, 113);
    m_dimensions = new ui::Button(this, kIdDimensions, QStringLiteral("--"));
    m_dimensions->setGeometry(MapDialogRect(145, 32, 16, 15));

    QWidget* volume = CreatePlaceholder(kIdVolumePlaceholder, 7, 53, 154, 21);
    QWidget* stereo = CreatePlaceholder(kIdStereoPlaceholder, 7, 74, 154, 21);
    QWidget* tabPlace = CreatePlaceholder(kIdTabPlaceholder, 0, 102, 169, 18);

    m_tab = new ui::TabBar(this, kIdTab);
    m_tab->setStyleSheet(QString::fromLatin1(kTabStyle));
    m_tab->setDrawBase(false);
    m_tab->setExpanding(true);
    m_tab->setUsesScrollButtons(false);
    m_tab->setGeometry(tabPlace->geometry());
    {
        // Adding the first tab selects it; that is no choice of the user's.
        const QSignalBlocker quiet(m_tab);
        for (const char* text : {"Sound", "Effects", "Brainwaves", "Bilateral"})
            m_tab->addTab(QString::fromLatin1(text));
    }

    CreateRow(m_volume, props::kRowVolume, volume);
    CreateRow(m_stereo, props::kRowStereo, stereo);
    m_clientWidth = width();
    return false;
}

void CDlgPropertiesTop::SetObject(CSegment* segment)
{
    CDlgPropertiesBase::SetObject(segment);
    if (segment == nullptr)
        return;
    ShowName(segment->m_name);
    UpdateTimes();
    m_volume.SetProperty(&segment->m_volume);
    m_stereo.SetProperty(&segment->m_balance);
    UpdateControls();
}

void CDlgPropertiesTop::ShowName(const QString& name)
{
    m_fullName = name;
    m_name->setToolTip(name);
    m_name->SetWindowText(QFontMetrics(m_name->font()).elidedText(name, Qt::ElideRight, m_name->width()));
}

void CDlgPropertiesTop::UpdateControls()
{
    CDlgPropertiesBase::UpdateControls();
    if (m_name == nullptr)
        return;
    const bool playing = IsPlaying();
    for (QWidget* w :
         {static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_test), static_cast<QWidget*>(&m_volume),
          static_cast<QWidget*>(&m_stereo), static_cast<QWidget*>(m_tab)})
        w->setEnabled(true);
    // Unbound rows ignore this: they read nothing.
    m_volume.EnableControls(playing ? 2 : 0);
    m_stereo.EnableControls(playing ? 2 : 0);
    m_test->SetWindowText(playing ? QStringLiteral("Stop") : QStringLiteral("Test"));
}

QString CDlgPropertiesTop::FormatTime(int seconds)
{
    return QString::asprintf("%2.2d:%2.2d", seconds / 60, seconds % 60);
}

void CDlgPropertiesTop::UpdateTimes()
{
    if (m_pObject == nullptr || m_pDoc == nullptr || m_from == nullptr)
        return;
    const double lo = std::min<double>(m_pObject->m_begin, m_pObject->m_end);
    const double hi = std::max<double>(m_pObject->m_begin, m_pObject->m_end);
    const double L = m_pDoc->m_sessionLength;
    const int from = model::DisplaySeconds(lo * L);
    const int to = model::DisplaySeconds(hi * L);
    const double d = m_pObject->m_contentDuration;
    // Of the shown times, so that From + Length reads To.
    const int length = d > 0.0 ? model::DisplaySeconds(d) : to - from;
    m_from->SetWindowText(FormatTime(from));
    m_to->SetWindowText(FormatTime(to));
    m_length->SetWindowText(FormatTime(length));
}

void CDlgPropertiesTop::SelectTab(int tab)
{
    if (m_tab != nullptr && tab >= 0 && tab < m_tab->count())
        m_tab->SetActiveTab(tab);
}

int CDlgPropertiesTop::GetTab() const
{
    return m_tab != nullptr ? m_tab->currentIndex() : kTabSound;
}

QString CDlgPropertiesTop::HelpTopic(int tab, const CTracks& tracks, int track)
{
    switch (tab)
    {
    case kTabSound:
    {
        if (track < 0 || track >= tracks.GetCount())
            return {};
        CTracks::TrackInfo info;
        tracks.GetTrackInfo(track, info);
        QString topic = info.name;
        topic.remove(QLatin1Char(' '));
        return topic;
    }
    case kTabEffects:
        return QStringLiteral("Effects");
    case kTabBrainwaves:
        return QStringLiteral("BrainwaveEntrainment");
    case kTabBilateral:
        return QStringLiteral("BilateralSound");
    default:
        return {};
    }
}

bool CDlgPropertiesTop::OnCommand(int id, ui::Notify code, QWidget*)
{
    switch (id)
    {
    case kIdTest:
        OnTest();
        return true;
    case kIdReset:
        OnReset();
        return true;
    case kIdHelp:
        OnHelp();
        return true;
    case kIdDimensions:
        OnEditDimensions();
        return true;
    case kIdTab:
        if (code == ui::Notify::SelChange)
            OnChangeActiveTab(m_tab->currentIndex());
        return true;
    default:
        return false;
    }
}

void CDlgPropertiesTop::OnTest()
{
    ui::ViewMessages* view = ActiveView();
    if (view == nullptr)
        return;
    if (IsPlaying())
        view->Stop();
    else
        view->Play(true, nullptr);
}

void CDlgPropertiesTop::OnReset()
{
    CSegment* segment = m_pObject;
    if (segment == nullptr)
        return;
    segment->SetDefaults();
    if (m_host != nullptr)
        m_host->ResetSoundFolder();
    if (ui::ViewMessages* view = ActiveView())
        view->SelectSegment(segment);
    SetModified();
}

void CDlgPropertiesTop::OnHelp()
{
    if (m_pDoc == nullptr)
        return;
    int track = -1;
    if (const ui::SelectionSource* tracks = ActiveTracksPane())
        track = tracks->GetSelectedTrack();
    const QString topic = HelpTopic(GetTab(), m_pDoc->m_tracks, track);
    if (topic.isEmpty())
        return;
    if (ui::ViewMessages* view = ActiveView())
        view->ShowHelpTopic(topic, ui::HelpFollow::Always);
}

void CDlgPropertiesTop::OnChangeActiveTab(int index)
{
    if (m_host != nullptr)
        m_host->ShowPropertyTab(index);
    SetModified();
}

bool CDlgPropertiesTop::GetDimensionLimits(double& rangeFrom, double& rangeTo) const
{
    rangeFrom = 0.0;
    rangeTo = 1.0;
    if (m_pObject == nullptr || m_pDoc == nullptr)
        return false;
    const ui::SelectionSource* tracks = ActiveTracksPane();
    const int track = tracks != nullptr ? tracks->GetSelectedTrack() : -1;
    if (track < 0 || track >= m_pDoc->m_tracks.GetCount())
        return false;
    // The neighbours by position in the list: comparing times picks the wrong ones around a
    // segment of no length.
    const auto& segments = m_pDoc->m_tracks.GetTrack(track).m_segments.GetSegments();
    const auto it = std::find_if(segments.begin(), segments.end(),
                                 [this](const CSegments::SegmentPtr& s) { return s.get() == m_pObject; });
    if (it == segments.end())
        return false;
    if (it != segments.begin())
        rangeFrom = (*(it - 1))->m_end;
    if (it + 1 != segments.end())
        rangeTo = (*(it + 1))->m_begin;
    return true;
}

void CDlgPropertiesTop::OnEditDimensions()
{
    if (m_pObject == nullptr)
        return;
    double from = 0.0;
    double to = 1.0;
    GetDimensionLimits(from, to);
    if (m_runDimensions)
        m_runDimensions(*this, from, to);
    SetModified();
}
