#pragma once
// Doubles for what the view drives (engine, audio layer, help window, recorder, update check)
// and a view over a real document built from them.

#include "app/CVornaView.h"
#include "app/ViewServices.h"
#include "audio/COptions.h"
#include "audio/CPlaybackParams.h"
#include "audio/MixerEvents.h"
#include "model/CVornaDoc.h"
#include "support/FakeUi.h"

#include <QObject>

#include <memory>
#include <string>
#include <vector>

namespace apptest
{

/** Calls the doubles saw, in order, across all of them (for the close order). */
using CallLog = std::vector<std::string>;

class FakeEngine : public shell::PlaybackEngine
{
public:
    explicit FakeEngine(CallLog* log = nullptr) : m_log(log) {}
    std::vector<CPlaybackParams> plays;
    rt::MixerBlockSink* lastLevelWindow = nullptr;
    int stops = 0;
    bool playing = false;
    double position = 0.0;
    double left = 0.0;
    double right = 0.0;

    bool Play(CPlaybackParams& params, rt::MixerBlockSink* levelWindow) override
    {
        plays.push_back(params);
        lastLevelWindow = levelWindow;
        playing = true;
        Log("engine.Play");
        return true;
    }
    void Stop() override
    {
        ++stops;
        playing = false;
        Log("engine.Stop");
    }
    bool IsPlaying() const override { return playing; }
    double GetPosition() const override { return position; }
    void GetLevels(double& l, double& r) const override
    {
        l = left;
        r = right;
    }
    void GetSpectrum(std::span<double> bands) const override
    {
        for (double& b : bands)
            b = playing ? 0.5 : 0.0;
    }
    double GetCpuLoad() const override { return 0.1; }
    std::vector<CPlaybackParams> keeps;
    void KeepLoops(const CPlaybackParams& params) override { keeps.push_back(params); }

private:
    void Log(const char* what)
    {
        if (m_log)
            m_log->push_back(what);
    }
    CallLog* m_log;
};

class FakeAudio : public shell::AudioLayer
{
public:
    explicit FakeAudio(CallLog* log = nullptr) : m_log(log) {}
    QString versionProblem;
    bool initializes = true;
    std::vector<int> devices;
    int frees = 0;
    QString CheckVersions() override { return versionProblem; }
    bool Initialize(int device) override
    {
        devices.push_back(device);
        return initializes;
    }
    void Free() override
    {
        ++frees;
        if (m_log)
            m_log->push_back("audio.Free");
    }

private:
    CallLog* m_log;
};

class FakeHelp : public shell::HelpWindow
{
public:
    bool visible = false;
    int shows = 0;
    std::vector<QString> topics;
    void Show() override
    {
        visible = true;
        ++shows;
    }
    void Hide() override { visible = false; }
    bool IsVisible() const override { return visible; }
    void ShowTopic(const QString& topic) override { topics.push_back(topic); }
};

/** A recorder whose Prepare starts the session with itself as the level window, as the real one. */
class FakeRecorder : public QObject, public shell::LiveRecorder, public rt::MixerBlockSink
{
public:
    explicit FakeRecorder(CallLog* log = nullptr) : m_log(log) {}
    bool prepares = true;
    int setups = 0;
    int stops = 0;
    std::vector<QString> stopReasons;
    int closes = 0;
    CSegment* source = nullptr;
    bool live = false;
    double sessionSeconds = 0.0;
    QWidget* owner = nullptr;

    void Setup(COptions*, const QString&, bool isLive, double seconds, QWidget* ownerWindow,
               CSegment* effectsSource) override
    {
        ++setups;
        live = isLive;
        sessionSeconds = seconds;
        owner = ownerWindow;
        source = effectsSource;
    }
    bool Prepare() override
    {
        if (!prepares)
            return false;
        if (auto* view = dynamic_cast<ui::ViewMessages*>(owner))
            view->Play(false, this);
        return true;
    }
    void Stop(const QString& reason) override
    {
        ++stops;
        stopReasons.push_back(reason);
        if (m_log)
            m_log->push_back("recorder.Stop");
    }
    void Close() override
    {
        ++closes;
        if (m_log)
            m_log->push_back("recorder.Close");
    }
    void ReleaseSource() override { source = nullptr; }
    void OnMixerBlock(const float*, std::uint32_t) noexcept override {}

private:
    CallLog* m_log;
};

class FakeUpdateCheck : public shell::UpdateCheck
{
public:
    bool due = false;
    int runs = 0;
    bool IsDue() override { return due; }
    void RunAutomatic(QWidget*) override { ++runs; }
};

/** A view over a real new session with every double in place; not shown. */
struct ViewFixture
{
    explicit ViewFixture(int width = 1276, int height = 796);
    ~ViewFixture();

    /** Sends an application message to the view. */
    ui::LResult Send(unsigned message, ui::WParam w = 0, ui::LParam l = 0)
    {
        return ui::SendMessage(view.get(), message, w, l);
    }

    CallLog log;
    vtest::FakeUi fakeUi;
    COptions options;
    CVornaDoc doc;
    FakeEngine engine{&log};
    FakeAudio audio{&log};
    FakeHelp* help = nullptr;         // owned by the view
    FakeRecorder* recorder = nullptr; // owned by the view
    FakeUpdateCheck updates;
    int countdownAnswer = ui::IDOK;
    int countdowns = 0;
    std::unique_ptr<CVornaView> view;
};

} // namespace apptest
