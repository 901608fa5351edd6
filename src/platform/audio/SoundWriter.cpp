#include "platform/audio/SoundWriter.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace plat
{

namespace
{

constexpr std::size_t kChunkFrames = 4096;
constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFull;
constexpr std::uint32_t kRf64Extra = 36; // the ds64 chunk an RF64 file holds before fmt

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Put64(std::vector<std::uint8_t>& b, std::uint64_t v)
{
    Put32(b, static_cast<std::uint32_t>(v));
    Put32(b, static_cast<std::uint32_t>(v >> 32));
}
void PutTag(std::vector<std::uint8_t>& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(tag[i]));
}

// Scaled and clipped as libsndfile does for the other formats: full scale is 2^(bits - 1), and
// values past it hold at the largest step instead of wrapping round. Not a number is silence.
std::int64_t ToInt(float v, double scale)
{
    if (!(v == v))
        return 0;
    const double x = std::nearbyint(double(v) * scale);
    return static_cast<std::int64_t>(std::clamp(x, -scale, scale - 1.0));
}

} // namespace

// WAV is written here rather than by libsndfile, which writes the extensible format (and a
// JUNK chunk) for a file that may grow into RF64: many readers take only the plain PCM or IEEE
// float header. The header is written for what the file turned out to hold when it is closed;
// a file past 4 GB becomes RF64 then, its frames moved up by the ds64 chunk.
struct WavFile
{
    std::FILE* file = nullptr;
    int channels = 0;
    unsigned rate = 0;
    int bytesPerSample = 2;
    bool isFloat = false;
    bool mayGrow = false;             ///< RF64 beyond the limit; else writes past it fail
    std::uint64_t limit = kRiffLimit; ///< the most bytes a plain file's RIFF chunk holds
    bool failed = false;
    std::uint64_t dataBytes = 0;
    std::vector<std::uint8_t> chunk;

    std::uint32_t HeaderBytes() const { return isFloat ? 58 : 44; }

    std::vector<std::uint8_t> Header(bool rf64) const
    {
        const std::uint64_t pad = dataBytes & 1;
        const std::uint64_t riff = HeaderBytes() - 8 + (rf64 ? kRf64Extra : 0) + dataBytes + pad;
        const std::uint64_t frames = dataBytes / std::uint64_t(bytesPerSample * channels);
        std::vector<std::uint8_t> h;
        PutTag(h, rf64 ? "RF64" : "RIFF");
        Put32(h, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(riff));
        PutTag(h, "WAVE");
        if (rf64)
        {
            PutTag(h, "ds64");
            Put32(h, 28);
            Put64(h, riff);
            Put64(h, dataBytes);
            Put64(h, frames);
            Put32(h, 0); // no table
        }
        PutTag(h, "fmt ");
        Put32(h, isFloat ? 18 : 16);
        Put16(h, isFloat ? 3 : 1); // IEEE float, or integer PCM
        Put16(h, static_cast<std::uint32_t>(channels));
        Put32(h, rate);
        Put32(h, rate * static_cast<std::uint32_t>(channels * bytesPerSample));
        Put16(h, static_cast<std::uint32_t>(channels * bytesPerSample));
        Put16(h, static_cast<std::uint32_t>(bytesPerSample * 8));
        if (isFloat)
        {
            Put16(h, 0); // no extension
            PutTag(h, "fact");
            Put32(h, 4);
            Put32(h, rf64 || frames > kRiffLimit ? 0xFFFFFFFFu : static_cast<std::uint32_t>(frames));
        }
        PutTag(h, "data");
        Put32(h, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(dataBytes));
        return h;
    }

    bool Open(const QString& path, int bytes, bool flt, unsigned r, int ch, bool grow, std::uint64_t most)
    {
        limit = most;
        bytesPerSample = bytes;
        isFloat = flt;
        rate = r;
        channels = ch;
        mayGrow = grow;
        failed = false;
        dataBytes = 0;
        chunk.assign(kChunkFrames * static_cast<std::size_t>(ch * bytes), 0);
        // Read as well: a file past 4 GB moves its frames when it is closed.
        file = std::fopen(QFile::encodeName(path).constData(), "w+b");
        if (!file)
            return false;
        const std::vector<std::uint8_t> h = Header(false);
        if (std::fwrite(h.data(), 1, h.size(), file) != h.size())
        {
            std::fclose(file);
            file = nullptr;
            return false;
        }
        return true;
    }

