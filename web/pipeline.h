// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The part of OpenGL 1.1's fixed pipeline the viewer draws with, on WebGL: lines in one colour
// under one matrix, from vertices captured once into a buffer that stays on the graphics side.
#ifndef PLANVIEW_WEB_PIPELINE_H
#define PLANVIEW_WEB_PIPELINE_H

#include <GL/gl.h>

#include "web/matrix.h"

// With a WebGL context current: the program and the buffer every line is drawn with. Called again
// for a context the browser took away and gave back, it builds them anew, with the captured lines
// and the state the viewer set.
void startPipeline();

// The matrix the vertices are drawn with from now on, column by column: projection times
// modelview, as matrix.cpp works it out.
void setTransform(const GLfloat m[MATRIX_SIZE]);

// Lines in the shared buffer: `count` vertices from `first`, two to a line.
struct Lines {
    GLint first;
    GLsizei count;
};

// Between the two, glBegin, glVertex3fv and glEnd capture line loops, strips and lines as
// separate lines, each drawn in its given direction, in their order.
void startCapture();
Lines endCapture();

// Draws captured lines in the current colour, under the current matrix.
void drawLines(Lines lines);

// Lines `width` pixels wide from now on, in a viewport of `viewportWidth` x `viewportHeight`
// pixels; 1 is OpenGL's own.
void widenLines(int width, GLsizei viewportWidth, GLsizei viewportHeight);

#endif
