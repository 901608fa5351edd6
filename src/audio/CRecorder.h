#pragma once
/** @brief Records float stereo from an input device, handing it to a callback 10 ms at a time.
 *
 * A device with a single input channel is recorded mono and fed to both channels. The input
 * level is a gain on the recorded samples (there is no input mixer to set): the callback and
 * the level meter see the frames after it. The level is shared by every recorder, as a sound
 * card's input level would be, and a recorder starts at the level last set.
 *
 * Every method is for the UI thread; the callback runs on the recording thread and may take
 * its time. Free waits for a callback in progress to return, so the callback must not wait
 * for the UI thread. */

#include "platform/audio/AudioInput.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class CRecorder
{
public:
    /** Gets @p length bytes (length / 8 frames) of interleaved float stereo at @p buffer, which
     *  it may change in place; returns 0 to stop recording, anything else to go on. */
    using RecordProc = int (*)(CRecorder* recorder, void* buffer, std::uint32_t length, void* user);

    CRecorder() = default;
    ~CRecorder();
    CRecorder(const CRecorder&) = delete;
    CRecorder& operator=(const CRecorder&) = delete;

    /** Opens @p device (-1 the default, else an index of the recording device list) and starts
     *  recording at @p rate Hz into @p proc with @p user. Frees a recording before. False after
     *  its message box: "Failed to initialize the recorder.", "Failed to get the recording
     *  device." or "Failed to start the recording device.", each followed by the two hints. */
    bool Start(int device, unsigned rate, RecordProc proc, void* user);
    /** Stops recording and closes the device; true. */
    bool Free();
    bool IsRecording() const { return m_input != nullptr; }
    /** The device asked for at the last Start, and the one recording (-1 when none). */
    int GetRequestedDevice() const { return m_requestedDevice; }
    int GetDeviceInUse() const { return m_deviceInUse; }

    /** Sets the input level (0..1; held to that range) of this and every later recording;
     *  false without a device in use. */
    bool SetInputLevel(double volume);
    /** The input level recordings start at, without a device open (the options' recording
     *  level, when the options are loaded). */
    static void SetStartLevel(double volume);

    /** Peak of the left channel over the last 20 ms, 0..1; -1 without a device in use. */
    double GetLevel() const;
    /** Frames the device recorded that found no room because the callback fell behind, since
     *  Start; 0 without a device. Any thread while recording. */
    std::uint64_t DroppedFrames() const;
    /** Frames recorded after the block the callback is given; 0 without a device. The callback's
     *  thread, or any thread while recording. */
    std::uint32_t QueuedFrames() const;

    static QString Hints();

private:
    bool Deliver(const float* frames, std::uint32_t count);

    std::unique_ptr<plat::AudioInput> m_input;
    int m_requestedDevice = -1;
    int m_deviceInUse = -1;
    RecordProc m_proc = nullptr;
    void* m_user = nullptr;
    std::vector<float> m_block; // what the callback gets (and may change)
};
