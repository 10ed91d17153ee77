// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Shared inside the scene, and with the tests that check its picture: the palette, the markers
// and the plan.
#pragma once

// freeglut's header first: on Windows it brings in windows.h, which GL/gl.h needs.
#include <GL/glut.h>

#include <GL/gl.h>

#include "app/viewer.h"

constexpr GLfloat yellow[3] = {1.0f, 1.0f, 0.0f};
constexpr GLfloat white[3] = {1.0f, 1.0f, 1.0f};
constexpr GLfloat cyan[3] = {0.0f, 1.0f, 1.0f};
constexpr GLfloat green[3] = {0.0f, 1.0f, 0.0f};
constexpr GLfloat brown[3] = {0.6f, 0.4f, 0.12f};
constexpr GLfloat pink[3] = {0.98f, 0.04f, 0.7f};
constexpr GLfloat violet[3] = {0.6f, 0.4f, 0.7f};

struct Marker {
    GLfloat x, y;
    GLfloat spinOffset;  // degrees added to the shared angle
    GLdouble radius;
};

constexpr Marker MARKERS[] = {
    {0.0f, 0.0f, 0.0f, 0.08},
    {0.1f, 0.13f, -MARKER_TILT, 0.08},
    {-0.07f, 0.15f, +MARKER_TILT, 0.08},
    {-1.35f, 1.2f, 0.0f, 0.08},
    {-0.4f, 1.2f, 0.0f, 0.08},
    {0.2f, 1.0f, 0.0f, 0.06},
    {0.8f, 1.0f, 0.0f, 0.08},
    {-0.8f, -1.3f, 0.0f, 0.05},
    {-0.75f, -1.22f, -MARKER_TILT, 0.05},
    {-0.85f, -1.22f, +MARKER_TILT, 0.05},
    {1.3f, -0.9f, 0.0f, 0.05},
};

constexpr GLfloat MARKER_Z = -0.6f;

// Starts from the view frame with the markers' yellow still current and
// leaves the modelview stack at its bottom entry, coloured violet.
void drawPlan();
