// Test builds only: a process that dies of an unhandled exception ends with kCrashExitCode at
// once. Under Wine such a process otherwise often exits with 0, or waits in the debugger, so a
// crash could pass for a clean run.
#pragma once

constexpr unsigned kCrashExitCode = 3;

// Prints the exception code and address to standard error and ends the process with
// kCrashExitCode; no debugger is started.
void InstallCrashExit();
