#pragma once
/** @brief Plays a sound file, or float stereo frames pushed in by another thread.
 *
 * A file plays at its own rate, decoded on the output stream's update thread. A push stream
 * plays what PutData queues, in order, and silence while nothing is queued; CreatePushStream
 * waits (a bounded time) until the device's minimum buffer plus 10 ms is queued, so that
 * playing starts without an immediate dropout.
 *
 * OpenFile, CreatePushStream, Play, Stop and Close on the UI thread; PutData on one producer
 * thread (the recording thread, also during the pre-buffer wait); GetLength on the UI
 * thread. The producer must be stopped before Close. */

#include "platform/audio/AudioOutput.h"
#include "platform/audio/SoundDecoder.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class CStreamPlayer
{
public:
    /** The pre-buffer wait gives up after this many 1 ms polls that find nothing queued. */
    static constexpr int kIdlePolls = 100;
    /** And in any case after this long, however slowly frames trickle in. */
    static constexpr std::chrono::milliseconds kPrebufferDeadline{1000};

    CStreamPlayer() = default;
    ~CStreamPlayer();
    CStreamPlayer(const CStreamPlayer&) = delete;
    CStreamPlayer& operator=(const CStreamPlayer&) = delete;

    /** A stream that plays @p path (not yet playing); closes the one before. False after the
     *  message box "Failed to create play file stream.", or without it when @p report is false
     *  (for a caller that says in its own words that the file cannot be played). */
    bool OpenFile(const QString& path, bool report = true);
    /** A float stereo push stream at @p rate Hz, after the pre-buffer wait; closes the one
     *  before. False after the message box "Failed to create playback stream." */
    bool CreatePushStream(unsigned rate);
    /** Queues @p bytes bytes of float stereo frames (whole frames); false when the stream
     *  refuses them (full, not a push stream, no stream). */
    bool PutData(const void* data, std::uint32_t bytes);
    /** Starts or resumes playing; false without a stream or when the device failed (the
     *  stream then plays on the null device). */
    bool Play();
    /** Pauses; the stream and its position stay. */
    bool Stop();
    /** Playing and not at the end of the stream; false without a stream. UI thread. */
    bool IsPlaying() const;
    /** Seconds of the open file; 0 for a push stream or without a stream. */
    double GetLength() const;
    /** Milliseconds until the listener has heard the open file to its end: what the device has
     *  still to play, and once it has played the last frame, what is left of its latency. 0 once
     *  heard, without a stream and for a push stream. UI thread. */
    int MillisecondsToEnd();
    /** Stops and frees the stream; false when there was none. */
    bool Close();

private:
    std::unique_ptr<plat::AudioOutput> m_stream;
    // The producer's view of a push stream, published once it exists: PutData may already
    // run while CreatePushStream waits.
    std::atomic<plat::AudioOutput*> m_push{nullptr};
    std::unique_ptr<plat::SoundDecoder> m_decoder; // read only on the stream's update thread
    double m_length = 0.0;
    std::uint64_t m_fileFrames = 0;
    unsigned m_fileRate = 0;
    /** When the device was first seen to have played the whole file (its latency runs from then). */
    std::optional<std::chrono::steady_clock::time_point> m_playedAll;
};
