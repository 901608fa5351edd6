#pragma once
/** @brief A named pipe for tests of readers that must not wait for one or read one without end.
 *
 * The FIFO is made at construction and removed at destruction. An optional writer thread feeds
 * it: a head, then zeros, until the reader goes away (EPIPE) or a cap is reached, so that a
 * reader that reads to the end costs the test machine no more than the cap. A watchdog releases a
 * reader that hangs in open or read (it opens the write end and closes it, and stops the writer),
 * so a test of a hanging reader fails instead of hanging itself. */

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace vtest
{

class Fifo
{
public:
    explicit Fifo(const QString& path) : m_path(QFile::encodeName(path))
    {
        ::unlink(m_path.constData());
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        // A write after the reader has gone raises SIGPIPE; the writer wants EPIPE instead.
        m_oldPipeHandler = std::signal(SIGPIPE, SIG_IGN);
    }
    ~Fifo()
    {
        m_stop = true;
        if (m_writer.joinable())
            m_writer.join();
        ::unlink(m_path.constData());
        std::signal(SIGPIPE, m_oldPipeHandler);
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool IsMade() const noexcept { return m_made; }

    /** Starts the writer: @p head, then zeros until the reader closes its end or @p cap bytes
     *  are written in all. */
    void StartWriter(std::vector<std::uint8_t> head, std::size_t cap)
    {
        m_writer = std::thread(
            [this, head = std::move(head), cap]
            {
                int fd = -1;
                // Without a reader the open fails at once (ENXIO): ask again until one comes.
                while (!m_stop && (fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (fd < 0)
                    return;
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
                std::vector<std::uint8_t> chunk(65536, 0);
                std::copy(head.begin(), head.end(), chunk.begin());
                while (!m_stop && m_written < cap)
                {
                    const ssize_t n = ::write(fd, chunk.data(), chunk.size());
                    if (n < 0)
                    {
                        if (errno == EINTR)
                            continue;
                        m_readerLeft = errno == EPIPE;
                        break;
                    }
                    m_written += static_cast<std::size_t>(n);
                    std::fill_n(chunk.begin(), head.size(), 0); // the head once
                }
                ::close(fd);
            });
    }
    /** Bytes the writer has put into the FIFO. */
    std::size_t Written() const noexcept { return m_written; }
    /** True when the writer stopped because the reader had closed the FIFO. */
    bool ReaderLeft() const noexcept { return m_readerLeft; }

    /** Runs @p read; when it has not returned after @p limit, the watchdog releases it. True when
     *  @p read returned by itself in time. */
    template <class Read> bool ReturnsWithin(std::chrono::milliseconds limit, Read&& read)
    {
        bool done = false;
        bool released = false;
        std::mutex mutex;
        std::condition_variable finished;
        std::thread watchdog(
            [&]
            {
                std::unique_lock lock(mutex);
                if (finished.wait_for(lock, limit, [&] { return done; }))
                    return;
                released = true;
                m_stop = true;
                // A reader blocked in open counts as one: the write end opens, and closing it
                // gives the reader its end of file.
                while (!done)
                {
                    lock.unlock();
                    const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                    if (fd >= 0)
                        ::close(fd);
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    lock.lock();
                }
            });
        read();
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_all();
        watchdog.join();
        return !released;
    }

private:
    QByteArray m_path;
    bool m_made = false;
    void (*m_oldPipeHandler)(int) = SIG_DFL;
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_written{0};
    std::atomic<bool> m_readerLeft{false};
    std::thread m_writer;
};

} // namespace vtest
