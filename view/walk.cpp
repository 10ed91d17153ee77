// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include <GL/glut.h>

#include <cmath>

#include "app/viewer.h"
#include "view/view.h"

namespace {

// The heading is the shared angle read as radians, so the spin also turns it.
void walk(int key)
{
    const double heading = viewer.angle;
    const double ahead = std::cos(heading);
    const double across = std::sin(heading);

    if (key == GLUT_KEY_UP) {
        viewer.eye.z = static_cast<float>(viewer.eye.z - ahead * WALK_STEP);
        viewer.eye.x = static_cast<float>(viewer.eye.x + across * WALK_STEP);
    } else if (key == GLUT_KEY_DOWN) {
        viewer.eye.z = static_cast<float>(viewer.eye.z + ahead * WALK_STEP);
        viewer.eye.x = static_cast<float>(viewer.eye.x - across * WALK_STEP);
    }
    // Look one unit ahead along the heading.
    viewer.centre.z = static_cast<float>(viewer.eye.z - ahead);
    viewer.centre.x = static_cast<float>(viewer.eye.x + across);
}

bool isArrowKey(int key)
{
    return key == GLUT_KEY_LEFT || key == GLUT_KEY_UP || key == GLUT_KEY_RIGHT ||
           key == GLUT_KEY_DOWN;
}

}  // namespace

void special(int key, int /*x*/, int /*y*/)
{
    if (!isArrowKey(key)) {
        return;
    }
    if (key == GLUT_KEY_LEFT) {
        viewer.angle = static_cast<float>(static_cast<double>(viewer.angle) - TURN_STEP);
    } else if (key == GLUT_KEY_RIGHT) {
        viewer.angle = static_cast<float>(static_cast<double>(viewer.angle) + TURN_STEP);
    }
    walk(key);
    glutPostRedisplay();
}
