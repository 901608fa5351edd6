#include "app/CVornaView.h"

#include "app/ExportCommand.h"
#include "app/RecorderWindow.h"
#include "app/ViewLayout.h"
#include "audio/CMixer.h"
#include "audio/COptions.h"
#include "audio/CPlaybackParams.h"
#include "controls/Behaviour.h"
#include "controls/CommandIds.h"
#include "controls/GraphEditors.h"
#include "dialogs/recorder/CDlgCountdown.h"
#include "messages/AppMessages.h"
#include "model/CVornaDoc.h"
#include "panes/CPaneControlbar.h"
#include "panes/CPaneProperties.h"
#include "panes/CPaneStages.h"
#include "panes/CPaneStatus.h"
#include "panes/CPaneTimeline.h"
#include "panes/CPaneToolbar.h"
#include "panes/CPaneTracks.h"
#include "panes/CPaneVSplitter.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimer>

#include <optional>

#include <algorithm>
#include <cmath>

namespace
{
/** Seconds over the session length as a fraction 0..1; nullopt for a session of no length. */
std::optional<double> SessionFraction(double seconds, std::int32_t length)
{
    if (length <= 0)
        return std::nullopt;
    return std::clamp(seconds / length, 0.0, 1.0);
}
} // namespace

void CVornaView::ErrorRelay::PostMixerError(QString text)
{
    // The call names the playback, so that an error arriving after it ended stops nothing else.
    // Queued onto the view's thread; it is dropped if the view is gone by then.
    CVornaView* view = m_view;
    const std::uint64_t playback = m_playback.load();
    QMetaObject::invokeMethod(
        view, [view, playback, text = std::move(text)] { view->OnMixerError(playback, text); },
        Qt::QueuedConnection);
}

CVornaView::CVornaView(CVornaDoc* doc, shell::ViewServices services, QWidget* parent)
    : ui::Window(parent), m_pDoc(doc), m_services(std::move(services))
{
    if (m_services.engine == nullptr && m_pDoc != nullptr && m_pDoc->GetMixer() != nullptr)
    {
        m_ownEngine = std::make_unique<shell::MixerEngine>(*m_pDoc->GetMixer());
        m_services.engine = m_ownEngine.get();
    }
    if (m_services.audio == nullptr)
    {
        m_ownAudio = std::make_unique<shell::AudioLayer>();
        m_services.audio = m_ownAudio.get();
    }
    setFocusPolicy(Qt::StrongFocus);
    SetOpaquePaint(true);
}

CVornaView::~CVornaView()
{
    // The engine's worker may still post to this view; stop it before the view goes.
    if (m_services.engine != nullptr && m_pDoc != nullptr && (m_pDoc->m_isPlaying || m_pDoc->m_isLive))
        m_services.engine->Stop();
    if (GetActiveView() == this)
        ui::SetActiveView(nullptr);
}

const COptions& CVornaView::Options() const
{
    static const COptions defaults;
    return m_pDoc->GetOptions() != nullptr ? *m_pDoc->GetOptions() : defaults;
}

shell::PlaybackEngine& CVornaView::Engine() const
{
    return *m_services.engine;
}

int CVornaView::OnCreate()
{
    CreatePanes();
    if (m_services.makeHelpWindow)
        m_help = m_services.makeHelpWindow(this);
    else
        m_help = std::make_unique<shell::HelpDialogWindow>(this);
    UpdateSessionLength();
    return 0;
}

