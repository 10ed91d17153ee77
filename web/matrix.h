// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// OpenGL's 4 x 4 matrices as web/ keeps them, column by column, as glMultMatrixf takes them.
#ifndef PLANVIEW_WEB_MATRIX_H
#define PLANVIEW_WEB_MATRIX_H

#include <GL/gl.h>

#include <array>

constexpr int MATRIX_ORDER = 4;  // rows, and columns
// Spelt out: cppcheck takes the product for unknown and then finds loops over it that never run.
constexpr int MATRIX_SIZE = 16;
static_assert(MATRIX_SIZE == MATRIX_ORDER * MATRIX_ORDER, "a matrix is square");

constexpr std::array<GLfloat, MATRIX_SIZE> IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0,
                                                       0, 0, 1, 0, 0, 0, 0, 1};

constexpr double PI = 3.14159265358979323846;

// Where a matrix keeps the element of this row and column.
constexpr int element(int row, int col)
{
    return col * MATRIX_ORDER + row;
}

#endif
