// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include <GL/glut.h>

#include "app/viewer.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {
const int DRAG_RELEASED = -1;
}

void mouseButton(int button, int state, int x, int y)
{
    if (button != GLUT_LEFT_BUTTON) {
        return;
    }
    if (state == GLUT_DOWN) {
        // Hold the spin still while the scene is being turned.
        if (viewer.animating) {
            chooseIdle(nullptr);
        }
        viewer.dragState = state;
        viewer.dragButton = button;
        viewer.lastX = x;
        viewer.lastY = y;
        glutPostRedisplay();
    } else if (state == GLUT_UP) {
        viewer.dragState = DRAG_RELEASED;
        if (viewer.animating) {
            chooseIdle(spin);
        }
        glutPostRedisplay();
    }
}

// Any held button turns the scene while the last left-button event was a
// press, which is also how the state starts out.
void mouseMotion(int x, int y)
{
    if (viewer.dragButton != GLUT_LEFT_BUTTON || viewer.dragState != GLUT_DOWN) {
        return;
    }
    // Differences in 64 bits: no pointer position can overflow them.
    const long long dx = static_cast<long long>(viewer.lastX) - x;
    const long long dy = static_cast<long long>(viewer.lastY) - y;
    viewer.rotY = static_cast<float>(viewer.rotY - static_cast<double>(dx) / DRAG_DIVISOR);
    viewer.rotX = static_cast<float>(viewer.rotX - static_cast<double>(dy) / DRAG_DIVISOR);
    glutPostRedisplay();
    viewer.lastX = x;
    viewer.lastY = y;
}
