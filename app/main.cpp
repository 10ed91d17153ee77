// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include <GL/glut.h>

#include "app/viewer.h"

int main()
{
    initToolkit();
    openViewer();
    glutMainLoop();
    return 0;
}
