#pragma once
/** @brief Converts a stream of interleaved float frames from one rate to another (soxr, high
 *  quality), block by block, for writers and devices that need a rate the engine does not run
 *  at.
 *
 * Output frame k stands for the input's time k / outRate; it comes out once the filter has
 * seen the input after it, so output lags the input by the filter's delay. Flush (or Drain)
 * at the end of the stream gives the rest, so the whole stream comes out at the new rate with
 * nothing lost. One thread at a time. */

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

    /** The same into a buffer of the caller's: takes up to @p frames frames of @p in (@p used
     *  says how many) and writes at most @p room frames to @p out. Returns the frames
     *  written, or -1 on an error. Allocates nothing of its own, so a stream's update thread
     *  can call it every block. */
    std::ptrdiff_t Process(const float* in, std::size_t frames, std::size_t& used, float* out,
                           std::size_t room);
    /** The input has ended: writes at most @p room frames of what is still inside the filter
     *  to @p out. Returns the frames written (0 once nothing is left), or -1 on an error. */
    std::ptrdiff_t Drain(float* out, std::size_t room);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
