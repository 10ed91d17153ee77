// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Runs GLUT programs one after another, each several times and interleaved,
// with the frame-counting shim preloaded, and prints for each its
// steady-state frame rate, its time from process start to first frame and
// its peak resident memory (medians), and the frame-rate ratio of the first
// program to the second.
//
//   framerate SHIM RUNS WARMUP_S MEASURE_S PROGRAM [PROGRAM...]
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "frame_counter.h"

namespace {

struct Sample {
    double fps = 0.0;
    double firstFrameMs = 0.0;
    long peakRssKb = 0;
};

std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "framerate: %s\n", what.c_str());
    std::exit(1);
}

Sample measure(const std::string &shim, const std::string &program, double warmupS, double measureS)
{
    const int fd = memfd_create("frame-counter", 0);  // inherited across exec
    if (fd < 0 || ftruncate(fd, sizeof(FrameCounter)) != 0) {
        fail("cannot create the shared counter");
    }
    auto *counter = static_cast<FrameCounter *>(
        mmap(nullptr, sizeof(FrameCounter), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    if (counter == MAP_FAILED) {
        fail("cannot map the shared counter");
    }

    const std::int64_t startNs = monotonicNs();
    const pid_t child = fork();
    if (child == 0) {
        setenv(FRAME_COUNTER_FD_VARIABLE, std::to_string(fd).c_str(), 1);
        setenv("LD_PRELOAD", shim.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }

    const auto waitFrames = [&](double seconds) {
        const std::int64_t until = monotonicNs() + static_cast<std::int64_t>(seconds * 1e9);
        while (monotonicNs() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (waitpid(child, nullptr, WNOHANG) != 0) {
                fail(program + " ended early");
            }
        }
    };
    const std::int64_t giveUp = startNs + 20'000'000'000LL;
    while (counter->frames.load(std::memory_order_acquire) == 0) {
        if (monotonicNs() > giveUp) {
            kill(child, SIGKILL);
            fail(program + " showed no frame within 20 s");
        }
        waitFrames(0.005);
    }
    Sample sample;
    sample.firstFrameMs = (counter->firstFrameNs.load() - startNs) / 1e6;

    waitFrames(warmupS);
    const std::uint64_t frames0 = counter->frames.load(std::memory_order_acquire);
    const std::int64_t t0 = monotonicNs();
    waitFrames(measureS);
    const std::uint64_t frames1 = counter->frames.load(std::memory_order_acquire);
    const std::int64_t t1 = monotonicNs();
    sample.fps = static_cast<double>(frames1 - frames0) / ((t1 - t0) / 1e9);

    kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    sample.peakRssKb = usage.ru_maxrss;
    munmap(counter, sizeof(FrameCounter));
    close(fd);
    return sample;
}

std::string baseName(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s SHIM RUNS WARMUP_S MEASURE_S PROGRAM [PROGRAM...]\n",
                     argv[0]);
        return 2;
    }
    const std::string shim = argv[1];
    const int runs = std::atoi(argv[2]);
    const double warmupS = std::atof(argv[3]);
    const double measureS = std::atof(argv[4]);
    const std::vector<std::string> programs(argv + 5, argv + argc);

    std::vector<std::vector<Sample>> samples(programs.size());
    for (int run = 0; run < runs; ++run) {
        // Alternate the order, so a slow drift in the machine's load does not
        // always fall on the same program.
        for (size_t k = 0; k < programs.size(); ++k) {
            const size_t i = run % 2 ? programs.size() - 1 - k : k;
            const Sample s = measure(shim, programs[i], warmupS, measureS);
            samples[i].push_back(s);
            std::printf("run %d  %-16s %8.1f fps  first frame %7.1f ms  peak RSS %7.1f MiB\n",
                        run + 1, baseName(programs[i]).c_str(), s.fps, s.firstFrameMs,
                        s.peakRssKb / 1024.0);
            std::fflush(stdout);
        }
    }

    std::printf("\nmedian of %d runs (%.0f s warm-up, %.0f s measured each)\n", runs, warmupS,
                measureS);
    std::vector<double> fpsMedians;
    for (size_t i = 0; i < programs.size(); ++i) {
        std::vector<double> fps, first, rss;
        for (const Sample &s : samples[i]) {
            fps.push_back(s.fps);
            first.push_back(s.firstFrameMs);
            rss.push_back(s.peakRssKb / 1024.0);
        }
        fpsMedians.push_back(median(fps));
        std::printf("%-16s %8.1f fps  first frame %7.1f ms  peak RSS %7.1f MiB\n",
                    baseName(programs[i]).c_str(), median(fps), median(first), median(rss));
    }
    if (programs.size() >= 2) {
        std::vector<double> ratios;
        for (int run = 0; run < runs; ++run) {
            ratios.push_back(samples[0][run].fps / samples[1][run].fps);
        }
        std::printf("ratio %s/%s: %.3f (median of per-run ratios %.3f)\n",
                    baseName(programs[0]).c_str(), baseName(programs[1]).c_str(),
                    fpsMedians[0] / fpsMedians[1], median(ratios));
    }
    return 0;
}
