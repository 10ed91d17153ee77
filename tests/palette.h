// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The program's palette and markers (scene/drawing.h) for the tests that read its pictures back.
#pragma once

#include "scene/drawing.h"

// A channel of the palette as an 8-bit framebuffer shows it: GL rounds to the nearest level.
constexpr int level(GLfloat channel)
{
    return static_cast<int>(channel * 255.0 + 0.5);
}
