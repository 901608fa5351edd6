#pragma once
/** @brief Measurements for effect tests: responses at a frequency, band energies through an
 *  FFT, Schroeder decay times. Interleaved stereo float buffers throughout. */

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <vector>

namespace vtest
{

/** A silent interleaved stereo buffer with a unit impulse at frame 0 of the chosen channels. */
inline std::vector<float> StereoImpulse(std::size_t frames, bool left = true, bool right = true)
{
    std::vector<float> b(2 * frames, 0.0f);
    b[0] = left ? 1.0f : 0.0f;
    b[1] = right ? 1.0f : 0.0f;
    return b;
}

/** One channel of an interleaved buffer. */
inline std::vector<double> Channel(const std::vector<float>& b, int channel)
{
    std::vector<double> out(b.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = b[2 * i + channel];
    return out;
}

/** Runs @p process (a callable over (float*, frames)) across @p b in blocks of @p block frames. */
template <typename Process> void InBlocks(std::vector<float>& b, std::size_t block, Process&& process)
{
    const std::size_t frames = b.size() / 2;
    for (std::size_t at = 0; at < frames; at += block)
        process(b.data() + 2 * at, std::min(block, frames - at));
}

/** |H(f)| in dB of an impulse response (the DFT evaluated at exactly @p freq). */
inline double GainDbAt(const std::vector<double>& ir, double freq, double rate)
{
    std::complex<double> sum = 0.0;
    const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * freq / rate);
    std::complex<double> turn = 1.0;
    for (std::size_t n = 0; n < ir.size(); ++n)
    {
        sum += ir[n] * turn;
        turn *= step;
        if (n % 1024 == 0)
            turn /= std::abs(turn);
    }
    return 20.0 * std::log10(std::abs(sum));
}

/** In-place radix-2 FFT; the size must be a power of two. */
inline void Fft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i)
    {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1)
    {
        const std::complex<double> w = std::polar(1.0, -2.0 * std::numbers::pi / double(len));
        for (std::size_t i = 0; i < n; i += len)
        {
            std::complex<double> wk = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k)
            {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                wk *= w;
            }
        }
    }
}

/** @p x with everything outside @p lo .. @p hi Hz removed (an ideal band filter through the
 *  FFT of the whole signal, zero-padded to a power of two). */
inline std::vector<double> BandLimited(const std::vector<double>& x, double lo, double hi, double rate)
{
    std::size_t size = 1;
    while (size < 2 * x.size())
        size <<= 1;
    std::vector<std::complex<double>> a(size);
    std::copy(x.begin(), x.end(), a.begin());
    Fft(a);
    for (std::size_t k = 0; k < size; ++k)
    {
        const double f = double(std::min(k, size - k)) * rate / double(size);
        if (f < lo || f >= hi)
            a[k] = 0.0;
    }
    for (auto& v : a)
        v = std::conj(v);
    Fft(a);
    std::vector<double> out(x.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = a[i].real() / double(size);
    return out;
}

/** Energy between @p lo and @p hi Hz in the Hann-windowed @p size frames from @p start. */
inline double BandEnergy(const std::vector<double>& x, std::size_t start, std::size_t size, double lo,
                         double hi, double rate)
{
    std::vector<std::complex<double>> a(size);
    for (std::size_t i = 0; i < size; ++i)
    {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(size));
        a[i] = start + i < x.size() ? x[start + i] * hann : 0.0;
    }
    Fft(a);
    double e = 0.0;
    for (std::size_t k = 1; k < size / 2; ++k)
    {
        const double f = double(k) * rate / double(size);
        if (f >= lo && f < hi)
            e += std::norm(a[k]);
    }
    return e;
}

/** Slope in dB per second of a least-squares line through (t, dB) points. */
inline double SlopeDbPerSecond(const std::vector<double>& t, const std::vector<double>& db)
{
    const double n = double(t.size());
    double st = 0, sd = 0, stt = 0, std_ = 0;
    for (std::size_t i = 0; i < t.size(); ++i)
    {
        st += t[i];
        sd += db[i];
        stt += t[i] * t[i];
        std_ += t[i] * db[i];
    }
    return (n * std_ - st * sd) / (n * stt - st * st);
}

/** RT60 in seconds by Schroeder backward integration of @p ir from frame @p start: the
 *  energy decay curve's slope between -5 and -35 dB, extended to 60 dB. */
inline double SchroederRt60(const std::vector<double>& ir, double rate, std::size_t start = 0)
{
    std::vector<double> edc(ir.size() - start);
    double sum = 0.0;
    for (std::size_t i = ir.size(); i-- > start;)
    {
        sum += ir[i] * ir[i];
        edc[i - start] = sum;
    }
    std::vector<double> t, db;
    for (std::size_t i = 0; i < edc.size(); ++i)
    {
        const double level = 10.0 * std::log10(edc[i] / edc[0]);
        if (level <= -5.0 && level >= -35.0)
        {
            t.push_back(double(i) / rate);
            db.push_back(level);
        }
    }
    if (t.size() < 2)
        return 0.0;
    return -60.0 / SlopeDbPerSecond(t, db);
}

/** RT60 in seconds of the band lo..hi Hz: band energies of successive windows, fitted from
 *  the first window down to 40 dB below it. */
inline double BandRt60(const std::vector<double>& ir, double rate, double lo, double hi, std::size_t start,
                       std::size_t window = 2048)
{
    std::vector<double> t, db;
    double first = 0.0;
    for (std::size_t at = start; at + window <= ir.size(); at += window / 2)
    {
        const double e = BandEnergy(ir, at, window, lo, hi, rate);
        if (first == 0.0)
            first = e;
        const double level = 10.0 * std::log10(e / first);
        if (level < -40.0)
            break;
        t.push_back(double(at) / rate);
        db.push_back(level);
    }
    if (t.size() < 3)
        return 0.0;
    return -60.0 / SlopeDbPerSecond(t, db);
}

/** Deterministic white noise in [-0.5, 0.5), interleaved, both channels independent. */
inline std::vector<float> StereoNoise(std::size_t frames, unsigned seed = 1)
{
    std::vector<float> b(2 * frames);
    unsigned s = seed * 2654435761u + 12345u;
    for (float& v : b)
    {
        s = s * 1664525u + 1013904223u;
        v = float(s >> 8) / float(1u << 24) - 0.5f;
    }
    return b;
}

inline double Rms(const std::vector<float>& b)
{
    double e = 0.0;
    for (float v : b)
        e += double(v) * v;
    return std::sqrt(e / double(b.size()));
}

} // namespace vtest
