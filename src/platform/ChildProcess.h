#pragma once
/** @brief A program started with an argument vector (never through a shell) whose standard
 *  input is a pipe that we write; its standard output and error go to /dev/null.
 *
 * The program is looked up on the search path. The pipe's ends are close-on-exec, so another
 * child started meanwhile cannot hold this one's input open. Broken pipes are ignored
 * process-wide from the first Start on: a child that dies makes Write fail instead of
 * killing the program; the child itself starts with the default SIGPIPE behaviour.
 *
 * One thread at a time per instance. */

#include <QByteArray>

#include <chrono>
#include <vector>

#include <sys/types.h>

namespace plat
{

class ChildProcess
{
public:
    /** How long Write waits for a child that takes nothing in, and Finish for one that does
     *  not exit, before giving up on it. */
    static constexpr std::chrono::seconds kStallTimeout{20};

    ChildProcess() = default;
    /** Finishes a running child (as Finish). */
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /** Starts @p argv[0] (found on PATH) with @p argv. False when it cannot be started (no
     *  such program, not executable) or @p argv is empty. */
    bool Start(const std::vector<QByteArray>& argv);
    bool IsRunning() const { return m_pid > 0; }

    /** Writes all @p bytes to the child's input. False when the child stopped reading (it
     *  exited or closed its input) or took nothing for kStallTimeout. */
    bool Write(const void* data, std::size_t bytes);

    /** Closes the child's input and waits for it to exit; true only when it exited with
     *  status 0. A child still running after kStallTimeout is killed (false). True when
     *  nothing runs. */
    bool Finish();

private:
    void CloseInput();

    pid_t m_pid = -1;
    int m_input = -1;
};

} // namespace plat
