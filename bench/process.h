// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one child process and measures it from just before fork to the moment it exited (or
// printed a marker), with its peak resident set size from wait4.
#include <string>
#include <vector>

namespace Bench {

struct ProcessOptions {
    // Extra environment entries ("NAME=value"), replacing inherited ones of the same name.
    std::vector<std::string> environment;
    // Written to the child's standard input, which is then closed.
    std::string input;
    // Run the child on a pseudo-terminal and type this (plus a line feed) at every prompt
    // that asks for a passphrase: age reads passphrases from a terminal only.
    std::string terminalPassphrase;
    bool useTerminal = false;
    // When not empty, the clock stops when this text appears on the child's standard output
    // (the child is then left to exit by itself).
    std::string marker;
    int timeoutSeconds = 120;
};

struct ProcessResult {
    bool ok = false; // started, exited with status 0 and, if asked, printed the marker
    int exitCode = -1;
    double seconds = 0;    // wall time from before fork to exit or marker
    double cpuSeconds = 0; // the child's user + system time
    long maxRssKiB = 0;    // the child's peak resident set size
    std::string output;    // standard output (terminal output with useTerminal)
    std::string failure;   // why ok is false
};

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options);

// The full path of a program on PATH, or empty.
std::string findProgram(const std::string& name);

} // namespace Bench
