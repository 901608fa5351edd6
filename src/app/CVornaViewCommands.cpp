// The view's editing, file, tool and support commands: the dispatch from the accelerator table
// and from the application messages, and the handlers. Every edit of the session marks it
// modified; the dialogs run through CommandDialogs.
#include "app/CVornaView.h"

#include "app/CMainFrame.h"
#include "app/CommandDialogs.h"
#include "app/ExportCommand.h"
#include "app/UpdateCheck.h"
#include "app/ViewCommandLogic.h"

#include "audio/COptions.h"
#include "audio/SessionExport.h"
#include "controls/Accelerators.h"
#include "controls/Behaviour.h"
#include "controls/CommandIds.h"
#include "dialogs/session/ExportProgressDialog.h"
#include "messages/AppMessages.h"
#include "model/CSegmentSuggestions.h"
#include "model/CVornaDoc.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

#include <QDir>
#include <QUrl>

bool CVornaView::OnViewCommand(int id)
{
    // The keys edit the session only while it does not play.
    const bool playing = m_pDoc->m_isPlaying;
    switch (id)
    {
    case ID_EDIT_COPY:
        if (!playing)
            OnCopySegment();
        return true;
    case ID_EDIT_PASTE:
        if (!playing)
            OnPasteSegment();
        return true;
    case ID_FILE_NEW:
        if (!playing)
            OnNewSession();
        return true;
    case ID_FILE_OPEN:
        if (!playing)
            OnFileOpen();
        return true;
    case ID_FILE_SAVE:
        if (!playing)
            SaveSession();
        return true;
    case ID_ACCEL_DELETE_SEGMENT:
        if (!playing)
            OnDeleteSegment();
        return true;
    case ID_ACCEL_ADD_TRACK:
        if (!playing)
            OnAddTrack();
        return true;
    case ID_ACCEL_MUTE_TRACK:
        if (!playing)
            OnMuteTrack();
        return true;
    case ID_ACCEL_DUPLICATE_TRACK:
        if (!playing)
            OnDuplicateTrack();
        return true;
    case ID_ACCEL_REMOVE_TRACK:
        if (!playing)
            OnRemoveTrack();
        return true;
    case ID_ACCEL_CLEAN_EMPTY_TRACKS:
        if (!playing)
            OnCleanEmptyTracks();
        return true;
    case ID_ACCEL_ACTIVATE_TRACK:
        if (!playing)
            OnActivateTrack();
        return true;
    default:
        // Bound keys the view has no command for (cut, undo, close, pane switching) do nothing.
        return false;
    }
}

bool CVornaView::OnCommandMessage(ui::MessageEvent& message)
{
    switch (message.Message())
    {
    case WM_APP_DELETE_SEGMENT:
        OnDeleteSegment();
        return true;
    case WM_APP_COPY_SEGMENT:
        OnCopySegment();
        return true;
    case WM_APP_PASTE_SEGMENT:
        OnPasteSegment();
        return true;
    case WM_APP_ADD_TRACK:
        OnAddTrack();
        return true;
    case WM_APP_DUPLICATE_TRACK:
        OnDuplicateTrack();
        return true;
    case WM_APP_REMOVE_TRACK:
        OnRemoveTrack();
        return true;
    case WM_APP_CLEAN_EMPTY_TRACKS:
        OnCleanEmptyTracks();
        return true;
    case WM_APP_MUTE_TRACK:
        OnMuteTrack();
        return true;
    case WM_APP_ACTIVATE_TRACK:
        OnActivateTrack();
        return true;
    case WM_APP_MUTE_ALL_TRACKS:
        OnMuteAllTracks();
        return true;
    case WM_APP_ACTIVATE_ALL_TRACKS:
        OnActivateAllTracks();
        return true;
    case WM_APP_EDIT_STAGES:
        OnEditStages();
        return true;
    case WM_APP_EDIT_NOTES:
        OnEditNotes();
        return true;
    case WM_APP_SHOW_GLOBALS:
        ShowGlobals();
        return true;
    case WM_APP_TRANSCRIPT:
        OnTranscript();
        return true;
    case WM_APP_OPTIONS:
        OnOptions();
        return true;
    case WM_APP_AMBIENT_MUSIC_TOOL:
        OnAmbientMusicTool();
        return true;
    case WM_APP_ABOUT:
        OnAbout();
        return true;
    case WM_APP_RECORD_VOICE:
        OnRecordVoice();
        return true;
    case WM_APP_EXPORT_SESSION:
        OnExportSession();
        return true;
    case WM_APP_HELP_INDEX:
        OnHelpIndex();
        return true;
    case WM_APP_OPEN_WEB_SITE:
        OnOpenWebSite();
        return true;
    case WM_APP_OPEN_VIDEOS:
        OnOpenVideos();
        return true;
    case WM_APP_OPEN_CONTACT:
        OnOpenContact();
        return true;
    case WM_APP_CHECK_UPDATES:
        OnCheckUpdates();
        return true;
    case WM_APP_NEW_SESSION:
        OnNewSession();
        return true;
    case WM_APP_OPEN_SESSION:
        OnFileOpen();
        return true;
    case WM_APP_SAVE_SESSION:
        SaveSession();
        return true;
    case WM_APP_SAVE_SESSION_AS:
        SaveSessionAs();
        return true;
    default:
        return false;
    }
}

