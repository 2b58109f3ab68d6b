// SPDX-License-Identifier: GPL-3.0-or-later
#include "process.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace Bench {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> childEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        const bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string& x) {
            return x.compare(0, name.size() + 1, name + '=') == 0;
        });
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

bool asksForPassphrase(const std::string& pending) {
    std::string lower(pending);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (lower.find("passphrase") == std::string::npos)
        return false;
    const std::size_t last = lower.find_last_not_of(" \t\r\n");
    return last != std::string::npos && lower[last] == ':';
}

// age prints its prompt before it turns echo off; typing earlier would echo the passphrase.
void waitForEchoOff(int fd) {
    const auto giveUp = Clock::now() + std::chrono::seconds(2);
    termios t{};
    while (tcgetattr(fd, &t) == 0 && (t.c_lflag & ECHO) && Clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

void writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += std::size_t(n);
    }
}

} // namespace

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + '/' + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    ProcessResult result;
    std::vector<std::string> args = argv;
    std::vector<std::string> env = childEnvironment(options.environment);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(env);

    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    int master = -1;
    const auto start = Clock::now();
    pid_t pid;
    if (options.useTerminal) {
        pid = forkpty(&master, nullptr, nullptr, nullptr);
    } else {
        if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0) {
            result.failure = "pipe failed";
            return result;
        }
        pid = fork();
    }
    if (pid < 0) {
        result.failure = "fork failed";
        return result;
    }
    if (pid == 0) {
        if (!options.useTerminal) {
            dup2(inPipe[0], STDIN_FILENO);
            dup2(outPipe[1], STDOUT_FILENO);
            dup2(outPipe[1], STDERR_FILENO);
        }
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }

    int readFd = master;
    if (!options.useTerminal) {
        close(inPipe[0]);
        close(outPipe[1]);
        writeAll(inPipe[1], options.input);
        close(inPipe[1]);
        readFd = outPipe[0];
    }

    const auto deadline = start + std::chrono::seconds(options.timeoutSeconds);
    std::size_t answered = 0;
    bool markerSeen = false;
    auto stop = start;
    bool timedOut = false;
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd p{readFd, POLLIN, 0};
        const int ready = poll(&p, 1, int(std::min<long long>(left, 1000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        const ssize_t n = read(readFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // EOF, or EIO once the child has closed the terminal
        result.output.append(buffer, std::size_t(n));
        if (!options.marker.empty() && !markerSeen &&
            result.output.find(options.marker) != std::string::npos) {
            markerSeen = true;
            stop = Clock::now();
        }
        if (options.useTerminal && asksForPassphrase(result.output.substr(answered))) {
            waitForEchoOff(master);
            writeAll(master, options.terminalPassphrase + "\n");
            answered = result.output.size();
        }
    }
    close(readFd);

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (options.marker.empty())
        stop = Clock::now();
    result.seconds = std::chrono::duration<double>(stop - start).count();
    result.maxRssKiB = usage.ru_maxrss;
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (timedOut)
        result.failure = "timed out";
    else if (result.exitCode != 0)
        result.failure = "exit status " + std::to_string(result.exitCode);
    else if (!options.marker.empty() && !markerSeen)
        result.failure = "no marker";
    result.ok = result.failure.empty();
    return result;
}

} // namespace Bench
