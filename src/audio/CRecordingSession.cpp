#include "audio/CRecordingSession.h"

#include "audio/AudioMessage.h"
#include "audio/COptions.h"
#include "model/CSegment.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

CRecordingSession::CRecordingSession()
    : m_effects(std::make_unique<CEffectsProcessor>()), m_headers(kMaxQueuedBlocks),
      m_sessionBuffer(kMaxBlockFrames), m_outBuffer(kMaxBlockFrames)
{
}

CRecordingSession::~CRecordingSession()
{
    Close();
}

void CRecordingSession::SetEffectsProcessor(std::unique_ptr<CEffectsProcessor> effects)
{
    if (!m_open && effects)
        m_effects = std::move(effects);
}

bool CRecordingSession::Open(const COptions* options, double lengthSeconds, CSegment* effectsSource,
                             DeviceMode mode)
{
    Close();
    static const COptions kDefaults;
    m_options = options != nullptr ? options : &kDefaults;
    m_rate = m_options->GetSampleRate();
    const double total =
        std::isfinite(lengthSeconds) && lengthSeconds > 0.0 ? std::trunc(m_rate * lengthSeconds) : 0.0;
    m_totalFrames = static_cast<std::uint64_t>(std::min(total, 1e15));
    m_exportFormat = m_options->m_exportFormatType;
    m_sampleFormat = m_options->m_exportSampleType;
    m_monitorOn.store(false, std::memory_order_release);
    m_recording.store(false, std::memory_order_release);
    m_paused.store(false, std::memory_order_release);
    m_live.store(false, std::memory_order_release);
    m_writeFailed.store(false, std::memory_order_release);
    m_source.store(nullptr, std::memory_order_release);
    m_lastVolume.store(1.0, std::memory_order_relaxed);
    ResetQueueState();

    m_hasDevice = mode == DeviceMode::Device;
    if (m_hasDevice && !m_device.Start(m_options->m_recordingDevice, m_rate, &RecordProc, this))
        return false;
    m_open = true;
    if (!m_monitor.CreatePushStream(m_rate) || !m_queue.Create(m_rate, 2))
    {
        Close();
        return false;
    }
    if (effectsSource != nullptr)
    {
        const auto& effects = effectsSource->m_effects;
        const bool enhance = effects.m_switch[CEffectsLocal::kEnhance].load(std::memory_order_relaxed);
        const bool reverb = effects.m_switch[CEffectsLocal::kReverb].load(std::memory_order_relaxed);
        const bool echo = effects.m_switch[CEffectsLocal::kEcho].load(std::memory_order_relaxed);
        const bool chorus = effects.m_switch[CEffectsLocal::kChorus].load(std::memory_order_relaxed);
        if (!m_effects->Init(static_cast<int>(m_rate), enhance, reverb, echo, chorus))
        {
            audio::ShowMessage(QString::fromLatin1(kEffectsError));
            Close();
            return false;
        }
        // The property rows and the engine's worker walk the segment's own automatic graphs; the
        // recording walks copies of them, one step a block, so that its new targets come about as
        // often as the engine's (once a second at the default rate).
        const std::uint32_t blocksPerSecond = std::max<std::uint32_t>(2, m_rate / std::max(1u, m_rate / 100));
        for (std::size_t i = 0; i < kPropertyCount; ++i)
        {
            m_walks[i] = PropertyOf(*effectsSource, i).GetAutoGraph();
            m_walks[i].StartWalk(blocksPerSecond);
        }
        m_lastVolume.store(PropertyOf(*effectsSource, kVolume).PeekValueAt(0.0) / 100.0,
                           std::memory_order_relaxed);
        // Published last: the callback, already running, takes the source only once its chain is ready.
        m_source.store(effectsSource, std::memory_order_seq_cst);
    }
    m_monitor.Play();
    return true;
}

void CRecordingSession::SetMonitor(bool on)
{
    m_monitorOn.store(on, std::memory_order_release);
}

void CRecordingSession::SetLive(bool on)
{
    m_live.store(on, std::memory_order_release);
}

bool CRecordingSession::CreateFile(const QString& path)
{
    if (!m_open || IsRecording())
        return false;
    if (!CEncoder::CanCreate(path))
        return false;
    if (!m_encoder.Start(path, 2, m_exportFormat, kCompression, m_sampleFormat, m_rate))
        return false;
    m_droppedAtStart = m_device.DroppedFrames();
    m_sessionLostAtStart = m_sessionLost.load(std::memory_order_relaxed);
    m_voiceLost = 0;
    m_sessionLostInFile = 0;
    m_recordedFrames.store(0, std::memory_order_release);
    m_paused.store(false, std::memory_order_release);
    m_recording.store(true, std::memory_order_seq_cst);
    return true;
}

