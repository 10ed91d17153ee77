// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Preloaded into an unmodified GLUT program: counts its buffer swaps, so the
// frame rate of the real executable can be read without changing it.
#include <dlfcn.h>
#include <sys/mman.h>

#include <cstdlib>
#include <ctime>

#include "frame_counter.h"

namespace {

FrameCounter *counter = nullptr;
void (*realSwapBuffers)() = nullptr;

std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Runs before the program's main: an unset or bad descriptor leaves the
// program running uncounted rather than stopping it.
__attribute__((constructor)) void attach()
{
    realSwapBuffers = reinterpret_cast<void (*)()>(dlsym(RTLD_NEXT, "glutSwapBuffers"));
    const char *fd = std::getenv(FRAME_COUNTER_FD_VARIABLE);
    if (fd == nullptr) {
        return;
    }
    void *shared =
        mmap(nullptr, sizeof(FrameCounter), PROT_READ | PROT_WRITE, MAP_SHARED, std::atoi(fd), 0);
    if (shared != MAP_FAILED) {
        counter = static_cast<FrameCounter *>(shared);
    }
}

}  // namespace

extern "C" void glutSwapBuffers()
{
    realSwapBuffers();
    if (counter == nullptr) {
        return;
    }
    // A frame counts once it has been handed to the window system.
    if (counter->frames.load(std::memory_order_relaxed) == 0) {
        counter->firstFrameNs.store(monotonicNs(), std::memory_order_relaxed);
    }
    counter->frames.fetch_add(1, std::memory_order_release);
}