void CVornaView::CreatePanes()
{
    // Each pane: a child of the view with its id and an empty rectangle, then the document.
    auto make = [this](auto& pane, auto* made, int id)
    {
        pane.reset(made);
        pane->Create(this, id, QRect());
        pane->setFocusPolicy(Qt::NoFocus);
        pane->SetDocument(m_pDoc);
        pane->SetView(this);
    };
    make(m_paneToolbar, new CPaneToolbar(), ID_PANE_TOOLBAR);
    make(m_paneControlbar, new CPaneControlbar(), ID_PANE_CONTROLBAR);
    make(m_paneTimeline, new CPaneTimeline(), ID_PANE_TIMELINE);
    make(m_paneStages, new CPaneStages(), ID_PANE_STAGES);
    make(m_paneTracks, new CPaneTracks(), ID_PANE_TRACKS);
    make(m_paneVSplitter, new CPaneVSplitter(), ID_PANE_VSPLITTER);
    // The properties pane gets the document before its window is made too: its panels are made
    // with the window and read it.
    auto* properties = new CPaneProperties();
    properties->SetDocument(m_pDoc);
    make(m_paneProperties, properties, ID_PANE_PROPERTIES);

    if (m_services.makeRecorder)
        m_recorder = m_services.makeRecorder(this);
    else
        m_recorder = std::make_unique<shell::RecorderWindow>(this);
}

QWidget* CVornaView::GetPane(int id) const
{
    switch (id)
    {
    case ID_PANE_TOOLBAR:
        return m_paneToolbar.get();
    case ID_PANE_CONTROLBAR:
        return m_paneControlbar.get();
    case ID_PANE_TIMELINE:
        return m_paneTimeline.get();
    case ID_PANE_STAGES:
        return m_paneStages.get();
    case ID_PANE_VSPLITTER:
        return m_paneVSplitter.get();
    case ID_PANE_PROPERTIES:
        return m_paneProperties.get();
    case ID_PANE_TRACKS:
        return m_paneTracks.get();
    default:
        return nullptr;
    }
}

int CVornaView::PropertiesWidth() const
{
    if (m_paneProperties)
        if (const int width = m_paneProperties->GetWidth(); width > 0)
            return width;
    return kDefaultPropertiesWidth;
}

void CVornaView::LayoutPanes()
{
    if (!m_paneToolbar)
        return;
    const QRect client = GetClientRect();
    const shell::ViewLayout l =
        shell::ViewLayout::Compute(client.width(), client.height(), PropertiesWidth());
    m_paneToolbar->MoveWindow(l.toolbar);
    m_paneControlbar->MoveWindow(l.controlbar);
    m_paneProperties->MoveWindow(l.properties);
    m_paneVSplitter->MoveWindow(l.splitter);
    m_paneStages->MoveWindow(l.stages);
    m_paneTimeline->MoveWindow(l.timeline);
    m_paneTracks->MoveWindow(l.tracks);
}

void CVornaView::OnSize(int, int)
{
    LayoutPanes();
}

void CVornaView::OnPaint(QPainter& painter)
{
    // The panes cover the client area and paint themselves; only a gap would show this.
    painter.fillRect(rect(), QColor(45, 45, 45));
}

void CVornaView::Invalidate()
{
    ui::Window::Invalidate();
    for (const int id : {ID_PANE_TOOLBAR, ID_PANE_CONTROLBAR, ID_PANE_TIMELINE, ID_PANE_STAGES,
                         ID_PANE_TRACKS, ID_PANE_VSPLITTER, ID_PANE_PROPERTIES})
        InvalidatePane(id);
}

void CVornaView::OnPaneChange(PaneChange change)
{
    switch (change)
    {
    case PaneChange::Hover:
        InvalidatePane(ID_PANE_TIMELINE);
        if (m_paneTracks)
            m_paneTracks->UpdateMarker();
        // While playing the status shows the playback position, not the hover.
        if (m_paneControlbar && m_paneControlbar->Status() != nullptr && !m_pDoc->m_isPlaying)
            m_paneControlbar->Status()->Invalidate();
        break;
    case PaneChange::Stages:
        InvalidatePane(ID_PANE_STAGES);
        InvalidatePane(ID_PANE_TRACKS);
        break;
    }
}

void CVornaView::OnInitialUpdate()
{
    m_pDoc->m_graphEditorPos = QPoint(-1, -1);
    m_pDoc->m_graphEditorSize = QSize(0, 0);
    SetTimer(kTimerStartup, 1);
    SetFocus();
    KeepSessionLoops();
    // Once the event loop runs, so that a missing device is reported over the shown window and
    // never holds up the start-up.
    QTimer::singleShot(0, this,
                       [this]
                       {
                           if (InitAudio())
                               Invalidate();
                       });
}

