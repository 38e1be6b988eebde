#pragma once
// The program: its one window, the Scene that lives as long as the window,
// and the message loop that serves both.

#include <string>

#include "screen/WorkerCount.h"

// Runs until the window is closed. Returns the exit code: 0 after the window
// was closed, 1 when there is no display to show it on or the window or the
// Scene could not be made; what went wrong goes to standard error, prefixed
// with `programName`, and, where a display exists, into a message box.
int runApplication(const std::string& programName, tessary::WorkerCount workerCount);
