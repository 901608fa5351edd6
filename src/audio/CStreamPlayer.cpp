#include "audio/CStreamPlayer.h"

#include "audio/AudioMessage.h"
#include "audio/CStereoFrame.h"
#include "platform/audio/AudioSystem.h"

#include <thread>

CStreamPlayer::~CStreamPlayer()
{
    Close();
}

bool CStreamPlayer::OpenFile(const QString& path, bool report)
{
    Close();
    plat::SoundDecoder::Info info;
    auto decoder = std::make_unique<plat::SoundDecoder>();
    // At the file's own rate: the device plays it as it is, without resampling.
    if (plat::SoundDecoder::ReadInfo(path, info) && decoder->Open(path, info.rate, false))
    {
        plat::SoundDecoder* d = decoder.get();
        m_stream =
            plat::AudioOutput::CreateWithProcedure(info.rate,
                                                   [d](float* out, std::uint32_t count)
                                                   {
                                                       const std::uint32_t n = d->Read(out, count);
                                                       return n < count ? n | plat::AudioOutput::kEnd : n;
                                                   });
    }
    if (!m_stream)
    {
        if (report)
            audio::ShowMessage(QStringLiteral("Failed to create play file stream."));
        return false;
    }
    m_length = static_cast<double>(decoder->Length()) / info.rate;
    m_decoder = std::move(decoder);
    return true;
}

bool CStreamPlayer::CreatePushStream(unsigned rate)
{
    Close();
    m_stream = plat::AudioOutput::CreatePush(rate);
    if (!m_stream)
    {
        audio::ShowMessage(QStringLiteral("Failed to create playback stream."));
        return false;
    }
    m_push.store(m_stream.get(), std::memory_order_release);
    const int minBufferMs = plat::AudioSystem::MinBufferMs();
    if (minBufferMs < 0)
        return true;
    const auto target = static_cast<std::uint32_t>((minBufferMs / 1000.0 + 0.01) * rate);
    const auto deadline = std::chrono::steady_clock::now() + kPrebufferDeadline;
    int idlePolls = 0;
    while (m_stream->QueuedFrames() < target && std::chrono::steady_clock::now() < deadline)
    {
        if (m_stream->QueuedFrames() == 0 && ++idlePolls >= kIdlePolls)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool CStreamPlayer::PutData(const void* data, std::uint32_t bytes)
{
    plat::AudioOutput* push = m_push.load(std::memory_order_acquire);
    if (!push)
        return false;
    return push->PutData(static_cast<const float*>(data), bytes / sizeof(CStereoFrame)) >= 0;
}

bool CStreamPlayer::Play()
{
    return m_stream ? m_stream->Play() : false;
}

bool CStreamPlayer::Stop()
{
    return m_stream ? m_stream->Stop() : false;
}

bool CStreamPlayer::IsPlaying() const
{
    return m_stream && m_stream->IsActive();
}

double CStreamPlayer::GetLength() const
{
    return m_length;
}

bool CStreamPlayer::Close()
{
    if (!m_stream)
        return false;
    m_push.store(nullptr, std::memory_order_release);
    m_stream->Stop();
    m_stream.reset(); // joins the update thread before the decoder goes
    m_decoder.reset();
    m_length = 0.0;
    return true;
}