namespace
{
constexpr const char* kMsgCopyFirst = "Please copy a segment before pasting.";
constexpr const char* kMsgCopyToItself = "Cannot copy a segment to itself.";
constexpr const char* kMsgSameKind =
    "Both copy (source) and paste (target) segments should be of the same soundtrack type";
constexpr const char* kMsgNoMoreTracks = "Cannot add more tracks to the session.";
constexpr const char* kMsgNoVoiceSegment = "No voice segment is currently selected.";
constexpr const char* kMsgVoiceSegmentFailed = "Failed to create a new voice segment.";
constexpr const char* kSessionFilter = "VORNA Session Files (*.vrx)|*.vrx||";

/** The segment at (track, index) of @p tracks, or null when either is outside its list. */
CSegments::SegmentPtr SegmentAt(const CTracks& tracks, int track, int index)
{
    if (track < 0 || track >= tracks.GetCount())
        return nullptr;
    const CSegments& list = tracks.GetTrack(track).m_segments;
    if (index < 0 || index >= list.GetCount())
        return nullptr;
    return list.GetSegment(index);
}

/** The dialogs of the commands belong to the main window, like every other modal window. */
QWidget* DialogOwner(QWidget* view)
{
    QWidget* frame = ui::GetMainFrame();
    return frame != nullptr ? frame : view->window();
}

void UpdateFrameTitle(QWidget* view)
{
    if (auto* frame = dynamic_cast<CMainFrame*>(view->window()))
        frame->OnUpdateFrameTitle();
}

void OpenAddress(QWidget* view, const char* address)
{
    ui::OpenUrl(DialogOwner(view), QUrl(QString::fromLatin1(address)));
}
} // namespace

// ---- Segment commands ------------------------------------------------------------------------

void CVornaView::OnDeleteSegment()
{
    DeleteSelectedSegment(true);
}

void CVornaView::DeleteTemporarySegment()
{
    // The tracks pane takes back the segment a click on an empty row made for a moment; that was
    // never an edit of the session.
    DeleteSelectedSegment(false);
}

void CVornaView::DeleteSelectedSegment(bool isEdit)
{
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    const CSegments::SegmentPtr segment = SegmentAt(m_pDoc->m_tracks, track, index);
    if (!segment)
        return;
    if (m_copiedSegment.lock() == segment)
        m_copiedSegment.reset();
    // The property rows let go of the segment before it leaves the session.
    ShowProperties(nullptr, 0);
    CTrack& owner = m_pDoc->m_tracks.GetTrack(track);
    owner.m_segments.RemoveSegment(index);
    if (owner.m_segments.GetCount() == 0)
        owner.m_active = true;
    ClearTracksSelection();
    if (isEdit)
        m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::OnCopySegment()
{
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    if (CSegments::SegmentPtr segment = SegmentAt(m_pDoc->m_tracks, track, index))
        m_copiedSegment = segment;
}

void CVornaView::OnPasteSegment()
{
    // A copied segment counts only while it is still one of this session's segments: a deleted
    // segment (or one of a removed track) may live on elsewhere, but it is no longer a source.
    CSegments::SegmentPtr source = m_copiedSegment.lock();
    if (!source || !shell::IsSegmentInTracks(m_pDoc->m_tracks, source.get()))
    {
        m_copiedSegment.reset();
        ui::MessageBox(this, QString::fromLatin1(kMsgCopyFirst));
        return;
    }
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    const CSegments::SegmentPtr target = SegmentAt(m_pDoc->m_tracks, track, index);
    if (!target)
        return;
    if (target == source)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgCopyToItself));
        return;
    }
    if (m_pDoc->m_tracks.GetTrack(track).m_kind != source->GetKind() ||
        target->GetKind() != source->GetKind())
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgSameKind));
        return;
    }
    const double begin = target->m_begin;
    const double end = target->m_end;
    target->CopyFrom(*source);
    target->m_begin = begin;
    target->m_end = end;
    m_pDoc->m_tracks.UpdateSegmentTimes(m_pDoc->m_sessionLength);
    SelectSegment(target.get());
    m_pDoc->SetSessionModified();
    Invalidate();
}

