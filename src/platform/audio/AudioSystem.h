#pragma once
/** @brief Start-up, shutdown and device lists of the audio layer.
 *
 * PortAudio is initialised once, by the first Initialize, and terminated by Shutdown once no
 * stream is open; choosing another device later only records which device the next streams
 * open. Without any usable device (a server, CI) every stream plays on the null device, so
 * the program keeps working silently.
 *
 * Every method is for the UI thread unless it says otherwise. */

#include "platform/audio/AudioTypes.h"

#include <QString>

#include <functional>
#include <vector>

namespace plat
{

class AudioSystem
{
public:
    /** Checks the versions of the libraries the layer stands on, in this order: the device
     *  library, the spectrum library, the file writer and the resampler. Empty when all are
     *  fine; else the text of the first problem, for a message box. Any thread. */
    static QString CheckVersions();

    /** Opens the audio layer for output device @p device: -1 the default device, 0 no sound
     *  (the null device), 1.. the entries of OutputDevices(). False when PortAudio cannot
     *  start, no output device exists, or @p device is past the list; streams then play on
     *  the null device (the caller reports the failure). */
    static bool Initialize(int device);

    /** Terminates PortAudio; deferred until the last open stream closes. */
    static void Shutdown();

    /** Output devices: entry 0 is "No sound" (the null device), entries 1.. the devices that
     *  can play stereo; one of them carries the default flag. */
    static std::vector<DeviceInfo> OutputDevices();
    /** Input devices, from index 0; empty when there are none (or on the null device). */
    static std::vector<DeviceInfo> InputDevices();

    /** The output device's recommended minimum buffer in ms; the null device's period (10)
     *  when streams play on the null device. */
    static int MinBufferMs();

    /** Load of the streams' procedures in percent of real time, summed over the open
     *  output streams. Any thread. */
    static double CpuPercent();

    /** From now on every stream plays (and records) on the null device in @p mode, whatever
     *  devices exist. For tests and for running without sound. */
    static void UseNullDevice(NullDeviceMode mode);
    /** From now on the null device plays only at @p rate Hz, as a card that refuses other
     *  rates does, so streams at any other rate are resampled to it; 0 (the default) lets it
     *  play at every rate. For tests. */
    static void SetNullDeviceRate(unsigned rate);
    /** Back to the devices that Initialize chose (tests). */
    static void UseRealDevices();
    /** True when new streams would play on the null device. */
    static bool UsesNullDevice();

    /** Sees every block the null device plays, on the null device's thread (tests: this
     *  is how an offline render is captured). Empty to remove. */
    static void SetNullDeviceMonitor(std::function<void(const float* frames, std::uint32_t count)> monitor);

    /** Fills every block the null device records, on the null device's thread, in place of
     *  silence (tests: a fake microphone). Empty to record silence again. */
    static void SetNullInputSource(std::function<void(float* frames, std::uint32_t count)> source);

    /** The text of the last failure of a stream to start on its device (AudioOutput::Play
     *  returned false), for the caller's message box. */
    static QString LastError();
};

} // namespace plat