bool CVornaView::InitAudio()
{
    const QString problem = m_services.audio->CheckVersions();
    if (!problem.isEmpty())
    {
        ui::MessageBox(this, problem);
        return false;
    }
    // The options store an output device as its number - 1, so -1 is the default device.
    const int stored = m_pDoc->GetOptions() != nullptr ? m_pDoc->GetOptions()->m_playbackDevice : -1;
    const int device = stored < 0 ? -1 : stored + 1;
    if (!m_services.audio->Initialize(device))
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgInitFailed));
        return false;
    }
    return true;
}

void CVornaView::FreeAudio()
{
    m_services.audio->Free();
}

// ---- Playback -------------------------------------------------------------------------------

void CVornaView::Play(bool preview, QObject* levelWindow)
{
    CVornaDoc& doc = *m_pDoc;
    if (doc.m_isPlaying)
        StopPlayback();

    const double start = doc.m_isPaused ? doc.m_pausePosition : doc.m_cursorPosition;
    doc.m_isPaused = false;

    const COptions& options = Options();
    int track = -1;
    int segment = -1;
    GetSelection(track, segment);

    CPlaybackParams params = shell::SessionPlaybackParams(doc, options);
    params.m_startFraction = start;
    params.m_previewOnly = preview;
    params.m_previewTrack = track;
    params.m_previewSegment = segment;
    params.m_notifyWindow = &m_errorRelay;

    m_errorRelay.m_playback.store(++m_playbackNumber);
    Engine().Play(params, dynamic_cast<rt::MixerBlockSink*>(levelWindow));

    // Set also when the engine could not start: the next tick of timer 4 then ends the playback.
    doc.m_isPlaying = true;
    UpdatePages();
    SetTimer(kTimerPlayback, kPlaybackPeriodMs);
    HandReadouts();
    RefreshPaneStates();
    Invalidate();
}

void CVornaView::StopPlayback(const QString& failure)
{
    CVornaDoc& doc = *m_pDoc;
    if (!doc.m_isPlaying && !doc.m_isLive)
        return;
    doc.m_isPlaying = false;
    Engine().Stop();
    KeepSessionLoops();
    KillTimer(kTimerPlayback);
    HandReadouts();
    RefreshPaneStates();
    InvalidatePane(ID_PANE_TRACKS);
    InvalidatePane(ID_PANE_CONTROLBAR);
    UpdatePages();
    if (doc.m_isLive)
    {
        doc.m_isLive = false;
        if (m_recorder)
            m_recorder->Stop(failure);
        RemoveLiveRecordingSegment();
    }
}

void CVornaView::KeepSessionLoops()
{
    Engine().KeepLoops(shell::SessionPlaybackParams(*m_pDoc, Options()));
}

void CVornaView::StopAll()
{
    if (m_recorder)
        m_recorder->Close();
    m_pDoc->m_isPaused = false;
    StopPlayback();
    Invalidate();
}

void CVornaView::Pause()
{
    CVornaDoc& doc = *m_pDoc;
    if (doc.m_isPlaying)
    {
        doc.m_isPaused = true;
        // A session of no length has no position: resume where playback would start anyway.
        doc.m_pausePosition =
            SessionFraction(Engine().GetPosition(), doc.m_sessionLength).value_or(doc.m_cursorPosition);
        StopPlayback();
    }
    Invalidate();
}

void CVornaView::RestartPlayback()
{
    m_pDoc->m_isPaused = false;
    if (m_pDoc->m_isPlaying)
    {
        StopPlayback();
        Play(false, nullptr);
    }
    Invalidate();
}

