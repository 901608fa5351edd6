#pragma once
/** @brief Message pumping for long work on the UI thread (loading a file, rendering a loop).
 *
 * Any event handler may run inside these calls; callers must expect to be re-entered. */

/** Dispatches every pending event of the calling thread's event loop; returns 0. */
int PumpMessages();
/** 100 rounds of a 10 ms sleep followed by PumpMessages (about one second). */
void WaitPumping();
