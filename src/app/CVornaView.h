#pragma once
/** @brief The one view of the workspace: it owns the panes, the recorder and the help window,
 *  receives every application message, drives the engine and runs the start-up and playback
 *  timers.
 *
 * Everything runs on the UI thread; the engine reaches the view only by a queued call (its errors).
 * Engine read-outs are polled by the playback timer and handed to the panes. The editing
 * commands live in CVornaViewCommands.cpp. */

#include "app/ViewServices.h"
#include "audio/MixerEvents.h"
#include "controls/Window.h"
#include "messages/ViewMessages.h"
#include "panes/CAppPane.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

class CAppPane;
class CPaneControlbar;
class CPaneProperties;
class CPaneToolbar;
class CPaneTracks;
class CSegment;
class COptions;
class CVornaDoc;

namespace ui
{
class SelectionSource;
}

class CVornaView : public ui::Window, public PaneHost, public ui::ViewMessages
{
public:
    static constexpr int kTimerStartup = 3;
    static constexpr int kTimerPlayback = 4;
    static constexpr int kPlaybackPeriodMs = 100;
    /** Width of the properties pane until the pane itself says (its panel's width). */
    static constexpr int kDefaultPropertiesWidth = 340;

    static constexpr const char* kMsgInitFailed = "Audio driver initialization failed.";
    static constexpr const char* kMsgLiveNotice =
        "You are about to start a live recording session.\n\n"
        "If you want to cancel the live recording before it completes, please press the stop button at the "
        "bottom panel.\n\n"
        "This is a one-time message and it will not be shown again.";
    static constexpr const char* kMsgSaveChanges =
        "The session was modified. Do you want to save the changes?";
    static constexpr const char* kRegMsgHelp = "MsgHelp";
    static constexpr const char* kRegMsgLiveRecording = "MsgLiveRecording";
    static constexpr const char* kRegFolderSessions = "FolderSessions";

    /** The view over @p doc; @p services replace the engine, the audio layer and the dialogs. */
    explicit CVornaView(CVornaDoc* doc, shell::ViewServices services = {}, QWidget* parent = nullptr);
    ~CVornaView() override;

    CVornaDoc* GetDocument() const { return m_pDoc; }

    /** After the document is loaded: the graph editor's first-use placement, timer 3, the focus
     *  and the audio start-up. */
    void OnInitialUpdate();
    /** Checks the audio libraries and opens the options' output device; the problem is shown and
     *  false returned when that fails (the program goes on without audio). */
    bool InitAudio();
    /** Frees the output device (the frame's close). */
    void FreeAudio();

    // What the windows below the view ask of it.
    void SelectSegment(CSegment* segment) override;
    void SegmentChanged() override;
    void DeleteTemporarySegment() override;
    void PropertyChanged() override;
    void ShowGlobals() override;
    void ShowHelpTopic(const QString& topic, ui::HelpFollow follow) override;
    void Play(bool preview, QObject* levelWindow) override;
    void Stop() override;
    void RestartPlayback() override;
    void SessionLengthChanged() override;
    bool AddRecording(ui::RecordingTarget target, const QString& path) override;
    double OutputLevel() const override;
    ui::SelectionSource* TracksPane() const override;

    // Playback.
    /** Stops playing (a live recording too). @p failure: why the session could not play on,
     *  which a live recording's recorder then shows. */
    void StopPlayback(const QString& failure = QString());
    /** Has the engine keep the session's looping files decoded (as they stand now), so that
     *  the next Play starts at once: after a session is opened or made, and after each
     *  playback (which may have followed edits of the files). */
    void KeepSessionLoops();
    void StopAll();
    void Pause();
    void GoToStart();
    void PreviousStage();
    void NextStage();

    /** A new or opened session: no copied segment, no selection, no property page. */
    void ResetSelection();

    // Live recording.
    void StartLiveRecording();
    void AddLiveRecordingSegment();
    void RemoveLiveRecordingSegment();
    void UpdateRecordingLength();

    /** The save prompt; true when the caller may go on (nothing to save, No, or saved). */
    bool QuerySaveModified();

    /** The view's redraw: the view and every pane repaint (each paints itself; Qt would repaint
     *  none of them for the view's update() alone). */
    void Invalidate() override;
    /** A pane changed what other panes draw: those repaint. */
    void OnPaneChange(PaneChange change) override;

    /** The pane with window id @p id (ID_PANE_*), or null. */
    QWidget* GetPane(int id) const;
    void LayoutPanes();
    /** The properties pane's width: its top panel's, or kDefaultPropertiesWidth without one. */
    int PropertiesWidth() const;

    /** The selection the tracks pane holds: track and segment index, -1 for none. */
    void GetSelection(int& track, int& segment) const;
    void SetSelection(int track, int segment);

