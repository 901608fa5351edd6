#pragma once
/** @brief The voice recorder: a teleprompter over the recording session.
 *
 * Plain (modal): the script box with Paste text and Select font, the automatic scrolling speed,
 * Record after the 3-2-1 countdown, Pause and resume into the same file, Stop (or the end of the
 * scrolling) finishing the file and offering it in the end-of-recording dialog; the top bar
 * shows the time, the blinking status word and the input level, the strip above the script the
 * line being read.
 *
 * Live (modeless and hidden, the view's for its whole life): Prepare records at once and asks
 * the view to play the session with the recorder as its level window; the engine's blocks go
 * straight to the recording session on the engine's stream thread. The view's Stop finishes the
 * file and shows the end-of-live-recording dialog.
 *
 * UI thread, except the MixerBlockSink calls (the engine's stream thread). */

#include "audio/CRecordingSession.h"
#include "audio/MixerEvents.h"
#include "controls/Window.h"
#include "dialogs/recorder/RecorderLogic.h"

#include <QFont>
#include <QPixmap>
#include <QPointer>

#include <functional>

class CHoverButton;
class COptions;
class CSegment;

namespace ui
{
class Button;
class ComboBox;
class MultiLineEdit;
} // namespace ui

class CDlgRecorder : public ui::Dialog, public rt::MixerBlockSink
{
public:
    static constexpr int kIdPasteText = 1210;
    static constexpr int kIdSelectFont = 1211;
    static constexpr int kIdSpeed = 1237;
    static constexpr int kIdHelp = 1244;
    static constexpr int kIdProgress = 1226;
    static constexpr int kIdStrip = 1221;
    static constexpr int kIdScript = 1014;
    static constexpr int kTimerId = 1;
    static constexpr int kTimerMs = 50;
    static constexpr int kTopBarHeight = 70;
    static constexpr int kInitialCharsPerLine = 32;
    static constexpr int kMinFontPoints = 10;
    static constexpr int kMaxFontPoints = 28;

    static constexpr const char* kCaption = "Sound Recorder";
    static constexpr const char* kHelpTopic = "TheSoundRecorder";
    static constexpr const char* kLiveEndCaption = "End of Live Recording";
    static constexpr const char* kLevelLabel = "Recording level";
    /** The recorded file could not be made in @p folder (the recordings folder, as it is). */
    static QString CreateFailedMessage(const QString& folder);
    static constexpr const char* kMsgWriteFailed = "Failed to write to the recorded sound file.";
    /** The heading of the end dialog after a live recording that the session stopped. */
    static constexpr const char* kMsgStoppedEarly = "The recording was stopped early";

    /** What follows a finished recording: by default the end-of-recording dialogs. Tests and the
     *  view may stand in their own. */
    struct EndDialogs
    {
        /** After a plain recording, once the recorder has closed. */
        std::function<void(QWidget* ownerView, const QString& folder, const QString& fileName)> plain;
        /** After a live recording; @p heading empty for the dialog's own (a recording that ended as
         *  asked), else what it says in its place. */
        std::function<void(const QString& caption, const QString& folder, const QString& fileName,
                           int burningDevice, const QString& heading)>
            live;
    };
    /** Installs @p dialogs (empty members: the defaults) and returns the ones replaced. */
    static EndDialogs SetEndDialogs(EndDialogs dialogs);

    /** @p live: the view's recorder, which opens its session in Prepare only. */
    explicit CDlgRecorder(QWidget* parent = nullptr, bool live = false);
    ~CDlgRecorder() override;

    /** Keeps what the recording needs. @p callerText (plain only, may be null) is the script shown
     *  and gets the edited text back when the recorder closes; @p effectsSource (live only) gives
     *  the voice its effects, volume and balance; @p ownerView plays the session (live) and is
     *  handed to the end-of-recording dialog (plain). */
    void Setup(COptions* options, QString* callerText, bool live, double sessionSeconds, QWidget* ownerView,
               CSegment* effectsSource);
    /** Opens the session (device, monitor, queue, effects); live: records at once and asks the
     *  view to play. False after the failing part's message, with nothing left open. */
    bool Prepare();
    /** The view's stop: as the Stop button. @p reason (live only) is why the session stopped
     *  the recording: it is shown once the file is finished, before the end dialog, which then
     *  does not call the recording a success. Empty for a stop the user asked for. */
    void Stop(const QString& reason = QString());
    /** Closes the recorder (ignored while recording). */
    void Close() { OnCancel(); }
    /** Forgets the effects source (the placeholder is about to go). */
    void ReleaseSource();

