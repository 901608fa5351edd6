#include "platform/audio/Spectrum.h"

#include <kiss_fftr.h>

#include <cmath>
#include <new>
#include <numbers>
#include <vector>

namespace plat
{

struct Spectrum::Impl
{
    kiss_fftr_cfg cfg = nullptr;
    std::vector<float> window = std::vector<float>(kSize);
    std::vector<kiss_fft_scalar> in = std::vector<kiss_fft_scalar>(kSize);
    std::vector<kiss_fft_cpx> out = std::vector<kiss_fft_cpx>(kSize / 2 + 1);
    ~Impl() { kiss_fftr_free(cfg); }
};

Spectrum::Spectrum() : m_impl(std::make_unique<Impl>())
{
    m_impl->cfg = kiss_fftr_alloc(kSize, 0, nullptr, nullptr);
    if (!m_impl->cfg)
        throw std::bad_alloc();
    for (int i = 0; i < kSize; ++i)
        m_impl->window[i] = 0.5f - 0.5f * std::cos(2.0f * std::numbers::pi_v<float> * i / kSize);
}

Spectrum::~Spectrum() = default;

void Spectrum::Compute(const float* mono, float* magnitudes)
{
    for (int i = 0; i < kSize; ++i)
        m_impl->in[i] = mono[i] * m_impl->window[i];
    kiss_fftr(m_impl->cfg, m_impl->in.data(), m_impl->out.data());
    constexpr float scale = 2.0f / kSize;
    for (int k = 0; k < kBins; ++k)
        magnitudes[k] = std::hypot(m_impl->out[k].r, m_impl->out[k].i) * scale;
}

} // namespace plat