    /** The copied segment of the copy command; expires with the segment. */
    std::weak_ptr<CSegment> m_copiedSegment;

    /** The help window (tests look at it). */
    shell::HelpWindow* GetHelpWindow() const { return m_help.get(); }
    /** The playback an engine error belongs to (0: none yet). */
    std::uint64_t PlaybackNumber() const { return m_playbackNumber; }
    /** Posts an engine error for the current playback, as the engine does; any thread. */
    void PostMixerError(const QString& text) { m_errorRelay.PostMixerError(text); }

protected:
    int OnCreate() override;
    void OnSize(int width, int height) override;
    void OnPaint(QPainter& painter) override;
    void OnTimer(int id) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    ui::LResult OnAppMessage(ui::MessageEvent& message) override;

private:
    /** Receives the engine's errors on its worker and queues them onto the view's thread with
     *  the number of the playback they belong to. */
    class ErrorRelay : public rt::MixerEvents
    {
    public:
        explicit ErrorRelay(CVornaView* view) : m_view(view) {}
        void PostMixerError(QString text) override;
        std::atomic<std::uint64_t> m_playback{0};

    private:
        CVornaView* m_view;
    };

    shell::PlaybackEngine& Engine() const;
    /** The document's options, or the defaults when it has none. */
    const COptions& Options() const;
    void CreatePanes();
    void OnTimerStartup();
    void OnTimerPlayback();
    void ShowFirstRunHelp();
    void HandReadouts();
    void RefreshPaneStates();
    /** WM_APP_MIXER_ERROR: an engine error of @p playback (0: the current one) with its text,
     *  empty for none. */
    void OnMixerError(std::uint64_t playback, const QString& text);
    void JumpToStage(bool next);

    // What the panes do for the view.
    void ClearTracksSelection();
    void ShowProperties(CSegment* segment, int kind);
    void ShowPropertyTab(int tab);
    void UpdatePages();
    void UpdateTop();
    void UpdateSessionLength();
    void InvalidatePane(int id);

    // The editing commands (CVornaViewCommands.cpp): the dispatch of the accelerator commands
    // and of the messages the core does not handle, and one handler each.
    bool OnViewCommand(int id);
    bool OnCommandMessage(ui::MessageEvent& message);
    void OnDeleteSegment();
    /** Removes the selected segment; @p isEdit false for the tracks pane's momentary segment. */
    void DeleteSelectedSegment(bool isEdit);
    void AddOrDuplicateTrack(bool duplicate);
    void MuteOrActivateTrack(bool mute);
    void OnCopySegment();
    void OnPasteSegment();
    void OnAddTrack();
    void OnDuplicateTrack();
    void OnRemoveTrack();
    void OnCleanEmptyTracks();
    void OnMuteTrack();
    void OnActivateTrack();
    void OnMuteAllTracks();
    void OnActivateAllTracks();
    void OnEditStages();
    void OnEditNotes();
    void OnTranscript();
    void OnOptions();
    void OnAmbientMusicTool();
    void OnAbout();
    void OnRecordVoice();
    void OnExportSession();
    void OnHelpIndex();
    void OnOpenWebSite();
    void OnOpenVideos();
    void OnOpenContact();
    void OnCheckUpdates();
    void OnNewSession();
    void OnFileOpen();
    /** Save (and Save As for a session tied to no file); true when the session was written. */
    bool SaveSession();
    bool SaveSessionAs();
    bool SaveTo(const QString& path);
    bool SetVoiceSegmentFile(const QString& path);
    bool CreateVoiceSegment(const QString& path);

    CVornaDoc* m_pDoc;
    shell::ViewServices m_services;
    std::unique_ptr<shell::PlaybackEngine> m_ownEngine;
    std::unique_ptr<shell::AudioLayer> m_ownAudio;

    // Panes, in the order they are made; destroyed in reverse.
    std::unique_ptr<CPaneToolbar> m_paneToolbar;
    std::unique_ptr<CPaneControlbar> m_paneControlbar;
    std::unique_ptr<CAppPane> m_paneTimeline;
    std::unique_ptr<CAppPane> m_paneVSplitter;
    std::unique_ptr<CPaneProperties> m_paneProperties;
    std::unique_ptr<CAppPane> m_paneStages;
    std::unique_ptr<CPaneTracks> m_paneTracks;
    std::unique_ptr<shell::LiveRecorder> m_recorder;
    std::unique_ptr<shell::HelpWindow> m_help;

    std::weak_ptr<CSegment> m_livePlaceholder;
    ErrorRelay m_errorRelay{this};
    std::uint64_t m_playbackNumber = 0;
};