    // The engine's level window during a live recording (the engine's stream thread).
    void OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept override;
    void OnMixerBlockAt(const float* interleaved, std::uint32_t frames,
                        std::uint64_t sessionFrame) noexcept override;
    void OnMixerClock(const rt::HeardClock* clock) noexcept override;

    // What a test and the screenshot look at.
    int GetStatus() const { return m_status; }
    double GetElapsed() const { return m_elapsed; }
    double GetScrollLength() const { return m_scrollLength; }
    double GetScrollProgress() const { return m_scrollProgress; }
    int GetSelStart() const { return m_selStart; }
    int GetSelEnd() const { return m_selEnd; }
    int GetCharsPerLine() const { return m_charsPerLine; }
    bool IsScrollOn() const { return m_scrollOn; }
    bool IsLive() const { return m_live; }
    const QString& GetFileName() const { return m_fileName; }
    const QString& GetFolder() const { return m_folder; }
    const QFont& GetScriptFont() const { return m_scriptFont; }
    CRecordingSession& Session() { return m_session; }
    QRect TimePanel() const;
    QRect LevelPanel() const;
    /** The meter's rectangle inside the level panel, its border included. */
    QRect MeterRect() const;
    QRect StripRect() const;
    QRect ProgressRect() const;

protected:
    bool OnInitDialog() override;
    void OnPaint(QPainter& painter) override;
    void OnTimer(int id) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    /** Enter makes new lines in the script; it never ends the recorder. */
    void OnOK() override {}
    void OnCancel() override;

private:
    void OnRecord();
    void OnPause();
    void OnSelectFont();
    void UpdateHighlight();
    void UpdateCharsPerLine();
    void PaintTopBar(QPainter& painter);
    void PaintStrip(QPainter& painter);
    void PaintProgress(QPainter& painter);
    void ShowLost();
    void Finish();

    QPixmap m_topBar;
    QPixmap m_panel;
    QPixmap m_meterFill;
    QFont m_timeFont;
    QFont m_labelFont;
    QFont m_smallFont;
    QFont m_scriptFont;

    CHoverButton* m_record = nullptr;
    CHoverButton* m_stop = nullptr;
    CHoverButton* m_pause = nullptr;
    ui::Button* m_pasteText = nullptr;
    ui::Button* m_selectFont = nullptr;
    ui::Button* m_help = nullptr;
    ui::ComboBox* m_speed = nullptr;
    ui::MultiLineEdit* m_script = nullptr;

    QString m_scriptText;
    QString* m_callerText = nullptr;
    bool m_live = false;
    int m_status = dlg::kStatusReady;
    double m_elapsed = 0.0;
    double m_scrollLength = 0.0;
    double m_scrollProgress = 0.0;
    int m_charsPerLine = kInitialCharsPerLine;
    int m_selStart = 0;
    int m_selEnd = 0;
    bool m_scrollOn = false;
    int m_speedIndex = 0;
    QString m_fileName;
    QString m_folder;
    std::uint32_t m_lastTick = 0;
    COptions* m_options = nullptr;
    QPointer<QWidget> m_ownerView;
    CSegment* m_effectsSource = nullptr;
    double m_sessionSeconds = 0.0;
    bool m_resumePending = false;
    double m_level = -1.0; ///< the meter's level, read by the timer
    CRecordingSession m_session;
};

/** Runs the plain recorder modally over @p parent (the main window) with @p script (may be null),
 *  which gets the edited text back; @p ownerView (the view) is the one the end-of-recording dialog
 *  hands the recording to. Returns the dialog's result. UI thread. */
int RunRecorder(QWidget* parent, QWidget* ownerView, COptions* options, QString* script);