// ---- Track commands --------------------------------------------------------------------------

void CVornaView::AddOrDuplicateTrack(bool duplicate)
{
    CTracks& tracks = m_pDoc->m_tracks;
    if (!shell::CanAddTrack(tracks.GetCount()))
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgNoMoreTracks));
        return;
    }
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    if (!SegmentAt(tracks, track, index))
        return;
    // The new track goes after the selected one, so the selection keeps its indices.
    if (duplicate)
        tracks.DuplicateTrack(track);
    else
        tracks.AddTrack(track);
    m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::OnAddTrack()
{
    AddOrDuplicateTrack(false);
}

void CVornaView::OnDuplicateTrack()
{
    AddOrDuplicateTrack(true);
}

void CVornaView::OnRemoveTrack()
{
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    if (!SegmentAt(m_pDoc->m_tracks, track, index))
        return;
    // The properties pane must not go on editing a segment of the removed track.
    ShowProperties(nullptr, 0);
    m_pDoc->m_tracks.RemoveTrack(track);
    ClearTracksSelection();
    m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::OnCleanEmptyTracks()
{
    // The selected segment stays selected: tracks in front of it may go, which moves its index.
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    const CSegments::SegmentPtr selected = SegmentAt(m_pDoc->m_tracks, track, index);
    m_pDoc->m_tracks.RemoveEmptyTracks();
    if (selected && shell::FindSegmentInTracks(m_pDoc->m_tracks, selected.get(), track, index))
        SetSelection(track, index);
    else if (track >= m_pDoc->m_tracks.GetCount())
        ClearTracksSelection();
    m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::MuteOrActivateTrack(bool mute)
{
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    if (track < 0 || track >= m_pDoc->m_tracks.GetCount())
        return;
    if (mute)
        m_pDoc->m_tracks.MuteTrack(track);
    else
        m_pDoc->m_tracks.ActivateTrack(track);
    m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::OnMuteTrack()
{
    MuteOrActivateTrack(true);
}

void CVornaView::OnActivateTrack()
{
    MuteOrActivateTrack(false);
}

void CVornaView::OnMuteAllTracks()
{
    m_pDoc->m_tracks.MuteAll();
    m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::OnActivateAllTracks()
{
    m_pDoc->m_tracks.ActivateAll();
    m_pDoc->SetSessionModified();
    Invalidate();
}

// ---- Tool dialogs ----------------------------------------------------------------------------

void CVornaView::OnEditStages()
{
    shell::RunEditStages(DialogOwner(this), *m_pDoc);
    m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::OnEditNotes()
{
    shell::RunEditNotes(DialogOwner(this), m_pDoc->m_notes);
    m_pDoc->SetSessionModified();
}

void CVornaView::ShowGlobals()
{
    shell::RunGlobals(DialogOwner(this), *m_pDoc);
    m_pDoc->SetSessionModified();
    Invalidate();
}

void CVornaView::OnTranscript()
{
    shell::RunTranscript(DialogOwner(this), shell::BuildScriptReport(m_pDoc->m_tracks));
}

void CVornaView::OnOptions()
{
    shell::RunOptions(DialogOwner(this), m_pDoc->GetOptions());
}

void CVornaView::OnAmbientMusicTool()
{
    shell::RunAmbientTool(DialogOwner(this), m_pDoc->GetOptions());
}

void CVornaView::OnAbout()
{
    shell::RunAbout(DialogOwner(this));
}

void CVornaView::OnRecordVoice()
{
    // The recorder offers the selected voice segment's script to read, unless the segment plays
    // recordings made for it or is the live placeholder; the edited script goes back into it.
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    const CSegments::SegmentPtr segment = SegmentAt(m_pDoc->m_tracks, track, index);
    QString* script = nullptr;
    if (segment && m_pDoc->m_tracks.GetTrack(track).m_kind == CSegment::kKindVoice)
        if (auto* voice = dynamic_cast<CSegmentSuggestions*>(segment.get()))
            if (voice->GetPlayMode() == CSegmentSuggestions::kPlayModeSequential ||
                voice->GetPlayMode() == CSegmentSuggestions::kPlayModeShuffle)
                script = &voice->m_scriptText;
    const QString before = script != nullptr ? *script : QString();
    // The recorder belongs to the main window; the recording it makes is handed to this view.
    shell::RunRecordVoice(DialogOwner(this), this, m_pDoc->GetOptions(), script);
    if (script != nullptr && *script != before)
        m_pDoc->SetSessionModified();
}

// ---- Help and support ------------------------------------------------------------------------

void CVornaView::OnHelpIndex()
{
    if (m_help)
    {
        m_help->Show();
        m_help->ShowTopic(QStringLiteral("index"));
    }
}

void CVornaView::OnOpenWebSite()
{
    OpenAddress(this, shell::kWebSiteUrl);
}

void CVornaView::OnOpenVideos()
{
    OpenAddress(this, shell::kVideosUrl);
}

void CVornaView::OnOpenContact()
{
    OpenAddress(this, shell::kContactUrl);
}

void CVornaView::OnCheckUpdates()
{
    m_pDoc->m_isPaused = false;
    StopPlayback();
    Invalidate();
    shell::RunManualUpdateCheck(DialogOwner(this), shell::ManualUpdateFetch());
}

void CVornaView::OnExportSession()
{
    // The export renders the session with an engine of its own; the playback stops first, so the
    // tracks are not played and rendered at once, and the session cannot change meanwhile (the
    // progress window is modal).
    m_pDoc->m_isPaused = false;
    StopPlayback();
    Invalidate();

    const COptions& options = Options();
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegFolderSessions), folder);
    const ui::FileDialogRequest request =
        shell::ExportFileRequest(m_pDoc->GetPathName(), folder, options.m_exportFormatType);
    const std::optional<QStringList> chosen = ui::CurrentBehaviour().GetFileNames(this, request);
    if (!chosen || chosen->isEmpty())
        return;
    QString path = chosen->front();
    const int format = shell::ExportFormatForPath(path, options.m_exportFormatType);

    rt::SessionExport job;
    if (!job.Start(shell::SessionPlaybackParams(*m_pDoc, options), path, format, options.m_exportCompress,
                   options.m_exportSampleType))
    {
        if (!job.ErrorText().isEmpty())
            ui::MessageBox(this, job.ErrorText());
        return;
    }
    dlg::ExportProgressDialog progress(DialogOwner(this), job);
    // Whatever ended the window before the export did counts as Cancel.
    if (progress.DoModal() != ui::IDOK)
        job.Cancel();
    switch (job.Finish())
    {
    case rt::SessionExport::Outcome::Exported:
        ui::MessageBox(this, QString::fromLatin1(shell::kMsgExported).arg(QDir::toNativeSeparators(path)));
        break;
    case rt::SessionExport::Outcome::Failed:
        if (!job.ErrorText().isEmpty())
            ui::MessageBox(this, job.ErrorText());
        break;
    case rt::SessionExport::Outcome::Cancelled:
        break;
    }
}

// ---- File commands ---------------------------------------------------------------------------

void CVornaView::OnNewSession()
{
    if (!QuerySaveModified())
        return;
    m_pDoc->OnNewDocument();
    KeepSessionLoops();
    ResetSelection();
    UpdateFrameTitle(this);
    Invalidate();
}

void CVornaView::OnFileOpen()
{
    if (!QuerySaveModified())
        return;
    // The session is reset before the dialog: a cancelled dialog leaves a new, empty session.
    m_pDoc->OnNewDocument();
    ResetSelection();
    UpdateFrameTitle(this);
    Invalidate();

    ui::FileDialogRequest request;
    request.mode = ui::FileDialogRequest::Mode::Open;
    request.title = QStringLiteral("Open a session file");
    request.filter = QString::fromLatin1(kSessionFilter);
    request.defaultExtension = QStringLiteral("vrx");
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegFolderSessions), request.folder);
    const std::optional<QStringList> chosen = ui::CurrentBehaviour().GetFileNames(this, request);
    if (!chosen || chosen->isEmpty())
    {
        KeepSessionLoops(); // the new, empty session's: none
        return;
    }
    const QString path = chosen->front();
    const bool opened = m_pDoc->OnOpenDocument(path);
    KeepSessionLoops();
    ResetSelection();
    UpdateFrameTitle(this);
    Invalidate();
    if (opened)
        SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegFolderSessions),
                     GetFolderOfPath(path));
}

