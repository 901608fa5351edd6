#include "platform/audio/SoundDecoder.h"

#include <QFile>

#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace plat
{
namespace
{

struct FileCloser
{
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct SoxrDeleter
{
    void operator()(soxr_t s) const { soxr_delete(s); }
};
using FilePtr = std::unique_ptr<SNDFILE, FileCloser>;
using SoxrPtr = std::unique_ptr<soxr, SoxrDeleter>;

constexpr std::uint32_t kChunk = 4096;          // source frames decoded at a time
constexpr std::uint64_t kMaxAlignFrames = 4096; // most target frames a seek decodes to align

// A compressed file holds far fewer frames than this per byte: a count above it (or unknown,
// as a truncated OGG reports it) is not the file's.
constexpr std::uint64_t kMostFramesPerByte = 4096;

// Counts the frames by decoding them all and goes back to the start; false when the file
// cannot be read through or rewound.
bool CountFrames(SNDFILE* f, const SF_INFO& info, sf_count_t& frames)
{
    std::vector<float> chunk(static_cast<std::size_t>(kChunk) * static_cast<std::size_t>(info.channels));
    frames = 0;
    for (;;)
    {
        const sf_count_t got = sf_readf_float(f, chunk.data(), kChunk);
        if (got <= 0)
            break;
        frames += got;
    }
    return sf_seek(f, 0, SEEK_SET) == 0;
}

FilePtr OpenFile(const QString& path, SF_INFO& info)
{
    std::memset(&info, 0, sizeof info);
    if (path.isEmpty())
        return nullptr;
    // Only regular files: opening a named pipe or a device blocks until someone writes to it,
    // and the caller (a generator's Init, or a stop waiting for it) would hang with it.
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    FilePtr f(sf_open(name.constData(), SFM_READ, &info));
    if (!f || info.samplerate <= 0 || info.channels <= 0)
        return nullptr;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (info.frames < 0 || static_cast<std::uint64_t>(info.frames) / kMostFramesPerByte > size)
    {
        // The decodable part plays: the length is what decoding finds.
        sf_count_t counted = 0;
        if (!CountFrames(f.get(), info, counted))
            return nullptr;
        info.frames = counted;
    }
    return f;
}

// Decoded stereo frames: room for kChunk frames or more, @p frames of them filled.
struct Chunk
{
    std::vector<float> samples;
    std::uint32_t frames = 0;
};

class ReadAhead
{
public:
    // Starts the thread; @p decode fills the stereo chunk it is given and returns its frames.
    // Throws std::system_error when no thread can be made.
    explicit ReadAhead(std::function<std::uint32_t(float*)> decode) : m_decode(std::move(decode))
    {
        for (Chunk& slot : m_slots)
            slot.samples.assign(static_cast<std::size_t>(kChunk) * 2, 0.0f);
        m_thread = std::thread([this] { Run(); });
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead()
    {
        if (m_thread.joinable())
            Stop();
    }

    // The next slot's frames into @p into (swapped with the slot's buffer, which @p into's
    // takes: it must hold kChunk frames at least); returns their count, 0 once the stream has
    // ended.
    std::uint32_t Pop(std::vector<float>& into)
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return m_count > 0 || m_ended; });
        if (m_count == 0)
            return 0;
        Chunk& slot = m_slots[m_head];
        into.swap(slot.samples);
        const std::uint32_t frames = slot.frames;
        m_head = (m_head + 1) % kSlots;
        --m_count;
        lock.unlock();
        m_room.notify_one();
        return frames;
    }

    // Stops the thread once the chunk it is decoding is in, and hands back the chunks decoded
    // but not taken, in order: the file has moved past them.
    std::deque<Chunk> Stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_room.notify_one();
        m_thread.join();
        std::deque<Chunk> rest;
        for (std::size_t i = 0; i < m_count; ++i)
            rest.push_back(std::move(m_slots[(m_head + i) % kSlots]));
        m_count = 0;
        return rest;
    }

private:
    static constexpr std::size_t kSlots = 4;
    static constexpr std::uint32_t kSlotChunks = 8;

    void Run()
    {
        for (;;)
        {
            std::vector<float> buffer;
            {
                std::unique_lock lock(m_mutex);
                m_room.wait(lock, [this] { return m_stop || m_count < kSlots; });
                if (m_stop)
                    return;
                // The free slot stays the same while the other thread takes chunks: taking
                // one moves the head on by one and the count back by one.
                buffer.swap(m_slots[(m_head + m_count) % kSlots].samples);
            }
            // The buffer the other thread gave back for it may be its first, smaller one.
            buffer.resize(static_cast<std::size_t>(kChunk) * kSlotChunks * 2);
            // Whole chunks until the slot is full: a chunk may come back short (the last
            // one before a loop's wrap), and only one of 0 frames is the end.
            const std::size_t room = buffer.size() / 2;
            std::uint32_t frames = 0;
            bool ended = false;
            while (!ended && frames + kChunk <= room)
            {
                const std::uint32_t got = m_decode(buffer.data() + static_cast<std::size_t>(frames) * 2);
                frames += got;
                ended = got == 0;
            }
            {
                const std::lock_guard lock(m_mutex);
                Chunk& slot = m_slots[(m_head + m_count) % kSlots];
                slot.samples.swap(buffer);
                slot.frames = frames;
                if (frames > 0)
                    ++m_count;
                m_ended = ended;
            }
            m_ready.notify_one();
            if (ended)
                return;
        }
    }

    std::function<std::uint32_t(float*)> m_decode;
    std::mutex m_mutex;
    std::condition_variable m_ready; // a slot is filled, or the stream has ended
    std::condition_variable m_room;  // a slot is free, or Stop
    std::array<Chunk, kSlots> m_slots;
    std::size_t m_head = 0;  // guarded by m_mutex, as are the three below
    std::size_t m_count = 0; // slots filled and not taken
    bool m_ended = false;
    bool m_stop = false;
    std::thread m_thread; // last: starts once the rest is made
};

