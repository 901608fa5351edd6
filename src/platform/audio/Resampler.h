#pragma once
/** @brief Converts a stream of interleaved float frames from one rate to another (soxr, high
 *  quality), block by block, for writers that need a rate the engine does not run at.
 *
 * Output lags the input by the filter's delay; Flush at the end of the stream gives the rest,
 * so the whole stream comes out at the new rate with nothing lost. One thread at a time. */

#include <cstddef>
#include <memory>
#include <vector>

namespace plat
{

class Resampler
{
public:
    Resampler();
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    /** False when the rates or channels are refused. Closes what was open first. */
    bool Open(unsigned inRate, unsigned outRate, int channels);
    void Close();
    bool IsOpen() const;

    /** Resamples @p frames frames of @p in; the output frames are appended to @p out. */
    bool Process(const float* in, std::size_t frames, std::vector<float>& out);
    /** Appends what is still inside the filter; the stream has ended. */
    bool Flush(std::vector<float>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