void CVornaView::SessionLengthChanged()
{
    CVornaDoc& doc = *m_pDoc;
    doc.SetSessionModified();
    if (doc.m_isPlaying)
    {
        doc.m_isPaused = false;
        StopPlayback();
    }
    doc.m_tracks.UpdateSegmentTimes(doc.m_sessionLength);
    UpdateTop();
    Invalidate();
}

void CVornaView::GoToStart()
{
    m_pDoc->m_cursorPosition = 0.0;
    RestartPlayback();
}

void CVornaView::PreviousStage()
{
    JumpToStage(false);
}

void CVornaView::NextStage()
{
    JumpToStage(true);
}

void CVornaView::JumpToStage(bool next)
{
    CVornaDoc& doc = *m_pDoc;
    const CStages& stages = doc.m_stages;
    const int n = stages.GetCount();
    if (n == 0)
        return; // a session file may hold no stages: there is nowhere to go

    double t = doc.m_cursorPosition;
    if (doc.m_isPlaying)
    {
        const double seconds = std::trunc(Engine().GetPosition());
        t = doc.m_sessionLength > 0 ? seconds / doc.m_sessionLength : 0.0;
    }
    const int i = stages.FindStage(t);
    int target;
    if (i < 0)
        // In no stage: the very end (t = 1 belongs to no stage) or a list that leaves a gap.
        target = next ? 0 : (t >= 1.0 ? n - 1 : 0);
    else if (next)
        target = i < n - 1 ? i + 1 : i;
    else
        target = i > 0 ? i - 1 : i;

    doc.m_isPaused = false;
    doc.m_cursorPosition = stages.GetStage(target).m_start;
    RestartPlayback();
}

void CVornaView::ResetSelection()
{
    m_copiedSegment.reset();
    UpdateSessionLength();
    ClearTracksSelection();
    ShowProperties(nullptr, 0);
}

// ---- Timers ---------------------------------------------------------------------------------

void CVornaView::OnTimer(int id)
{
    if (id == kTimerStartup)
        OnTimerStartup();
    else if (id == kTimerPlayback)
        OnTimerPlayback();
}

void CVornaView::OnTimerStartup()
{
    KillTimer(kTimerStartup);
    const bool shown = window()->isVisible();
    if (m_services.updateCheck != nullptr && m_services.updateCheck->IsDue())
        m_services.updateCheck->RunAutomatic(this);
    // The check pumps messages while the page loads, so the main window may have been closed
    // meanwhile; a help window opened now would keep the program running with no main window.
    if (shown && !window()->isVisible())
        return;
    ShowFirstRunHelp();
}

void CVornaView::ShowFirstRunHelp()
{
    QString shown;
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegMsgHelp), shown);
    if (shown == QLatin1String("1"))
        return;
    if (m_help)
    {
        m_help->Show();
        m_help->ShowTopic(QStringLiteral("index"));
    }
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegMsgHelp), QStringLiteral("1"));
}

void CVornaView::OnTimerPlayback()
{
    if (!Engine().IsPlaying())
    {
        m_pDoc->m_isPaused = false;
        StopPlayback();
        Invalidate();
    }
    UpdateRecordingLength();
    // The read-outs repaint what they change (the play line's columns, the status, the meters);
    // only a live recording's placeholder grows on the tracks pane.
    HandReadouts();
    if (m_pDoc->m_isLive)
        InvalidatePane(ID_PANE_TRACKS);
}

void CVornaView::HandReadouts()
{
    // The panes get the engine's read-outs from here, never from the engine while painting.
    PlaybackReadouts readouts;
    const bool playing = m_pDoc->m_isPlaying;
    if (playing)
    {
        readouts.positionSeconds = Engine().GetPosition();
        Engine().GetLevels(readouts.levelLeft, readouts.levelRight);
        Engine().GetSpectrum(readouts.spectrum);
        readouts.load = Engine().GetCpuLoad();
    }
    if (m_paneControlbar)
        m_paneControlbar->SetReadouts(readouts);
    if (m_paneTracks)
    {
        const auto at =
            playing ? SessionFraction(readouts.positionSeconds, m_pDoc->m_sessionLength) : std::nullopt;
        m_paneTracks->SetPlayPosition(at.value_or(-1.0));
    }
}