// frames x to / from without overflow (a header can claim up to 2^63 frames), rounded down and
// held at UINT64_MAX. Exact for rates below 2^32: the remainder's product stays below 2^64.
std::uint64_t ScaleFrames(std::uint64_t frames, std::uint64_t to, std::uint64_t from)
{
    const std::uint64_t whole = frames / from;
    const std::uint64_t part = frames % from * to / from;
    if (to != 0 && whole > (UINT64_MAX - part) / to)
        return UINT64_MAX;
    return whole * to + part;
}

} // namespace

struct SoundDecoder::Impl
{
    FilePtr file;
    SoxrPtr soxr;
    Info source;
    unsigned target = 0;
    bool loop = false;
    std::uint64_t length = 0;
    std::uint64_t position = 0; // target frames delivered since the start (not looping)
    bool endOfFile = false;
    std::vector<float> raw;   // kChunk frames of the file's channels, unless it is stereo
    std::vector<float> input; // the same frames as stereo
    std::vector<float> dropped = std::vector<float>(static_cast<std::size_t>(kChunk) * 2);
    std::uint32_t inputAt = 0;
    std::uint32_t inputLeft = 0;
    std::deque<Chunk> ahead; // decoded by a read-ahead past the read that started it
    bool readAhead = false;

    // Up to @p frames frames of the file into @p into (the file's channels); a looping decoder
    // starts over at the end of the file. 0 at the end, and then on every later call.
    std::uint32_t Decode(float* into, std::uint32_t frames)
    {
        if (endOfFile)
            return 0;
        sf_count_t got = sf_readf_float(file.get(), into, frames);
        if (got <= 0 && loop && sf_seek(file.get(), 0, SEEK_SET) == 0)
            got = sf_readf_float(file.get(), into, frames); // still 0: an empty file
        if (got <= 0)
        {
            endOfFile = true;
            return 0;
        }
        return static_cast<std::uint32_t>(got);
    }

    // Decodes the next chunk of the file into @p stereo (kChunk frames of room): a stereo
    // file straight into it, any other through raw. 0 at the end.
    std::uint32_t DecodeStereo(float* stereo)
    {
        const int ch = source.channels;
        const std::uint32_t frames = Decode(ch == 2 ? stereo : raw.data(), kChunk);
        if (ch == 2)
            return frames;
        for (std::uint32_t i = 0; i < frames; ++i)
        {
            const float* f = &raw[static_cast<std::size_t>(i) * ch];
            stereo[2 * i] = f[0];
            stereo[2 * i + 1] = ch > 1 ? f[1] : f[0];
        }
        return frames;
    }

    // Takes the first chunk a read-ahead left decoded into the input; false when there is none.
    bool TakeAhead()
    {
        if (ahead.empty())
            return false;
        input.swap(ahead.front().samples);
        inputLeft = ahead.front().frames;
        ahead.pop_front();
        return true;
    }

