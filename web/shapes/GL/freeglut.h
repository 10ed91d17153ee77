/*
 * SPDX-FileCopyrightText: 2026 planview developers
 *
 * SPDX-License-Identifier: MIT
 */

/* The toolchain ships GLUT's standard header only; the shape code asks for freeglut's. */
#include <GL/glut.h>