void CVornaView::RefreshPaneStates()
{
    if (m_paneToolbar)
        m_paneToolbar->RefreshEnabled();
    if (m_paneControlbar)
        m_paneControlbar->RefreshState();
}

// ---- Live recording -------------------------------------------------------------------------

void CVornaView::StartLiveRecording()
{
    CVornaDoc& doc = *m_pDoc;
    QString shown;
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegMsgLiveRecording), shown);
    if (shown != QLatin1String("1"))
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgLiveNotice));
        SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegMsgLiveRecording),
                     QStringLiteral("1"));
    }

    int result;
    if (m_services.runCountdown)
        result = m_services.runCountdown(this);
    else
    {
        CDlgCountdown countdown(this);
        result = countdown.DoModal();
    }
    if (result != ui::IDOK)
        return;

    AddLiveRecordingSegment();
    Invalidate();
    doc.m_cursorPosition = 0.0;
    RestartPlayback();

    const CSegments::SegmentPtr placeholder = m_livePlaceholder.lock();
    m_recorder->Setup(doc.GetOptions(), QString(), true, static_cast<double>(doc.m_sessionLength), this,
                      placeholder.get());
    if (m_recorder->Prepare())
        doc.m_isLive = true;
    else
        RemoveLiveRecordingSegment();
}

void CVornaView::AddLiveRecordingSegment()
{
    CSegments::SegmentPtr segment = m_pDoc->m_tracks.AddLiveVoiceSegment();
    m_livePlaceholder = segment;
    if (!segment)
        return;
    SetSelection(0, 0);
    SelectSegment(segment.get());
    ShowPropertyTab(1);
}

void CVornaView::RemoveLiveRecordingSegment()
{
    // Nothing may still point at the placeholder when it goes: the recorder's effects source and
    // the property rows bound to it are let go first.
    if (m_recorder)
        m_recorder->ReleaseSource();
    ClearTracksSelection();
    ShowProperties(nullptr, 0);
    ShowPropertyTab(0);
    m_pDoc->m_tracks.RemoveLiveVoiceSegment();
    m_livePlaceholder.reset();
    m_pDoc->SetSessionModified();
}

void CVornaView::UpdateRecordingLength()
{
    if (!m_pDoc->m_isLive)
        return;
    const CSegments::SegmentPtr placeholder = m_livePlaceholder.lock();
    const auto end = SessionFraction(Engine().GetPosition(), m_pDoc->m_sessionLength);
    if (!placeholder || !end)
        return;
    placeholder->m_begin = 0.0;
    placeholder->m_end = *end;
}

// ---- Selection and pane services ------------------------------------------------------------

void CVornaView::GetSelection(int& track, int& segment) const
{
    track = m_paneTracks ? m_paneTracks->GetSelectedTrack() : -1;
    segment = m_paneTracks ? m_paneTracks->GetSelectedSegmentIndex() : -1;
}

void CVornaView::SetSelection(int track, int segment)
{
    if (m_paneTracks)
        m_paneTracks->SetSelection(track, segment);
}

void CVornaView::ClearTracksSelection()
{
    if (m_paneTracks)
        m_paneTracks->ClearSelection();
}

void CVornaView::ShowProperties(CSegment* segment, int kind)
{
    if (m_paneProperties)
        m_paneProperties->ShowProperties(segment, kind);
}

void CVornaView::ShowPropertyTab(int tab)
{
    if (m_paneProperties)
        m_paneProperties->ShowPropertyTab(tab);
}

void CVornaView::UpdatePages()
{
    if (m_paneProperties)
        m_paneProperties->UpdatePages();
}

void CVornaView::UpdateTop()
{
    if (m_paneProperties)
        m_paneProperties->UpdateTop();
}

void CVornaView::UpdateSessionLength()
{
    if (m_paneControlbar)
        m_paneControlbar->UpdateSessionLength();
}

