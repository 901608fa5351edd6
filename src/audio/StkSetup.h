#pragma once
/** @brief STK's process-wide settings, made ready for the bell instruments.
 *
 * STK keeps its sample rate, raw-wave folder and printing switches in statics shared by
 * every instrument of the process. An instrument takes the sample rate when it is made and
 * when it is tuned, so a rate left at STK's 44.1 kHz default puts every bell out of tune at
 * any other session rate (at 96 kHz a 220 Hz bell sounds at 479 Hz). */

#include <QString>

namespace audio
{

/** STK's raw-wave folder of an installation folder: "<folder>/Internals/". */
QString StkRawwaveFolder(const QString& installFolder);

/** Readies STK for instruments made on this thread at @p rate Hz: switches STK's own
 *  printing off (its failures reach the caller as exceptions), sets the sample rate and
 *  points the raw-wave folder at the installation's "Internals" folder (GetInstallPath).
 *
 *  Threads: the rendering thread, before it makes any instrument; nothing else may change
 *  these settings while instruments play. Reads the settings store, so not per frame.
 *  Making or freeing an instrument also edits STK's shared list of objects told of rate
 *  changes, so instruments are made and freed on that thread only. */
void PrepareStk(unsigned rate);

} // namespace audio
