#include "platform/audio/Resampler.h"

#include <soxr.h>

namespace plat
{

struct Resampler::Impl
{
    soxr_t soxr = nullptr;
    double ratio = 1.0;
    int channels = 0;
};

Resampler::Resampler() : m_impl(std::make_unique<Impl>()) {}
Resampler::~Resampler()
{
    Close();
}

bool Resampler::Open(unsigned inRate, unsigned outRate, int channels)
{
    Close();
    if (inRate == 0 || outRate == 0 || channels <= 0)
        return false;
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    m_impl->soxr =
        soxr_create(inRate, outRate, static_cast<unsigned>(channels), &error, &io, &quality, nullptr);
    if (error || !m_impl->soxr)
    {
        Close();
        return false;
    }
    m_impl->ratio = static_cast<double>(outRate) / inRate;
    m_impl->channels = channels;
    return true;
}

void Resampler::Close()
{
    if (m_impl->soxr)
        soxr_delete(m_impl->soxr);
    m_impl->soxr = nullptr;
}

bool Resampler::IsOpen() const
{
    return m_impl->soxr != nullptr;
}

bool Resampler::Process(const float* in, std::size_t frames, std::vector<float>& out)
{
    if (!m_impl->soxr)
        return false;
    if (frames == 0)
        return true; // no input at all would mean the end of the stream to soxr
    const auto ch = static_cast<std::size_t>(m_impl->channels);
    std::size_t consumed = 0;
    for (;;)
    {
        const std::size_t room = static_cast<std::size_t>((frames - consumed) * m_impl->ratio) + 256;
        const std::size_t at = out.size();
        out.resize(at + room * ch);
        std::size_t used = 0;
        std::size_t made = 0;
        const soxr_error_t error = soxr_process(m_impl->soxr, in + consumed * ch, frames - consumed, &used,
                                                out.data() + at, room, &made);
        out.resize(at + made * ch);
        if (error)
            return false;
        consumed += used;
        // Done once all input is in and the output did not fill the room it was given.
        if (consumed >= frames && made < room)
            return true;
    }
}

bool Resampler::Flush(std::vector<float>& out)
{
    if (!m_impl->soxr)
        return false;
    const auto ch = static_cast<std::size_t>(m_impl->channels);
    constexpr std::size_t kRoom = 4096;
    for (;;)
    {
        const std::size_t at = out.size();
        out.resize(at + kRoom * ch);
        std::size_t made = 0;
        const soxr_error_t error =
            soxr_process(m_impl->soxr, nullptr, 0, nullptr, out.data() + at, kRoom, &made);
        out.resize(at + made * ch);
        if (error)
            return false;
        if (made == 0)
            return true;
    }
}

std::ptrdiff_t Resampler::Process(const float* in, std::size_t frames, std::size_t& used, float* out,
                                  std::size_t room)
{
    used = 0;
    if (!m_impl->soxr)
        return -1;
    std::size_t made = 0;
    // soxr takes a null input as the end of the stream; an empty block is not one.
    static const float kNothing[2] = {0.0f, 0.0f};
    if (soxr_process(m_impl->soxr, frames > 0 ? in : kNothing, frames, &used, out, room, &made))
        return -1;
    return static_cast<std::ptrdiff_t>(made);
}

std::ptrdiff_t Resampler::Drain(float* out, std::size_t room)
{
    if (!m_impl->soxr)
        return -1;
    std::size_t made = 0;
    if (soxr_process(m_impl->soxr, nullptr, 0, nullptr, out, room, &made))
        return -1;
    return static_cast<std::ptrdiff_t>(made);
}

} // namespace plat
