#pragma once
/** @brief Opening a file for a reader that takes it whole, only when it is a regular file.
 *
 * A FIFO without a writer blocks an ordinary open for ever, and one with a writer (or a device
 * such as /dev/zero) never ends: a reader that asks for everything until the end would wait or
 * grow without bound. The file is opened without waiting and then asked what it is, so nothing
 * can be put in its place between the question and the open. UI thread. */

#include <QString>

class QFile;

namespace plat
{

enum class OpenedAs
{
    RegularFile, ///< @p file is open for reading
    OtherKind,   ///< a FIFO, a device, a socket or a folder: nothing was opened
    Failed,      ///< the system refused the open (no such file, no permission, ...)
};

/** Opens @p file (not open yet) read-only on @p path if the path names a regular file.
 *  On Failed, @p reason is the system's text for the error. */
OpenedAs OpenRegularFile(QFile& file, const QString& path, QString& reason);

} // namespace plat
