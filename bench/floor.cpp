// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The floor of the frame-rate benchmark: the viewer's window with nothing
// drawn in it. It clears and swaps once per idle call, as the viewer does
// while its markers spin, so the difference is the cost of the picture.
#include <GL/glut.h>

namespace {

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    glutSwapBuffers();
}

void idle()
{
    glutPostRedisplay();
}

}  // namespace

int main()
{
    static char programName[] = "planview-floor";
    static char *fixedArgv[] = {programName, nullptr};
    int fixedArgc = 1;
    glutInit(&fixedArgc, fixedArgv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1000, 800);
    glutCreateWindow(programName);
    glutDisplayFunc(display);
    glutIdleFunc(idle);
    glutMainLoop();
    return 0;
}
