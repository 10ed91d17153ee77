// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include "app/viewer.h"

#include <GL/glut.h>

#include "input/input.h"
#include "scene/scene.h"
#include "view/view.h"

ViewerState viewer;

namespace {
const char *const CAPTION = "planview";
}

void initToolkit()
{
    // A fixed, option-free argument list: "-geometry", "-display" and the
    // like on our own command line must not reach the toolkit.
    static char programName[] = "planview";
    static char *fixedArgv[] = {programName, nullptr};
    int fixedArgc = 1;
    glutInit(&fixedArgc, fixedArgv);
}

void openViewer()
{
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    glutCreateWindow(CAPTION);

    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special);
    glutMouseFunc(mouseButton);
    glutMotionFunc(mouseMotion);
    chooseIdle(spin);
    glutWindowStatusFunc(windowStatus);
}

void chooseIdle(void (*callback)())
{
    viewer.idleChoice = callback;
    if (viewer.windowVisible) {
        glutIdleFunc(callback);
    }
}

void windowStatus(int status)
{
    viewer.windowVisible = status == GLUT_FULLY_RETAINED || status == GLUT_PARTIALLY_RETAINED;
    glutIdleFunc(viewer.windowVisible ? viewer.idleChoice : nullptr);
}