void CRecordingSession::Pause()
{
    if (!IsRecording() || IsPaused())
        return;
    m_paused.store(true, std::memory_order_release);
    CountLost();
}

void CRecordingSession::Resume()
{
    if (!IsRecording() || !IsPaused())
        return;
    m_droppedAtStart = m_device.DroppedFrames();
    m_sessionLostAtStart = m_sessionLost.load(std::memory_order_relaxed);
    m_paused.store(false, std::memory_order_release);
}

void CRecordingSession::CountLost()
{
    // What the device dropped while the file was being written; while paused nothing is lost.
    const std::uint64_t dropped = m_device.DroppedFrames();
    m_voiceLost += dropped > m_droppedAtStart ? dropped - m_droppedAtStart : 0;
    m_droppedAtStart = dropped;
    const std::uint64_t session = m_sessionLost.load(std::memory_order_relaxed);
    m_sessionLostInFile += session - m_sessionLostAtStart;
    m_sessionLostAtStart = session;
}

double CRecordingSession::GetLostSeconds() const noexcept
{
    if (m_rate == 0)
        return 0.0;
    return static_cast<double>(std::max(m_voiceLost, m_sessionLostInFile)) / m_rate;
}

void CRecordingSession::WaitForBlock() const noexcept
{
    // The block in progress ends within one device period; the next one sees what the caller
    // cleared before this wait.
    while (m_inBlock.load(std::memory_order_seq_cst))
        std::this_thread::yield();
}

bool CRecordingSession::StopRecording()
{
    if (!m_recording.load(std::memory_order_acquire))
    {
        m_monitor.Stop();
        return true;
    }
    if (!IsPaused())
        CountLost();
    m_recording.store(false, std::memory_order_seq_cst);
    WaitForBlock();
    m_monitor.Stop();
    return m_encoder.Stop();
}

void CRecordingSession::ReleaseSource()
{
    m_source.store(nullptr, std::memory_order_seq_cst);
    WaitForBlock();
}

void CRecordingSession::Close()
{
    StopRecording();
    // The device goes first: once Free returns no callback runs, so nothing feeds the monitor
    // or reads the queue while they are freed.
    m_device.Free();
    m_monitor.Close();
    m_queue.Free();
    m_source.store(nullptr, std::memory_order_release);
    if (m_effects->IsRunning())
        m_effects->Terminate();
    m_monitorOn.store(false, std::memory_order_release);
    m_live.store(false, std::memory_order_release);
    m_paused.store(false, std::memory_order_release);
    m_open = false;
    m_hasDevice = false;
}

double CRecordingSession::GetLevel() const
{
    const double level = m_device.GetLevel();
    if (level < 0.0)
        return level;
    if (IsLive() && m_source.load(std::memory_order_acquire) != nullptr)
        return level * m_lastVolume.load(std::memory_order_relaxed);
    return level;
}

// ---- The session's audio (producer thread) ---------------------------------------------------

bool CRecordingSession::Queue(const float* interleaved, std::uint32_t frames, std::uint64_t stamp) noexcept
{
    if (frames == 0)
        return true;
    const std::uint64_t w = m_headerWrite.load(std::memory_order_relaxed);
    const std::uint64_t r = m_headerRead.load(std::memory_order_acquire);
    // The frames go in first and the header after them, so a header the callback sees always
    // has its frames there.
    if (w - r >= m_headers.size() ||
        !m_queue.PutData(reinterpret_cast<const CStereoFrame*>(interleaved), frames))
    {
        m_sessionLost.fetch_add(frames, std::memory_order_relaxed);
        return false;
    }
    m_headers[w % m_headers.size()] = {stamp, frames};
    m_headerWrite.store(w + 1, std::memory_order_release);
    return true;
}

bool CRecordingSession::PushSessionFrames(const CStereoFrame* frames, std::uint32_t count) noexcept
{
    return Queue(reinterpret_cast<const float*>(frames), count, kNoStamp);
}

void CRecordingSession::OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept
{
    if (IsLive())
        Queue(interleaved, frames, kNoStamp);
}

void CRecordingSession::OnMixerBlockAt(const float* interleaved, std::uint32_t frames,
                                       std::uint64_t sessionFrame) noexcept
{
    if (IsLive())
        Queue(interleaved, frames, sessionFrame);
}

void CRecordingSession::OnMixerClock(const rt::HeardClock* clock) noexcept
{
    m_clock.store(clock, std::memory_order_seq_cst);
    if (clock == nullptr)
        while (m_clockBusy.load(std::memory_order_seq_cst))
            std::this_thread::yield();
}

