// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include <GL/glut.h>

#include "app/viewer.h"
#include "scene/scene.h"

// No timer: the markers turn SPIN_STEP degrees per idle call, as fast as the
// main loop runs.
void spin()
{
    viewer.angle = static_cast<float>(viewer.angle + SPIN_STEP);
    glutPostRedisplay();
}