    // The next chunk into the input. Leaves inputLeft 0 at the end.
    void Fill()
    {
        inputAt = 0;
        if (!TakeAhead())
            inputLeft = DecodeStereo(input.data());
    }

    // Resamples into @p out until @p want frames are made or the input and the filter are
    // used up; @p refill puts the next chunk into the input (inputLeft 0 at the end).
    template <class Refill> std::uint32_t Resample(float* out, std::uint32_t want, Refill&& refill)
    {
        std::uint32_t produced = 0;
        while (produced < want)
        {
            if (inputLeft == 0)
            {
                inputAt = 0;
                refill();
            }
            float* dst = out + static_cast<std::size_t>(produced) * 2;
            std::size_t used = 0;
            std::size_t made = 0;
            if (inputLeft > 0)
            {
                if (soxr_process(soxr.get(), &input[static_cast<std::size_t>(inputAt) * 2], inputLeft, &used,
                                 dst, want - produced, &made))
                    break;
                inputAt += static_cast<std::uint32_t>(used);
                inputLeft -= static_cast<std::uint32_t>(used);
            }
            else
            {
                // End of input: drain the resampler's delay line.
                if (soxr_process(soxr.get(), nullptr, 0, nullptr, dst, want - produced, &made) || made == 0)
                {
                    produced += static_cast<std::uint32_t>(made);
                    break;
                }
            }
            produced += static_cast<std::uint32_t>(made);
        }
        return produced;
    }

    // A large read of a resampled file: a thread of its own decodes the chunks while this one
    // resamples them: the frames Fill would give, in the same order. The frames it has
    // decoded past the read stay for the next one. Without a thread, this thread does both.
    std::uint32_t ResampleAhead(float* out, std::uint32_t want)
    {
        std::optional<ReadAhead> reader;
        try
        {
            reader.emplace([this](float* stereo) { return DecodeStereo(stereo); });
        }
        catch (const std::system_error&)
        {
            return Resample(out, want, [this] { Fill(); });
        }
        const std::uint32_t produced = Resample(out, want,
                                                [&]
                                                {
                                                    if (!TakeAhead())
                                                        inputLeft = reader->Pop(input);
                                                });
        std::deque<Chunk> rest = reader->Stop();
        for (Chunk& chunk : rest)
            ahead.push_back(std::move(chunk));
        return produced;
    }

    std::uint32_t Produce(float* out, std::uint32_t want)
    {
        if (soxr)
            return readAhead && want >= kReadAheadFrames ? ResampleAhead(out, want)
                                                         : Resample(out, want, [this] { Fill(); });
        std::uint32_t produced = 0;
        while (produced < want)
        {
            float* dst = out + static_cast<std::size_t>(produced) * 2;
            // A stereo file at the target rate needs no staging: large reads decode straight
            // into the caller's frames.
            if (inputLeft == 0 && ahead.empty() && source.channels == 2 && want - produced >= kChunk)
            {
                const std::uint32_t got = Decode(dst, want - produced);
                if (got == 0)
                    break;
                produced += got;
                continue;
            }
            if (inputLeft == 0)
                Fill();
            if (inputLeft == 0)
                break;
            const std::uint32_t n = std::min(inputLeft, want - produced);
            std::memcpy(dst, &input[static_cast<std::size_t>(inputAt) * 2], n * 2 * sizeof(float));
            inputAt += n;
            inputLeft -= n;
            produced += n;
        }
        return produced;
    }
};

SoundDecoder::SoundDecoder() : m_impl(std::make_unique<Impl>()) {}
SoundDecoder::~SoundDecoder() = default;

bool SoundDecoder::Open(const QString& path, unsigned targetRate, bool loop)
{
    Close();
    if (targetRate == 0)
        return false;
    SF_INFO info;
    FilePtr file = OpenFile(path, info);
    if (!file)
        return false;
    SoxrPtr resampler;
    if (static_cast<unsigned>(info.samplerate) != targetRate)
    {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1); // the caller's thread only
        soxr_error_t error = nullptr;
        resampler.reset(soxr_create(info.samplerate, targetRate, 2, &error, &io, &quality, &runtime));
        if (error || !resampler)
            return false;
    }
    Impl& d = *m_impl;
    // A stereo file decodes straight into the input.
    d.raw.assign(info.channels == 2 ? 0 : static_cast<std::size_t>(kChunk) * info.channels, 0.0f);
    d.input.assign(static_cast<std::size_t>(kChunk) * 2, 0.0f);
    d.file = std::move(file);
    d.soxr = std::move(resampler);
    d.source = {static_cast<std::uint64_t>(info.frames), static_cast<unsigned>(info.samplerate),
                info.channels};
    d.target = targetRate;
    d.loop = loop;
    d.length = ScaleFrames(d.source.frames, targetRate, d.source.rate);
    d.position = 0;
    d.endOfFile = false;
    d.inputAt = d.inputLeft = 0;
    d.ahead.clear();
    return true;
}

