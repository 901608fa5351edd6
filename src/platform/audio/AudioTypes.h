#pragma once
/** @brief Small value types shared by the audio layer's streams and device lists. */

#include <QString>

#include <cstdint>

namespace plat
{

/** One entry of an output or input device list. */
struct DeviceInfo
{
    QString name;
    bool enabled = true;
    bool isDefault = false;
};

/** Peak levels over the last 20 ms played (or recorded), 0..32768 per channel. */
struct PeakLevel
{
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    /** Left in the low word, right in the high word, as the level meters read them. */
    std::uint32_t Packed() const { return left | (right << 16); }
};

/** How the null device's clock runs. */
enum class NullDeviceMode
{
    RealTime, ///< paced at the stream's rate, as a sound card would be
    FreeRun,  ///< plays whatever the stream has ready, as fast as its procedure delivers
};

/** Interleaved stereo: every buffer of the layer holds left, right, left, right... floats. */
inline constexpr int kChannels = 2;

} // namespace plat
