#include "platform/audio/SoundWriter.h"

#include <QFile>

#include <sndfile.h>

#include <cstring>

namespace plat
{

struct SoundWriter::Impl
{
    SNDFILE* file = nullptr;
    bool rf64WhenLarge = false;
    bool headerAtEnd = false; ///< a WAV, whose sizes are written once the frames are
};

SoundWriter::SoundWriter() : m_impl(std::make_unique<Impl>()) {}
SoundWriter::~SoundWriter()
{
    Close();
}

bool SoundWriter::Open(const QString& path, Format format, unsigned rate, int channels, double quality)
{
    Close();
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = static_cast<int>(rate);
    info.channels = channels;
    switch (format)
    {
    case Format::Wav8:
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
        break;
    case Format::Wav16:
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        break;
    case Format::Wav24:
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        break;
    case Format::Wav32:
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_32;
        break;
    case Format::WavFloat:
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        break;
    case Format::Flac16:
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        break;
    case Format::OggVorbis:
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        break;
    case Format::Opus:
        info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
        break;
    }
    const bool rf64 = m_impl->rf64WhenLarge && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    if (rf64)
        info.format = SF_FORMAT_RF64 | (info.format & SF_FORMAT_SUBMASK);
    if (rate == 0 || channels <= 0 || !sf_format_check(&info))
        return false;
    m_impl->file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!m_impl->file)
        return false;
    const int major = info.format & SF_FORMAT_TYPEMASK;
    m_impl->headerAtEnd = major == SF_FORMAT_WAV || major == SF_FORMAT_RF64;
    if (rf64)
        sf_command(m_impl->file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    sf_command(m_impl->file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (format == Format::OggVorbis)
        sf_command(m_impl->file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    return true;
}

bool SoundWriter::Write(const float* frames, std::uint64_t count)
{
    if (!m_impl->file)
        return false;
    return sf_writef_float(m_impl->file, frames, static_cast<sf_count_t>(count)) ==
           static_cast<sf_count_t>(count);
}

bool SoundWriter::Close()
{
    if (!m_impl->file)
        return true;
    // The header is written last: a disk that fills up then leaves a file that claims no frames
    // (or the wrong count), which sf_close does not report; a failed write is kept in the error.
    bool written = sf_error(m_impl->file) == SF_ERR_NO_ERROR;
    if (written && m_impl->headerAtEnd)
    {
        sf_command(m_impl->file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
        written = sf_error(m_impl->file) == SF_ERR_NO_ERROR;
    }
    const int err = sf_close(m_impl->file);
    m_impl->file = nullptr;
    return err == 0 && written;
}

void SoundWriter::SetRf64WhenLarge(bool on)
{
    m_impl->rf64WhenLarge = on;
}

bool SoundWriter::IsOpen() const
{
    return m_impl->file != nullptr;
}

} // namespace plat