// ---- The callback (recording thread) ---------------------------------------------------------

int CRecordingSession::RecordProc(CRecorder*, void* buffer, std::uint32_t length, void* user)
{
    auto* session = static_cast<CRecordingSession*>(user);
    auto* block = static_cast<CStereoFrame*>(buffer);
    std::uint32_t frames = length / sizeof(CStereoFrame);
    while (frames > 0)
    {
        const std::uint32_t n = std::min(frames, kMaxBlockFrames);
        if (session->ProcessBlock(block, n) == 0)
            return 0;
        block += n;
        frames -= n;
    }
    return 1;
}

CSmartProperty& CRecordingSession::PropertyOf(CSegment& segment, std::size_t index) noexcept
{
    switch (index)
    {
    case kVolume:
        return segment.m_volume;
    case kBalance:
        return segment.m_balance;
    default:
        return segment.m_effects.m_level[index];
    }
}

double CRecordingSession::ValueAt(CSegment& segment, std::size_t index, double t) noexcept
{
    // Constants and graphs are read as they are now, so that an edit during the recording is
    // heard; a walk is the recording's own.
    const CSmartProperty& property = PropertyOf(segment, index);
    if (property.GetMode() == CSmartProperty::kModeAutoGraph)
        return m_walks[index].NextValue();
    return property.PeekValueAt(t);
}

void CRecordingSession::ApplySource(CSegment& segment, CStereoFrame* block, std::uint32_t frames) noexcept
{
    const std::uint64_t recorded = m_recordedFrames.load(std::memory_order_relaxed);
    const double t =
        m_totalFrames > 0 ? static_cast<double>(recorded) / static_cast<double>(m_totalFrames) : 0.0;
    m_effects->SetEnhanceLevel(ValueAt(segment, kEnhance, t) / 100.0);
    m_effects->SetReverbLevel(ValueAt(segment, kReverb, t) / 100.0);
    m_effects->SetEchoLevel(ValueAt(segment, kEcho, t) / 100.0);
    m_effects->SetChorusLevel(ValueAt(segment, kChorus, t) / 100.0);
    const double volume = ValueAt(segment, kVolume, t) / 100.0;
    const double balance = ValueAt(segment, kBalance, t) / 100.0;
    m_lastVolume.store(volume, std::memory_order_relaxed);
    m_effects->Process(block, frames);
    const auto left = static_cast<float>(volume * (balance < 0.5 ? 1.0 : 2.0 * (1.0 - balance)));
    const auto right = static_cast<float>(volume * (balance > 0.5 ? 1.0 : 2.0 * balance));
    CStereoFrame* out = m_outBuffer.data();
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        block[i].left *= left;
        block[i].right *= right;
        out[i] = block[i];
    }
}

int CRecordingSession::ProcessBlock(CStereoFrame* block, std::uint32_t frames) noexcept
{
    frames = std::min(frames, kMaxBlockFrames);
    m_inBlock.store(true, std::memory_order_seq_cst);
    if (CSegment* source = m_source.load(std::memory_order_seq_cst))
        ApplySource(*source, block, frames);
    else
        std::memcpy(m_outBuffer.data(), block, std::size_t{frames} * sizeof(CStereoFrame));

    // The monitor gets the processed voice alone: the listener hears the session already.
    if (m_monitorOn.load(std::memory_order_acquire))
        m_monitor.PutData(m_outBuffer.data(), frames * sizeof(CStereoFrame));

    if (!m_recording.load(std::memory_order_seq_cst) || m_paused.load(std::memory_order_acquire))
    {
        m_inBlock.store(false, std::memory_order_release);
        return 1;
    }
    m_recordedFrames.fetch_add(frames, std::memory_order_release);
    if (m_live.load(std::memory_order_acquire))
        MixSession(frames);
    const bool written = m_encoder.Write(m_outBuffer.data(), frames);
    if (!written)
        m_writeFailed.store(true, std::memory_order_release);
    m_inBlock.store(false, std::memory_order_release);
    return written ? 1 : 0;
}

bool CRecordingSession::NextHeader() noexcept
{
    const std::uint64_t r = m_headerRead.load(std::memory_order_relaxed);
    if (r == m_headerWrite.load(std::memory_order_acquire))
        return false;
    const BlockHeader header = m_headers[r % m_headers.size()];
    m_headerRead.store(r + 1, std::memory_order_release);
    m_readStamp = header.stamp;
    m_readLeft = header.frames;
    if (m_firstStamp == kNoStamp)
        m_firstStamp = header.stamp;
    return true;
}

