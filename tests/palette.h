// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The program's palette and markers for the tests that read its pictures back, and a colour of the
// palette as an 8-bit framebuffer shows it: GL rounds each channel to the nearest level.
#pragma once

#include "scene/drawing.h"

struct Rgb {
    int r, g, b;
};
constexpr Rgb rgb8(const GLfloat (&c)[3])
{
    const auto level = [](GLfloat f) { return static_cast<int>(f * 255.0 + 0.5); };
    return {level(c[0]), level(c[1]), level(c[2])};
}
