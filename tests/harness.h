// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// A real toolkit window on the test display, with the viewer's callbacks
// registered exactly as the program does, and helpers to read what it shows.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/viewer.h"
#include "tests/palette.h"

// Palette colours as they land in an 8-bit framebuffer.
constexpr Rgb BLACK = {0, 0, 0}, YELLOW = rgb8(yellow), WHITE = rgb8(white), CYAN = rgb8(cyan),
              GREEN = rgb8(green), BROWN = rgb8(brown), PINK = rgb8(pink), VIOLET = rgb8(violet);

// Pixels in GL window coordinates: (0, 0) is the bottom-left pixel.
struct Frame {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    Rgb at(int x, int y) const;
    // Pixels of `colour` inside [x0, x1) x [y0, y1).
    int count(Rgb colour, int x0, int y0, int x1, int y1) const;
    int count(Rgb colour) const { return count(colour, 0, 0, width, height); }
};

bool near(Rgb a, Rgb b);

// Runs the display callback and reads back the frame it showed.
Frame drawFrame();

// Runs passes of the toolkit's main loop: events, pending redraws, then the
// idle callback if one is registered.
void pump(int passes = 5);

// Whether `action` leads the toolkit to draw a frame: the shown frame is
// painted over first, so only a real redraw brings the picture back.
bool redraws(const std::function<void()> &action);

// Whether the spin is the registered idle callback, seen through its effect.
bool spinning();

// The idle callback the toolkit was last given, as the toolkit sees it.
using IdleCallback = void (*)();
IdleCallback registeredIdle();

// The state and GL state right after start-up, before any test touched them.
struct Startup {
    ViewerState state;
    GLint viewport[4];
    GLboolean depthTest;
    bool spinning;
};
extern Startup startup;

// Every test starts from the state a fresh start-up has.
class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override;
};
