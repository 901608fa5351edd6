// The view's editing, file, tool and support commands: the dispatch from the accelerator table
// and from the application messages, and the handlers. A handler that is still empty does
// nothing yet; its command comes with the session dialogs and editing commands.
#include "app/CVornaView.h"

#include "app/CMainFrame.h"

#include "controls/AppMessages.h"
#include "controls/Behaviour.h"
#include "controls/CommandIds.h"
#include "model/CVornaDoc.h"
#include "platform/Registry.h"

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
        OnShowGlobals();
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
    case WM_APP_ADD_RECORDING:
        message.SetResult(OnAddRecording(message.GetWParam(),
                                         reinterpret_cast<const QString*>(message.GetLParam())));
        return true;
    default:
        return false;
    }
}

void CVornaView::OnDeleteSegment()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnCopySegment()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnPasteSegment()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnAddTrack()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnDuplicateTrack()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnRemoveTrack()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnCleanEmptyTracks()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnMuteTrack()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnActivateTrack()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnMuteAllTracks()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnActivateAllTracks()
{
    // Not built yet: comes with the editing commands.
}

void CVornaView::OnEditStages()
{
    // Not built yet: comes with the stages dialog.
}

void CVornaView::OnEditNotes()
{
    // Not built yet: comes with the notes dialog.
}

void CVornaView::OnShowGlobals()
{
    // Not built yet: comes with the session-wide settings dialog.
}

void CVornaView::OnTranscript()
{
    // Not built yet: comes with the transcript dialog.
}

void CVornaView::OnOptions()
{
    // Not built yet: comes with the options dialog.
}

void CVornaView::OnAmbientMusicTool()
{
    // Not built yet: comes with the loop tool.
}

void CVornaView::OnAbout()
{
    // Not built yet: comes with the about box.
}

void CVornaView::OnRecordVoice()
{
    // Not built yet: comes with the recorder.
}

void CVornaView::OnExportSession()
{
    // Not built yet: comes with the export.
}

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
    // Not built yet: comes with the support commands.
}

void CVornaView::OnOpenVideos()
{
    // Not built yet: comes with the support commands.
}

void CVornaView::OnOpenContact()
{
    // Not built yet: comes with the support commands.
}

void CVornaView::OnCheckUpdates()
{
    // Not built yet: comes with the update check.
}

void CVornaView::OnNewSession()
{
    // Not built yet: comes with the file commands.
}

void CVornaView::OnFileOpen()
{
    // Not built yet: comes with the file commands.
}

ui::LResult CVornaView::OnAddRecording(ui::WParam newSegment, const QString* path)
{
    // Not built yet: comes with the end-of-recording dialogs.
    return 0;
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
