#include "audio/CEncoder.h"

#include "audio/AudioMessage.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int kFormatMp3 = 1;
constexpr int kFormatOgg = 2;

const char* const kCreateFailed = "Failed to create the encoder stream.";
const char* const kStartFailed = "Failed to start the encoder stream.";
const char* const kStartCompressedFailed = "Failed to start the encoder stream (compression).";
const char* const kWriteFailed = "Failed to write to the encoder.";
const char* const kFinishFailed = "Failed to finish the encoder stream.";

void PutU16(std::uint8_t* at, std::uint32_t v)
{
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* at, std::uint32_t v)
{
    PutU16(at, v & 0xFFFF);
    PutU16(at + 2, v >> 16);
}

// The header of a WAV stream of unknown length: both encoders read the format from it and
// take sizes of 0xFFFFFFFF as "until the end of the input".
std::array<std::uint8_t, 44> StreamHeader(unsigned rate, int channels)
{
    std::array<std::uint8_t, 44> h{};
    const auto ch = static_cast<std::uint32_t>(channels);
    std::copy_n("RIFF", 4, h.begin());
    PutU32(&h[4], 0xFFFFFFFFu);
    std::copy_n("WAVEfmt ", 8, h.begin() + 8);
    PutU32(&h[16], 16);
    PutU16(&h[20], 1); // integer PCM
    PutU16(&h[22], ch);
    PutU32(&h[24], rate);
    PutU32(&h[28], rate * ch * 2);
    PutU16(&h[32], ch * 2);
    PutU16(&h[34], 16);
    std::copy_n("data", 4, h.begin() + 36);
    PutU32(&h[40], 0xFFFFFFFFu);
    return h;
}

std::int16_t ToPcm16(float v)
{
    if (!(v == v))
        return 0;
    return static_cast<std::int16_t>(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

// The encoder programs to try for a template's program word. The Windows build's oggenc2
// is tried first; Debian ships the same program as oggenc.
QStringList Programs(const QString& word)
{
    if (word == QLatin1String("oggenc2"))
        return {word, QStringLiteral("oggenc")};
    return {word};
}

// Without the encoder program the user learns which one is missing and where it comes from;
// empty when one of the template's programs is on the search path.
QString MissingProgramHint(const QString& word)
{
    for (const QString& program : Programs(word))
        if (!QStandardPaths::findExecutable(program).isEmpty())
            return {};
    const QString program = Programs(word).constLast();
    const QString package = program == QLatin1String("oggenc") ? QStringLiteral("vorbis-tools") : program;
    return QStringLiteral("\n\nThe program %1 was not found. It comes with the Debian package %2.")
        .arg(program, package);
}

} // namespace

CEncoder::~CEncoder()
{
    Stop();
}

bool CEncoder::CanCreate(const QString& path)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    const bool existed = file.exists();
    // Appending creates a missing file and leaves an existing one untouched.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    file.close();
    if (!existed)
        file.remove();
    return true;
}

QString CEncoder::GetCommandLine(int format)
{
    if (format == kFormatMp3)
        return QStringLiteral("lame -b %d - \"%s\"");
    if (format == kFormatOgg)
        return QStringLiteral("oggenc2 -b %d -o \"%s\" -");
    return {};
}

int CEncoder::GetBitrate(int compression)
{
    if (compression < 0 || compression >= static_cast<int>(kBitrates.size()))
        compression = kDefaultCompression;
    return kBitrates[static_cast<std::size_t>(compression)];
}

unsigned CEncoder::FileRate(int format, unsigned rate)
{
    if (format != kFormatMp3 && format != kFormatOgg)
        return rate;
    unsigned r = std::min(rate, kMaxCompressedRate);
    if (format == kFormatOgg)
        r = std::max(r, kMinOggRate);
    return r;
}

