#include "app/ViewServices.h"

#include "audio/CMixer.h"
#include "dialogs/session/CDlgHelp.h"
#include "platform/audio/AudioSystem.h"

namespace shell
{

bool MixerEngine::Play(CPlaybackParams& params, rt::MixerBlockSink* levelWindow)
{
    return m_mixer.Play(params, levelWindow);
}

void MixerEngine::Stop()
{
    m_mixer.Stop();
}

void MixerEngine::KeepLoops(const CPlaybackParams& params)
{
    m_mixer.KeepLoops(params);
}

bool MixerEngine::IsPlaying() const
{
    return m_mixer.IsPlaying();
}

double MixerEngine::GetPosition() const
{
    // What the device has played minus its latency: the play line, the status time, the pause
    // position and a live recording line up with what the listener hears.
    return m_mixer.GetHeardPosition();
}

void MixerEngine::GetLevels(double& left, double& right) const
{
    m_mixer.GetLevels(left, right);
}

void MixerEngine::GetSpectrum(std::span<double> bands) const
{
    m_mixer.GetSpectrum(bands);
}

double MixerEngine::GetCpuLoad() const
{
    return m_mixer.GetCpuLoad();
}

QString AudioLayer::CheckVersions()
{
    return plat::AudioSystem::CheckVersions();
}

bool AudioLayer::Initialize(int device)
{
    return plat::AudioSystem::Initialize(device);
}

void AudioLayer::Free()
{
    plat::AudioSystem::Shutdown();
}

HelpDialogWindow::HelpDialogWindow(QWidget* parent) : m_dialog(std::make_unique<CDlgHelp>())
{
    m_dialog->Create(parent);
}

HelpDialogWindow::~HelpDialogWindow() = default;

void HelpDialogWindow::Show()
{
    m_dialog->show();
}

void HelpDialogWindow::Hide()
{
    m_dialog->hide();
}

bool HelpDialogWindow::IsVisible() const
{
    return m_dialog->isVisible();
}

void HelpDialogWindow::ShowTopic(const QString& topic)
{
    m_dialog->ShowTopic(topic);
}

} // namespace shell
