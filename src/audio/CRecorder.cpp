#include "audio/CRecorder.h"

#include "audio/AudioMessage.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace
{

std::atomic<double> g_inputLevel{1.0};

double HeldLevel(double volume)
{
    return volume >= 0.0 ? std::min(volume, 1.0) : 0.0; // NaN too gives 0
}

} // namespace

CRecorder::~CRecorder()
{
    Free();
}

QString CRecorder::Hints()
{
    return QStringLiteral(
        "\n\nPlease check the settings of your recording device in the system's sound settings."
        "\n\nIn addition, please check the connection of the microphone to the computer.");
}

bool CRecorder::Start(int device, unsigned rate, RecordProc proc, void* user)
{
    Free();
    m_requestedDevice = device;
    m_proc = proc;
    m_user = user;
    // One 10 ms block; a longer one is handed on in pieces of this size.
    m_block.assign(static_cast<std::size_t>(std::max(1u, rate / 100)) * 2, 0.0f);

    plat::AudioInput::Failure failure = plat::AudioInput::Failure::Init;
    if (proc && rate > 0)
        m_input = plat::AudioInput::Start(
            device, rate, [this](const float* frames, std::uint32_t count) { return Deliver(frames, count); },
            &failure);
    if (!m_input)
    {
        const char* text =
            failure == plat::AudioInput::Failure::Device  ? "Failed to get the recording device."
            : failure == plat::AudioInput::Failure::Start ? "Failed to start the recording device."
                                                          : "Failed to initialize the recorder.";
        audio::ShowMessage(QString::fromLatin1(text) + Hints());
        return false;
    }
    m_deviceInUse = m_input->DeviceInUse();
    m_input->SetVolume(g_inputLevel.load());
    return true;
}

bool CRecorder::Deliver(const float* frames, std::uint32_t count)
{
    const auto room = static_cast<std::uint32_t>(m_block.size() / 2);
    for (std::uint32_t at = 0; at < count;)
    {
        const std::uint32_t n = std::min(room, count - at);
        std::memcpy(m_block.data(), frames + static_cast<std::size_t>(at) * 2, n * 2 * sizeof(float));
        if (m_proc(this, m_block.data(), n * 8, m_user) == 0)
            return false;
        at += n;
    }
    return true;
}

bool CRecorder::Free()
{
    m_input.reset();
    m_deviceInUse = -1;
    return true;
}

bool CRecorder::SetInputLevel(double volume)
{
    if (!m_input)
        return false;
    const double level = HeldLevel(volume);
    g_inputLevel = level;
    return m_input->SetVolume(level);
}

void CRecorder::SetStartLevel(double volume)
{
    g_inputLevel = HeldLevel(volume);
}

double CRecorder::GetLevel() const
{
    if (!m_input)
        return -1.0;
    return std::clamp(m_input->GetLevel().left / 32768.0, 0.0, 1.0);
}

std::uint64_t CRecorder::DroppedFrames() const
{
    return m_input ? m_input->DroppedFrames() : 0;
}

std::uint32_t CRecorder::QueuedFrames() const
{
    return m_input ? m_input->QueuedFrames() : 0;
}
