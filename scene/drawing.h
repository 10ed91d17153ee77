// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Shared inside the scene: the palette and the plan.
#pragma once

// freeglut's header first: on Windows it brings in windows.h, which GL/gl.h needs.
#include <GL/glut.h>

#include <GL/gl.h>

constexpr GLfloat yellow[3] = {1.0f, 1.0f, 0.0f};
constexpr GLfloat white[3] = {1.0f, 1.0f, 1.0f};
constexpr GLfloat cyan[3] = {0.0f, 1.0f, 1.0f};
constexpr GLfloat green[3] = {0.0f, 1.0f, 0.0f};
constexpr GLfloat brown[3] = {0.6f, 0.4f, 0.12f};
constexpr GLfloat pink[3] = {0.98f, 0.04f, 0.7f};
constexpr GLfloat violet[3] = {0.6f, 0.4f, 0.7f};

// Starts from the view frame with the markers' yellow still current and
// leaves the modelview stack at its bottom entry, coloured violet.
void drawPlan();
