// The timing both whole-process benchmarks share: wall-clock and processor
// seconds of a step in this process or of a program run as a child, the
// fastest of several runs kept.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <limits>
#include <string>
#include <vector>

extern char** environ;

namespace benchtiming {

struct Seconds {
    double wall = std::numeric_limits<double>::infinity();
    double processor = std::numeric_limits<double>::infinity();

    void keepFastest(const Seconds& other)
    {
        wall = std::min(wall, other.wall);
        processor = std::min(processor, other.processor);
    }
};

inline double processorNow()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// One step in this process, all its threads' processor time counted.
inline Seconds secondsOf(const std::function<void()>& step)
{
    const double processorStart = processorNow();
    const auto start = std::chrono::steady_clock::now();
    step();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {wall, processorNow() - processorStart};
}

// Runs the program arguments[0] with its output thrown away and returns the
// child's times; a child that fails ends the benchmark.
inline Seconds runProcess(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s %s\n", argv[0], arguments.size() > 1 ? arguments[1].c_str() : "");
        std::exit(1);
    }
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * t.tv_usec; };
    return {wall, seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

} // namespace benchtiming
