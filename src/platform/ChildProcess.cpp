#include "platform/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plat
{
namespace
{

void IgnoreBrokenPipe()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

// posix_spawn's attributes and file actions, released on every way out of Start.
struct SpawnSetup
{
    SpawnSetup()
    {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
};

} // namespace

ChildProcess::~ChildProcess()
{
    Finish();
}

bool ChildProcess::Start(const std::vector<QByteArray>& argv)
{
    Finish();
    if (argv.empty() || argv.front().isEmpty())
        return false;
    IgnoreBrokenPipe();

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;

    SpawnSetup setup;
    // The ignored SIGPIPE would be inherited through exec; the child gets the default back.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_adddup2(&setup.actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const QByteArray& a : argv)
        args.push_back(const_cast<char*>(a.constData()));
    args.push_back(nullptr);

    pid_t pid = -1;
    const int err = ::posix_spawnp(&pid, args[0], &setup.actions, &setup.attr, args.data(), environ);
    ::close(fds[0]);
    if (err != 0)
    {
        ::close(fds[1]);
        return false;
    }
    m_pid = pid;
    m_input = fds[1];
    // Non-blocking, so that a child that stops reading cannot hold the writer for ever.
    ::fcntl(m_input, F_SETFL, ::fcntl(m_input, F_GETFL) | O_NONBLOCK);
    return true;
}

bool ChildProcess::Write(const void* data, std::size_t bytes)
{
    if (m_input < 0)
        return false;
    const auto* p = static_cast<const char*>(data);
    auto stalledSince = std::chrono::steady_clock::now();
    while (bytes > 0)
    {
        const ssize_t n = ::write(m_input, p, bytes);
        if (n > 0)
        {
            p += n;
            bytes -= static_cast<std::size_t>(n);
            stalledSince = std::chrono::steady_clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        {
            if (std::chrono::steady_clock::now() - stalledSince > kStallTimeout)
                return false;
            pollfd pfd{m_input, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
            if (pfd.revents & (POLLERR | POLLHUP))
                return false;
            continue;
        }
        return false; // EPIPE: the child is gone or closed its input
    }
    return true;
}

void ChildProcess::CloseInput()
{
    if (m_input >= 0)
        ::close(m_input);
    m_input = -1;
}

bool ChildProcess::Finish()
{
    CloseInput();
    if (m_pid <= 0)
        return true;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kStallTimeout;
    pid_t done = 0;
    for (;;)
    {
        done = ::waitpid(m_pid, &status, WNOHANG);
        if (done != 0 && !(done < 0 && errno == EINTR))
            break;
        if (std::chrono::steady_clock::now() > deadline)
        {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m_pid = -1;
    return done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace plat
