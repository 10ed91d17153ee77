// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// freeglut's header first: on Windows it brings in windows.h, which GL/glu.h needs.
#include <GL/glut.h>

#include <GL/glu.h>

#include "app/viewer.h"
#include "view/view.h"

namespace {
const double FIELD_OF_VIEW = 60.0;  // vertical, degrees
const double NEAR_PLANE = 0.1;
const double FAR_PLANE = 100.0;
}  // namespace

void reshape(int width, int height)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The picture sits VIEWPORT_Y pixels up: the bottom rows show only the
    // clear colour and the top of the projection falls outside the window.
    glViewport(0, VIEWPORT_Y, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (viewer.orthographic) {
        glOrtho(-ORTHO_EXTENT, ORTHO_EXTENT, -ORTHO_EXTENT, ORTHO_EXTENT, -ORTHO_EXTENT,
                ORTHO_EXTENT);
    } else {
        // A minimised window can report a height of 0; dividing by it would
        // put an infinity or a NaN into the projection.
        const int aspectHeight = height > 0 ? height : 1;
        const double aspect = static_cast<double>(width) / static_cast<double>(aspectHeight);
        gluPerspective(FIELD_OF_VIEW, aspect, NEAR_PLANE, FAR_PLANE);
    }

    // Always on after a reshape, whatever the d key last chose.
    glEnable(GL_DEPTH_TEST);

    viewer.winWidth = width;
    viewer.winHeight = height;
}