void SoundDecoder::Close()
{
    Impl& d = *m_impl;
    d.soxr.reset();
    d.file.reset();
    d.source = {};
    d.length = 0;
    d.position = 0;
    d.inputAt = d.inputLeft = 0;
    d.ahead.clear();
}

void SoundDecoder::SetReadAhead(bool on)
{
    m_impl->readAhead = on;
}

bool SoundDecoder::IsOpen() const
{
    return m_impl->file != nullptr;
}
const SoundDecoder::Info& SoundDecoder::Source() const
{
    return m_impl->source;
}
std::uint64_t SoundDecoder::Length() const
{
    return m_impl->length;
}

std::uint32_t SoundDecoder::Read(float* out, std::uint32_t count)
{
    Impl& d = *m_impl;
    if (!d.file || count == 0)
        return 0;
    if (d.loop)
        return d.Produce(out, count);
    const std::uint64_t left = d.length > d.position ? d.length - d.position : 0;
    const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, left));
    const std::uint32_t got = d.Produce(out, want);
    // The decoder ended a little before the header's length: silence makes up the rest, so
    // callers that planned with Length() get what they planned for.
    std::memset(out + static_cast<std::size_t>(got) * 2, 0, (want - got) * 2 * sizeof(float));
    d.position += want;
    return want;
}

bool SoundDecoder::Seek(std::uint64_t targetFrame)
{
    Impl& d = *m_impl;
    if (!d.file)
        return false;
    if (d.loop && d.length > 0)
        targetFrame %= d.length;
    // Exact integer arithmetic: at 96 kHz an hour in, a time in single-precision seconds
    // would be off by tens of frames. The resampler restarts on a source frame that falls
    // exactly on a target frame (a multiple of source / gcd), and the few target frames from
    // there up to the wanted one are decoded and dropped: the frames that follow are then the
    // ones a read from the start would give, not half a source frame early or late.
    const std::uint64_t g = std::gcd<std::uint64_t>(d.source.rate, d.target);
    const std::uint64_t srcStep = d.source.rate / g;
    const std::uint64_t dstStep = d.target / g;
    std::uint64_t src;
    std::uint64_t drop = 0;
    if (d.soxr && dstStep <= kMaxAlignFrames)
    {
        const std::uint64_t k = targetFrame / dstStep;
        src = k * srcStep;
        drop = targetFrame - k * dstStep;
    }
    else
    {
        const std::uint64_t twice = ScaleFrames(targetFrame, 2 * std::uint64_t{d.source.rate}, d.target);
        src = twice / 2 + twice % 2; // rounded
    }
    src = std::min(src, d.source.frames);
    // From the start of the file, wherever the decoder stands: an OGG seek a little ahead
    // skips the blocks in between undecoded, so its first frames depend on where it came
    // from (and a read-ahead leaves the decoder further on than a read on one thread).
    if (src > 0 && sf_seek(d.file.get(), 0, SEEK_SET) < 0)
        return false;
    if (sf_seek(d.file.get(), static_cast<sf_count_t>(src), SEEK_SET) < 0)
        return false;
    if (d.soxr)
        soxr_clear(d.soxr.get());
    d.inputAt = d.inputLeft = 0;
    d.ahead.clear();
    d.endOfFile = false;
    while (drop > 0)
    {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(drop, kChunk));
        const std::uint32_t got = d.Produce(d.dropped.data(), n);
        if (got == 0)
            break;
        drop -= got;
    }
    d.position = targetFrame;
    return true;
}

bool SoundDecoder::ReadInfo(const QString& path, Info& info)
{
    SF_INFO sf;
    FilePtr file = OpenFile(path, sf);
    if (!file)
        return false;
    info = {static_cast<std::uint64_t>(sf.frames), static_cast<unsigned>(sf.samplerate), sf.channels};
    return true;
}

} // namespace plat
