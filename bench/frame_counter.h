// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Shared between the frame-counting shim, which runs inside the measured
// program, and the runner that reads it from outside.
#pragma once

#include <atomic>
#include <cstdint>

// Lives in a memory file that the runner creates and hands to the measured
// program as an inherited descriptor named by this variable.
constexpr const char *FRAME_COUNTER_FD_VARIABLE = "PLANVIEW_BENCH_COUNTER_FD";

struct FrameCounter {
    std::atomic<std::uint64_t> frames;
    std::atomic<std::int64_t> firstFrameNs;  // CLOCK_MONOTONIC, after the first swap
};
