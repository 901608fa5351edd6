#include "platform/RegularFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plat
{

OpenedAs OpenRegularFile(QFile& file, const QString& path, QString& reason)
{
    // O_NONBLOCK: the open of a FIFO returns at once even when nobody writes into it.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info = {};
    if (fd < 0)
    {
        const int error = errno;
        // A socket cannot be opened at all (ENXIO), a device perhaps not by this user: they are
        // not files either way.
        if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode))
            return OpenedAs::OtherKind;
        reason = QString::fromLocal8Bit(std::strerror(error));
        return OpenedAs::Failed;
    }
    if (::fstat(fd, &info) != 0)
    {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return OpenedAs::Failed;
    }
    if (!S_ISREG(info.st_mode))
    {
        ::close(fd);
        return OpenedAs::OtherKind;
    }
    // A regular file never makes a read wait; the reader gets the usual blocking descriptor.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // The file owns the descriptor from here on, and closes it.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    {
        reason = file.errorString();
        return OpenedAs::Failed;
    }
    return OpenedAs::RegularFile;
}

} // namespace plat
