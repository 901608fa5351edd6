#pragma once
/** @brief A bounded first-in first-out queue of float stereo frames between two threads: the
 *  session audio waiting to be mixed into a live recording.
 *
 * Ten seconds of frames at the rate it was created for. Lock-free and allocation-free once
 * created: PutData is for one producing thread and GetData for one consuming thread (the
 * recording thread). The producer is the engine's stream thread, which hands its blocks to a
 * live recording as it passes them to the device, so no block waits for the UI thread; any
 * one other thread may produce instead. Create and Free on the UI thread while neither side
 * runs. */

#include "audio/CStereoFrame.h"
#include "platform/audio/FrameFifo.h"

#include <cstdint>
#include <memory>

class CQueueStream
{
public:
    static constexpr unsigned kSeconds = 10;

    /** An empty queue for float stereo (@p channels 2) at @p rate Hz; frees one made
     *  before. False after the message box "Failed to create a queue stream." */
    bool Create(unsigned rate, int channels);
    /** Queues all @p count frames, or none of them when they do not fit (or nothing was
     *  created): then false. A count of 0 is a success. Producer thread. */
    bool PutData(const CStereoFrame* frames, std::uint32_t count);
    /** Takes up to @p count frames out, oldest first, into @p buffer; returns how many (0
     *  when the queue is empty or was not created). Consumer thread. */
    std::uint32_t GetData(CStereoFrame* buffer, std::uint32_t count);
    /** Frames waiting. Any thread. */
    std::uint32_t Queued() const;
    void Free();

private:
    std::unique_ptr<plat::FrameFifo> m_fifo;
};
