#include "audio/CStreamPlayer.h"

#include "audio/AudioMessage.h"
#include "audio/CStereoFrame.h"
#include "platform/audio/AudioSystem.h"

#include <algorithm>
#include <cmath>
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
    m_fileFrames = decoder->Length();
    m_fileRate = info.rate;
    m_playedAll.reset();
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

int CStreamPlayer::MillisecondsToEnd()
{
    if (!m_stream || m_decoder == nullptr || m_fileRate == 0)
        return 0;
    const std::uint64_t played = m_stream->PlayedFrames();
    const double latencyMs = 1000.0 * m_stream->LatencyFrames() / m_fileRate;
    if (played < m_fileFrames && m_stream->IsActive())
        return static_cast<int>(std::ceil(1000.0 * double(m_fileFrames - played) / m_fileRate + latencyMs));
    const auto now = std::chrono::steady_clock::now();
    if (!m_playedAll)
        m_playedAll = now;
    const double heardMs = std::chrono::duration<double, std::milli>(now - *m_playedAll).count();
    return std::max(0, static_cast<int>(std::ceil(latencyMs - heardMs)));
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
    m_fileFrames = 0;
    m_fileRate = 0;
    m_playedAll.reset();
    return true;
}