void CVornaView::InvalidatePane(int id)
{
    ui::InvalidateWindow(GetPane(id));
}

ui::SelectionSource* CVornaView::TracksPane() const
{
    return m_paneTracks.get();
}

void CVornaView::SelectSegment(CSegment* segment)
{
    int kind = 0;
    if (segment != nullptr)
    {
        int track = -1;
        int index = -1;
        GetSelection(track, index);
        kind = track >= 0 && track < m_pDoc->m_tracks.GetCount() ? m_pDoc->m_tracks.GetTrack(track).m_kind
                                                                 : segment->GetKind();
    }
    ShowProperties(segment, kind);
    ShowPropertyTab(0);
    m_pDoc->SetSessionModified();
}

void CVornaView::OnMixerError(std::uint64_t playback, const QString& text)
{
    // Stop only the playback the error belongs to (0: unnamed, the current one); the text is shown
    // once either way.
    bool shown = false;
    if (playback == 0 || playback == m_playbackNumber)
    {
        m_pDoc->m_isPaused = false;
        // A live recording's recorder says why before it offers the file it has finished.
        shown = m_pDoc->m_isLive && m_recorder != nullptr && !text.isEmpty();
        StopPlayback(text);
        Invalidate();
    }
    if (!text.isEmpty() && !shown)
        ui::MessageBox(this, text);
}

void CVornaView::SegmentChanged()
{
    // The times first: a changed content length moves the segment's end, which the top panel
    // shows.
    m_pDoc->m_tracks.UpdateSegmentTimes(m_pDoc->m_sessionLength);
    UpdateTop();
    InvalidatePane(ID_PANE_TRACKS);
    m_pDoc->SetSessionModified();
}

void CVornaView::PropertyChanged()
{
    m_pDoc->SetSessionModified();
}

void CVornaView::ShowHelpTopic(const QString& topic, ui::HelpFollow follow)
{
    if (!m_help || (follow == ui::HelpFollow::WhileOpenOnly && !m_help->IsVisible()))
        return;
    m_help->Show();
    if (!topic.isEmpty())
        m_help->ShowTopic(topic);
}

void CVornaView::Stop()
{
    m_pDoc->m_isPaused = false;
    StopPlayback();
    Invalidate();
}

double CVornaView::OutputLevel() const
{
    if (!Engine().IsPlaying())
        return 0.0;
    double left = 0.0;
    double right = 0.0;
    Engine().GetLevels(left, right);
    return std::max(std::fabs(left), std::fabs(right));
}

// ---- Messages -------------------------------------------------------------------------------

bool CVornaView::OnCommand(int id, ui::Notify code, QWidget* from)
{
    switch (id)
    {
    case ID_ACCEL_PLAY:
        // A live recording's transport has Play and Pause disabled: a key must not end it either.
        if (!m_pDoc->m_isLive)
            Play(false, nullptr);
        return true;
    case ID_ACCEL_STOP:
        m_pDoc->m_isPaused = false;
        StopPlayback();
        Invalidate();
        return true;
    case ID_ACCEL_PAUSE:
        if (m_pDoc->m_isPlaying && !m_pDoc->m_isLive)
            Pause();
        return true;
    default:
        return OnViewCommand(id);
    }
}

ui::LResult CVornaView::OnAppMessage(ui::MessageEvent& message)
{
    switch (message.Message())
    {
    case WM_APP_PLAY:
        Play(false, nullptr);
        return 0;
    case WM_APP_STOP:
        Stop();
        return 0;
    case WM_APP_PAUSE:
        Pause();
        return 0;
    case WM_APP_GO_TO_START:
        GoToStart();
        return 0;
    case WM_APP_PREVIOUS_STAGE:
        PreviousStage();
        Invalidate();
        return 0;
    case WM_APP_NEXT_STAGE:
        NextStage();
        Invalidate();
        return 0;
    case WM_APP_LIVE_RECORDING:
        StartLiveRecording();
        return 0;
    default:
        return OnCommandMessage(message) ? 0 : ui::kNotHandled;
    }
}