std::uint64_t CRecordingSession::Discard(std::uint64_t frames) noexcept
{
    std::uint64_t done = 0;
    while (done < frames && (m_readLeft > 0 || NextHeader()))
    {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>({frames - done, m_readLeft, kMaxBlockFrames}));
        const std::uint32_t got = m_queue.GetData(m_sessionBuffer.data(), n);
        m_readLeft -= got;
        if (m_readStamp != kNoStamp)
            m_readStamp += got;
        done += got;
        if (got < n)
            break;
    }
    return done;
}

bool CRecordingSession::Align(std::uint64_t heard, std::uint32_t frames) noexcept
{
    if (heard > m_lastHeard && m_lastHeard != 0)
    {
        const std::uint64_t step = heard - m_lastHeard;
        m_heardStep = m_heardStep == 0 ? step : std::min(m_heardStep, step);
    }
    m_lastHeard = heard;
    if (m_readLeft == 0 && !NextHeader())
        return true; // nothing queued: the voice alone
    if (m_readStamp == kNoStamp)
        return true;
    if (!m_aligned && heard <= m_firstStamp)
        return false; // the session is not heard yet: nothing of it belongs in the file

    const std::uint64_t step = m_heardStep != 0 ? m_heardStep : frames;
    // The block was recorded before the frames the device has recorded since, when the listener
    // was that much earlier in the session.
    const std::uint32_t since = m_hasDevice ? m_device.QueuedFrames() : 0;
    const double wanted = static_cast<double>(heard) + 0.5 * static_cast<double>(step) - frames - since;
    const double at = static_cast<double>(m_readStamp) + static_cast<double>(m_pendingSkip) -
                      static_cast<double>(m_pendingSilence);
    const double error = at - wanted; // > 0: the queue is early, < 0: late
    double correct = 0.0;
    if (!m_aligned)
    {
        correct = error;
        m_aligned = true;
        m_averageError = 0.0;
    }
    else
    {
        m_averageError += 0.1 * (error - m_averageError);
        if (std::abs(m_averageError) > m_rate / 100.0)
        {
            correct = m_averageError;
            m_averageError = 0.0;
        }
    }
    const auto amount = static_cast<std::uint64_t>(std::llround(std::abs(correct)));
    if (correct > 0.0)
    {
        const std::uint64_t cancel = std::min(amount, m_pendingSkip);
        m_pendingSkip -= cancel;
        m_pendingSilence += amount - cancel;
    }
    else if (correct < 0.0)
    {
        const std::uint64_t cancel = std::min(amount, m_pendingSilence);
        m_pendingSilence -= cancel;
        m_pendingSkip += amount - cancel;
    }
    return true;
}

void CRecordingSession::MixSession(std::uint32_t frames) noexcept
{
    std::uint64_t heard = 0;
    m_clockBusy.store(true, std::memory_order_seq_cst);
    const rt::HeardClock* clock = m_clock.load(std::memory_order_seq_cst);
    if (clock != nullptr)
        heard = clock->HeardFrame();
    m_clockBusy.store(false, std::memory_order_release);
    if (clock != nullptr && !Align(heard, frames))
        return;

    if (m_pendingSkip > 0)
        m_pendingSkip -= Discard(m_pendingSkip);
    std::uint32_t at = static_cast<std::uint32_t>(std::min<std::uint64_t>(m_pendingSilence, frames));
    m_pendingSilence -= at;
    CStereoFrame* out = m_outBuffer.data();
    while (at < frames && (m_readLeft > 0 || NextHeader()))
    {
        const std::uint32_t want = std::min(frames - at, m_readLeft);
        const std::uint32_t got = m_queue.GetData(m_sessionBuffer.data() + at, want);
        // Summed as they are: the encoder's integer formats saturate.
        for (std::uint32_t i = at; i < at + got; ++i)
        {
            out[i].left += m_sessionBuffer[i].left;
            out[i].right += m_sessionBuffer[i].right;
        }
        m_readLeft -= got;
        if (m_readStamp != kNoStamp)
            m_readStamp += got;
        at += got;
        if (got < want)
            break;
    }
}

void CRecordingSession::ResetQueueState() noexcept
{
    m_headerRead.store(0, std::memory_order_relaxed);
    m_headerWrite.store(0, std::memory_order_relaxed);
    m_sessionLost.store(0, std::memory_order_relaxed);
    m_readStamp = kNoStamp;
    m_readLeft = 0;
    m_firstStamp = kNoStamp;
    m_aligned = false;
    m_pendingSilence = 0;
    m_pendingSkip = 0;
    m_averageError = 0.0;
    m_lastHeard = 0;
    m_heardStep = 0;
}