// ---- Recordings ------------------------------------------------------------------------------

bool CVornaView::SetVoiceSegmentFile(const QString& path)
{
    int track = -1;
    int index = -1;
    GetSelection(track, index);
    const CSegments::SegmentPtr segment = SegmentAt(m_pDoc->m_tracks, track, index);
    auto* voice = dynamic_cast<CSegmentSuggestions*>(segment.get());
    if (voice == nullptr || voice->GetKind() != CSegment::kKindVoice)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgNoVoiceSegment));
        return false;
    }
    QString stored = path;
    const bool relative = MakeLibraryRelative(stored);
    voice->m_files.push_back(CFileListEntry{stored, static_cast<std::uint8_t>(relative ? 1 : 0)});
    ShowProperties(voice, CSegment::kKindVoice);
    voice->UpdateDuration(CSegment::GetDurationFunction());
    return true;
}

bool CVornaView::CreateVoiceSegment(const QString& path)
{
    CTracks& tracks = m_pDoc->m_tracks;
    CSegments::SegmentPtr segment;
    try
    {
        segment = CSegments::CreateSegment(CSegment::kKindVoice);
    }
    catch (const std::exception&)
    {
        segment = nullptr;
    }
    auto* voice = dynamic_cast<CSegmentSuggestions*>(segment.get());
    if (voice == nullptr)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgVoiceSegmentFailed));
        return false;
    }
    const int target = shell::PrepareRecordingTrack(tracks);
    voice->m_begin = 0.0;
    voice->m_end = 1.0;
    voice->m_playMode = CSegmentSuggestions::kPlayModeSequential;
    QString stored = path;
    const bool relative = MakeLibraryRelative(stored);
    voice->m_files.push_back(CFileListEntry{stored, static_cast<std::uint8_t>(relative ? 1 : 0)});
    tracks.GetTrack(target).m_segments.AddSegment(segment);
    voice->UpdateDuration(CSegment::GetDurationFunction());

    double begin = 0.0;
    double end = 1.0;
    shell::CentreRecording(voice->m_contentDuration, static_cast<double>(m_pDoc->m_sessionLength), begin,
                           end);
    voice->m_begin = begin;
    voice->m_end = end;

    SetSelection(target, 0);
    ShowProperties(voice, CSegment::kKindVoice);
    return true;
}

