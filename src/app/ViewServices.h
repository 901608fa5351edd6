#pragma once
/** @brief What the view drives besides its panes, each behind a small interface: the playback
 *  engine, the audio layer's start-up, the help window, the live recorder, the countdown and the
 *  automatic update check.
 *
 * The program uses the real engine, audio layer, help window, recorder, countdown and update
 * check (main installs the update check; without one none runs). Tests put doubles in each place.
 * UI thread only. */

#include <QString>

#include <functional>
#include <memory>
#include <span>

class CDlgHelp;
class CMixer;
class COptions;
class CSegment;
class QWidget;
struct CPlaybackParams;

namespace rt
{
class MixerBlockSink;
}

namespace shell
{

/** The engine's control and read-outs, as the view uses them. */
class PlaybackEngine
{
public:
    virtual ~PlaybackEngine() = default;
    virtual bool Play(CPlaybackParams& params, rt::MixerBlockSink* levelWindow) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
    /** Seconds of the session that the listener has heard. */
    virtual double GetPosition() const = 0;
    virtual void GetLevels(double& left, double& right) const = 0;
    virtual void GetSpectrum(std::span<double> bands) const = 0;
    virtual double GetCpuLoad() const = 0;
    /** Keeps the files a playback of @p params would play from memory decoded, so that its
     *  Play starts at once; an engine without such a store does nothing. */
    virtual void KeepLoops(const CPlaybackParams& params) { (void)params; }
};

/** The engine over a CMixer. */
class MixerEngine : public PlaybackEngine
{
public:
    explicit MixerEngine(CMixer& mixer) : m_mixer(mixer) {}
    bool Play(CPlaybackParams& params, rt::MixerBlockSink* levelWindow) override;
    void Stop() override;
    bool IsPlaying() const override;
    double GetPosition() const override;
    void GetLevels(double& left, double& right) const override;
    void GetSpectrum(std::span<double> bands) const override;
    double GetCpuLoad() const override;
    void KeepLoops(const CPlaybackParams& params) override;

private:
    CMixer& m_mixer;
};

/** Starting and freeing the output device. */
class AudioLayer
{
public:
    virtual ~AudioLayer() = default;
    /** Empty when the libraries are fine, else the text of the first problem. */
    virtual QString CheckVersions();
    /** Opens output device @p device (-1 the default); false when there is none to open. */
    virtual bool Initialize(int device);
    /** Frees the device opened at start-up (whether or not it opened). */
    virtual void Free();
};

/** The help window: modeless, hidden until asked for. */
class HelpWindow
{
public:
    virtual ~HelpWindow() = default;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    virtual void ShowTopic(const QString& topic) = 0;
};

/** The help window over the help dialog, created modeless over @p parent (the view). */
class HelpDialogWindow : public HelpWindow
{
public:
    explicit HelpDialogWindow(QWidget* parent);
    ~HelpDialogWindow() override;
    void Show() override;
    void Hide() override;
    bool IsVisible() const override;
    void ShowTopic(const QString& topic) override;
    CDlgHelp& Dialog() const { return *m_dialog; }

private:
    std::unique_ptr<CDlgHelp> m_dialog;
};

/** The recorder window a live recording runs in: modeless and hidden until a live recording. */
class LiveRecorder
{
public:
    virtual ~LiveRecorder() = default;
    /** Everything the recording needs; @p effectsSource is the live placeholder whose effects,
     *  volume and balance the recording takes. */
    virtual void Setup(COptions* options, const QString& script, bool live, double sessionSeconds,
                       QWidget* owner, CSegment* effectsSource) = 0;
    /** Opens the input and starts; on success the recorder asks the view to play with itself as
     *  the level window. False (the recorder has said why) when it cannot record. */
    virtual bool Prepare() = 0;
    /** Finishes the file after a live recording ended. @p reason is empty when the user or the
     *  session's end stopped it, else why the session stopped: the recorder shows it before it
     *  offers the file, and offers it without calling it a success. */
    virtual void Stop(const QString& reason) = 0;
    /** Closes the window without keeping anything (its cancel path). */
    virtual void Close() = 0;
    /** Forgets the effects source (the placeholder is about to go). */
    virtual void ReleaseSource() = 0;
};

/** The weekly update check, run once after start-up. */
class UpdateCheck
{
public:
    virtual ~UpdateCheck() = default;
    virtual bool IsDue() = 0;
    /** Checks, offers a newer version and schedules the next check; never blocks for long. */
    virtual void RunAutomatic(QWidget* owner) = 0;
};

struct ViewServices
{
    /** Null: the document's mixer. */
    PlaybackEngine* engine = nullptr;
    /** Null: the program's audio layer. */
    AudioLayer* audio = nullptr;
    /** Makes the help window (null: the help dialog). */
    std::function<std::unique_ptr<HelpWindow>(QWidget* parent)> makeHelpWindow;
    /** Makes the live recorder (null: the recorder dialog). */
    std::function<std::unique_ptr<LiveRecorder>(QWidget* parent)> makeRecorder;
    /** Runs the countdown before a live recording; IDOK to go on (null: the countdown dialog,
     *  run through the modal seam). */
    std::function<int(QWidget* owner)> runCountdown;
    /** Null: no automatic check. */
    UpdateCheck* updateCheck = nullptr;
};

} // namespace shell
