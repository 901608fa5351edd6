#pragma once
/** @brief What the streams ask of the audio system. Internal to the audio layer; UI thread
 *  unless said otherwise. */

#include "platform/audio/AudioTypes.h"

#include <QString>

#include <cstdint>

namespace plat::detail
{

struct OutputTarget
{
    bool null = true;
    NullDeviceMode mode = NullDeviceMode::RealTime;
    int paDevice = -1;
    unsigned nullRate = 0; ///< the only rate the null device plays at; 0 any
};

struct InputTarget
{
    bool ok = false;
    bool null = true;
    NullDeviceMode mode = NullDeviceMode::RealTime;
    int paDevice = -1;
    int channels = 2;
    int inUse = -1; ///< the index reported as the device in use
};

OutputTarget CurrentOutput();
InputTarget ResolveInput(int device);

/** A stream opened or closed a device; PortAudio terminates only at zero. */
void StreamOpened();
void StreamClosed();

/** A device never called back: streams play on the null device until the next Initialize. */
void OutputFailed(const QString& text);

/** Adds or removes a stream's share of the procedure load (any thread). */
void AddLoad(double fraction);

/** The null-device monitor, if set (null device's thread). */
void Monitor(const float* frames, std::uint32_t count) noexcept;

/** Lets the null-input source, if set, fill a block the null device records (null device's thread). */
void NullInput(float* frames, std::uint32_t count) noexcept;

} // namespace plat::detail