bool CVornaView::AddRecording(ui::RecordingTarget target, const QString& path)
{
    const bool placed =
        target == ui::RecordingTarget::NewSegment ? CreateVoiceSegment(path) : SetVoiceSegmentFile(path);
    if (!placed)
        return false;
    m_pDoc->m_tracks.UpdateSegmentTimes(m_pDoc->m_sessionLength);
    m_pDoc->SetSessionModified();
    Invalidate();
    return true;
}

bool CVornaView::QuerySaveModified()
{
    if (!m_pDoc->IsSessionModified())
        return true;
    switch (ui::MessageBox(this, QString::fromLatin1(kMsgSaveChanges), ui::MessageButtons::YesNoCancel))
    {
    case ui::IDNO:
        return true;
    case ui::IDYES:
        // Going on is allowed only when the changes were written: a cancelled file dialog or a
        // failed save keeps the session (and its changes) open.
        return SaveSession();
    default:
        return false;
    }
}

bool CVornaView::SaveSession()
{
    if (m_pDoc->GetPathName().isEmpty())
        return SaveSessionAs();
    return SaveTo(m_pDoc->GetPathName());
}

bool CVornaView::SaveTo(const QString& path)
{
    if (!m_pDoc->OnSaveDocument(path))
        return false;
    if (auto* frame = dynamic_cast<CMainFrame*>(window()))
        frame->OnUpdateFrameTitle();
    return true;
}

bool CVornaView::SaveSessionAs()
{
    ui::FileDialogRequest request;
    request.mode = ui::FileDialogRequest::Mode::Save;
    request.filter = QStringLiteral("VORNA Session Files (*.vrx)|*.vrx||");
    request.defaultExtension = QStringLiteral("vrx");
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegFolderSessions), request.folder);
    request.fileName = m_pDoc->GetPathName();
    const std::optional<QStringList> chosen = ui::CurrentBehaviour().GetFileNames(this, request);
    if (!chosen || chosen->isEmpty())
        return false;
    return SaveTo(chosen->front());
}
