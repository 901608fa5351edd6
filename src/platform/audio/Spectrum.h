#pragma once
/** @brief The 2048-point magnitude spectrum that the meters read: a Hann-windowed real FFT
 *  of 2048 mono samples giving 1024 magnitudes, bin k at k x rate / 2048 Hz.
 *
 * Magnitudes are |X[k]| x 2 / 2048 of the windowed block, so a full-scale sine centred on a
 * bin reads 0.5 there (the window halves its peak). Not thread-safe: one instance per thread. */

#include <array>
#include <memory>

namespace plat
{

class Spectrum
{
public:
    static constexpr int kSize = 2048;
    static constexpr int kBins = kSize / 2;

    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    /** @p mono: kSize samples, oldest first. Fills @p magnitudes (kBins values). */
    void Compute(const float* mono, float* magnitudes);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