    bool Write(const float* frames, std::uint64_t count)
    {
        if (failed)
            return false;
        const std::size_t frameBytes = static_cast<std::size_t>(channels * bytesPerSample);
        if (!mayGrow && HeaderBytes() - 8 + dataBytes + count * frameBytes + 1 > limit)
            return !(failed = true);
        while (count > 0)
        {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunkFrames));
            const std::size_t samples = n * static_cast<std::size_t>(channels);
            std::uint8_t* out = chunk.data();
            for (std::size_t i = 0; i < samples; ++i)
            {
                const float v = frames[i];
                switch (bytesPerSample)
                {
                case 1:
                    *out++ = static_cast<std::uint8_t>(ToInt(v, 128.0) + 128);
                    break;
                case 2:
                {
                    const auto x = static_cast<std::uint32_t>(ToInt(v, 32768.0));
                    *out++ = static_cast<std::uint8_t>(x);
                    *out++ = static_cast<std::uint8_t>(x >> 8);
                    break;
                }
                case 3:
                {
                    const auto x = static_cast<std::uint32_t>(ToInt(v, 8388608.0));
                    *out++ = static_cast<std::uint8_t>(x);
                    *out++ = static_cast<std::uint8_t>(x >> 8);
                    *out++ = static_cast<std::uint8_t>(x >> 16);
                    break;
                }
                default:
                {
                    std::uint32_t x;
                    if (isFloat)
                        std::memcpy(&x, &v, 4);
                    else
                        x = static_cast<std::uint32_t>(ToInt(v, 2147483648.0));
                    for (int b = 0; b < 4; ++b)
                        *out++ = static_cast<std::uint8_t>(x >> (8 * b));
                    break;
                }
                }
            }
            const std::size_t bytes = n * frameBytes;
            if (std::fwrite(chunk.data(), 1, bytes, file) != bytes)
                return !(failed = true);
            dataBytes += bytes;
            frames += samples;
            count -= n;
        }
        return true;
    }

    // Moves the frames up by the ds64 chunk's bytes, from the end backwards.
    bool MakeRoomForDs64()
    {
        std::vector<std::uint8_t> buf(1 << 20);
        std::uint64_t left = dataBytes;
        const std::uint64_t start = HeaderBytes();
        while (left > 0)
        {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
            const std::uint64_t from = start + left - n;
            if (fseeko(file, static_cast<off_t>(from), SEEK_SET) != 0 ||
                std::fread(buf.data(), 1, n, file) != n ||
                fseeko(file, static_cast<off_t>(from + kRf64Extra), SEEK_SET) != 0 ||
                std::fwrite(buf.data(), 1, n, file) != n)
                return false;
            left -= n;
        }
        return true;
    }

    bool Close()
    {
        if (!file)
            return true;
        bool ok = !failed;
        const bool rf64 = HeaderBytes() - 8 + dataBytes + (dataBytes & 1) > limit;
        if (ok && rf64)
            ok = std::fflush(file) == 0 && MakeRoomForDs64();
        if (ok && (dataBytes & 1) != 0) // chunks are word-aligned
        {
            const std::uint64_t end = HeaderBytes() + (rf64 ? kRf64Extra : 0) + dataBytes;
            ok = fseeko(file, static_cast<off_t>(end), SEEK_SET) == 0 && std::fputc(0, file) != EOF;
        }
        if (ok)
        {
            const std::vector<std::uint8_t> h = Header(rf64);
            ok = std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(h.data(), 1, h.size(), file) == h.size();
        }
        ok = std::fflush(file) == 0 && ok;
        ok = std::fclose(file) == 0 && ok;
        file = nullptr;
        return ok;
    }
};

struct SoundWriter::Impl
{
    SNDFILE* file = nullptr;
    WavFile wav;
    bool rf64WhenLarge = false;
    std::uint64_t plainLimit = kRiffLimit;
};

SoundWriter::SoundWriter() : m_impl(std::make_unique<Impl>()) {}
SoundWriter::~SoundWriter()
{
    Close();
}

bool SoundWriter::Open(const QString& path, Format format, unsigned rate, int channels, double quality)
{
    Close();
    if (rate == 0 || channels <= 0)
        return false;
    switch (format)
    {
    case Format::Wav8:
        return m_impl->wav.Open(path, 1, false, rate, channels, m_impl->rf64WhenLarge, m_impl->plainLimit);
    case Format::Wav16:
        return m_impl->wav.Open(path, 2, false, rate, channels, m_impl->rf64WhenLarge, m_impl->plainLimit);
    case Format::Wav24:
        return m_impl->wav.Open(path, 3, false, rate, channels, m_impl->rf64WhenLarge, m_impl->plainLimit);
    case Format::Wav32:
        return m_impl->wav.Open(path, 4, false, rate, channels, m_impl->rf64WhenLarge, m_impl->plainLimit);
    case Format::WavFloat:
        return m_impl->wav.Open(path, 4, true, rate, channels, m_impl->rf64WhenLarge, m_impl->plainLimit);
    default:
        break;
    }
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = static_cast<int>(rate);
    info.channels = channels;
    switch (format)
    {
    case Format::Flac16:
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        break;
    case Format::OggVorbis:
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        break;
    case Format::Opus:
        info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
        break;
    default:
        return false;
    }
    if (!sf_format_check(&info))
        return false;
    m_impl->file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!m_impl->file)
        return false;
    sf_command(m_impl->file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (format == Format::OggVorbis)
        sf_command(m_impl->file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    return true;
}

bool SoundWriter::Write(const float* frames, std::uint64_t count)
{
    if (m_impl->wav.file)
        return m_impl->wav.Write(frames, count);
    if (!m_impl->file)
        return false;
    return sf_writef_float(m_impl->file, frames, static_cast<sf_count_t>(count)) ==
           static_cast<sf_count_t>(count);
}

bool SoundWriter::Close()
{
    if (m_impl->wav.file)
        return m_impl->wav.Close();
    if (!m_impl->file)
        return true;
    // A write that failed (a full disk) is kept in the file's error, which sf_close does not report.
    const bool written = sf_error(m_impl->file) == SF_ERR_NO_ERROR;
    const int err = sf_close(m_impl->file);
    m_impl->file = nullptr;
    return err == 0 && written;
}

void SoundWriter::SetRf64WhenLarge(bool on, std::uint64_t plainBytes)
{
    m_impl->rf64WhenLarge = on;
    m_impl->plainLimit = std::min(plainBytes, kRiffLimit);
}

bool SoundWriter::IsOpen() const
{
    return m_impl->file != nullptr || m_impl->wav.file != nullptr;
}

} // namespace plat
