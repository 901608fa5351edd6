#pragma once
/** @brief Test media made on the spot: sines of an exact length in the formats the program
 *  reads, so each test shows which file it reads. */

#include "platform/audio/SoundWriter.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace vtest
{

/** Writes @p frames frames of a sine (@p hz, amplitude @p amp, phase 0 at frame 0) to
 *  @p path; a second channel carries the sine at half amplitude. False on failure. */
bool WriteSine(const QString& path, plat::SoundWriter::Format format, unsigned rate, int channels,
               std::uint64_t frames, double hz, double amp = 0.5);

/** Writes frames whose samples come from @p sample(frame, channel). */
bool WriteFrames(const QString& path, plat::SoundWriter::Format format, unsigned rate, int channels,
                 std::uint64_t frames, const std::function<float(std::uint64_t, int)>& sample);

/** Encodes the WAV @p wav to MP3 with the lame program; without @p lengthTag the encoder
 *  writes no frame-count (Xing/LAME) header. False when lame is missing or fails. */
bool EncodeMp3(const QString& wav, const QString& mp3, bool lengthTag);

/** A path in the test's private home. */
QString MediaPath(const QString& name);

} // namespace vtest
