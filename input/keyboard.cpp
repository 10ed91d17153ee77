// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include <GL/glut.h>

#include "app/viewer.h"
#include "input/input.h"
#include "scene/scene.h"
#include "view/view.h"

namespace {
const unsigned char KEY_SPIN = ' ';
const unsigned char KEY_DEPTH = 'd';
const unsigned char KEY_PROJECTION = 'p';
}  // namespace

// The flags are toggled blindly and never compared with the real idle or
// depth state, so they can disagree with what is on screen.
void keyboard(unsigned char key, int /*x*/, int /*y*/)
{
    switch (key) {
    case KEY_SPIN:
        viewer.animating = !viewer.animating;
        chooseIdle(viewer.animating ? spin : nullptr);
        break;
    case KEY_DEPTH:
        viewer.depthTest = !viewer.depthTest;
        if (viewer.depthTest) {
            glEnable(GL_DEPTH_TEST);
        } else {
            glDisable(GL_DEPTH_TEST);
        }
        break;
    case KEY_PROJECTION:
        viewer.orthographic = !viewer.orthographic;
        reshape(viewer.winWidth, viewer.winHeight);
        break;
    default:
        break;
    }
    glutPostRedisplay();
}