bool CEncoder::Start(const QString& path, int channels, int format, int compression, int sampleFormat,
                     unsigned rate)
{
    std::unique_lock lock(m_mutex);
    if (m_state == State::Open)
        FinishLocked();
    m_state = State::Idle;
    m_writeFailed = false;
    m_resampling = false;

    const char* failure = nullptr;
    QString hint;
    if (channels < 1 || channels > 2 || rate == 0)
        failure = kCreateFailed;
    else
    {
        m_channels = channels;
        m_compressed = format == kFormatMp3 || format == kFormatOgg;
        if (!m_compressed)
        {
            using F = plat::SoundWriter::Format;
            const F f = sampleFormat == 0   ? F::Wav16
                        : sampleFormat == 1 ? F::Wav24
                        : sampleFormat == 2 ? F::Wav32
                                            : F::WavFloat;
            m_writer.SetRf64WhenLarge(true);
            if (!m_writer.Open(path, f, rate, channels))
                failure = kStartFailed;
        }
        else
        {
            const unsigned fileRate = FileRate(format, rate);
            m_resampling = fileRate != rate;
            // The encoder program makes the file only once it runs, and when it cannot it just
            // exits: the folder is asked here, as the WAV writer's open asks it.
            if (!CanCreate(path))
                failure = kStartFailed;
            else if (m_resampling && !m_resampler.Open(rate, fileRate, channels))
                failure = kCreateFailed;
            else if (!StartEncoder(path, format, compression, fileRate))
            {
                failure = kStartCompressedFailed;
                hint = MissingProgramHint(GetCommandLine(format).section(QLatin1Char(' '), 0, 0));
            }
            if (failure)
            {
                m_resampler.Close();
                m_resampling = false;
            }
        }
    }
    if (failure)
    {
        lock.unlock();
        audio::ShowMessage(QString::fromLatin1(failure) + hint);
        return false;
    }
    // Room for a recording block (10 ms at up to 96 kHz, or a 20000-frame buffer) at once.
    m_resampled.reserve(20000 * 2 + 1024);
    m_pcm.reserve(20000 * 4 + 1024);
    m_state = State::Open;
    return true;
}

bool CEncoder::StartEncoder(const QString& path, int format, int compression, unsigned rate)
{
    // A relative path that begins with "-" would be read as an option.
    const QString target = path.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + path : path;
    const QStringList words = GetCommandLine(format).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<QByteArray> argv;
    for (const QString& w : words)
    {
        if (w == QLatin1String("%d"))
            argv.push_back(QByteArray::number(GetBitrate(compression)));
        else if (w == QLatin1String("\"%s\""))
            argv.push_back(QFile::encodeName(target));
        else
            argv.push_back(w.toUtf8());
    }
    bool started = false;
    for (const QString& program : Programs(words.value(0)))
    {
        argv[0] = program.toUtf8();
        if ((started = m_child.Start(argv)))
            break;
    }
    if (!started)
        return false;
    const auto header = StreamHeader(rate, m_channels);
    if (!m_child.Write(header.data(), header.size()))
    {
        m_child.Finish();
        return false;
    }
    return true;
}

bool CEncoder::SendPcm(const float* samples, std::size_t frames)
{
    const std::size_t n = frames * static_cast<std::size_t>(m_channels);
    m_pcm.resize(n * 2);
    for (std::size_t i = 0; i < n; ++i)
    {
        const auto v = static_cast<std::uint16_t>(ToPcm16(samples[i]));
        m_pcm[2 * i] = static_cast<std::uint8_t>(v);
        m_pcm[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    return m_child.Write(m_pcm.data(), m_pcm.size());
}

bool CEncoder::Write(const CStereoFrame* frames, std::uint32_t count)
{
    std::unique_lock lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock() || m_state == State::Stopped)
        return true; // the file is being (or has been) finished: these frames come after the end
    bool ok = m_state == State::Open && !m_writeFailed;
    if (ok && count > 0)
    {
        const auto* samples = reinterpret_cast<const float*>(frames);
        const std::size_t n = static_cast<std::size_t>(count) * 2 / static_cast<std::size_t>(m_channels);
        if (!m_compressed)
            ok = m_writer.Write(samples, n);
        else if (m_resampling)
        {
            m_resampled.clear();
            ok = m_resampler.Process(samples, n, m_resampled) &&
                 SendPcm(m_resampled.data(), m_resampled.size() / static_cast<std::size_t>(m_channels));
        }
        else
            ok = SendPcm(samples, n);
        m_writeFailed = !ok;
    }
    lock.unlock();
    if (!ok)
        audio::ShowMessage(QString::fromLatin1(kWriteFailed));
    return ok;
}

bool CEncoder::FinishLocked()
{
    bool ok = !m_writeFailed;
    if (!m_compressed)
        return m_writer.Close() && ok;
    if (ok && m_resampling)
    {
        m_resampled.clear();
        ok = m_resampler.Flush(m_resampled) &&
             SendPcm(m_resampled.data(), m_resampled.size() / static_cast<std::size_t>(m_channels));
    }
    const bool exited = m_child.Finish();
    m_resampler.Close();
    m_resampling = false;
    return ok && exited;
}

bool CEncoder::Stop()
{
    std::unique_lock lock(m_mutex);
    if (m_state != State::Open)
        return true;
    const bool ok = FinishLocked();
    m_state = State::Stopped;
    lock.unlock();
    if (!ok)
        audio::ShowMessage(QString::fromLatin1(kFinishFailed));
    return ok;
}
