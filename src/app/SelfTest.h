#pragma once
/** @brief The program's run-time hooks outside the window: whether there is a display at all,
 *  a clean close on SIGTERM or SIGINT, and the self-test an installation check runs.
 *
 * The self-test runs when VORNA_SELFTEST_PLAY_MS is set: after start-up the program plays the
 * session for that many milliseconds, prints what it played and where its data lies, and closes
 * its window through the normal close sequence. The exit code is 0 when the session played. */

class CVornaApp;

namespace shell
{

/** False when Qt would find no display to open (no DISPLAY for X, no WAYLAND_DISPLAY for
 *  Wayland, and no other platform chosen). */
bool HasDisplay();
/** Closes the main window (the normal close sequence) on SIGTERM and SIGINT. */
void QuitOnTerminationSignals(CVornaApp& app);
/** Starts the self-test when the environment asks for it. */
void StartSelfTest(CVornaApp& app);
/** The exit code: @p loopResult, or 1 when a self-test ran and failed. */
int SelfTestResult(int loopResult);

} // namespace shell
