// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// freeglut's header first: on Windows it brings in windows.h, which GL/glu.h needs.
#include <GL/glut.h>

#include <GL/glu.h>

#include "app/viewer.h"
#include "scene/drawing.h"
#include "scene/scene.h"

namespace {

const GLint MARKER_SLICES = 10;
const GLint MARKER_STACKS = 10;

void drawMarkers()
{
    for (const Marker &marker : MARKERS) {
        glPushMatrix();
        glColor3fv(yellow);
        glTranslatef(marker.x, marker.y, MARKER_Z);
        // The shared angle, read here as degrees.
        glRotatef(static_cast<GLfloat>(viewer.angle + marker.spinOffset), 0.0f, 0.0f, 1.0f);
        glutWireSphere(marker.radius, MARKER_SLICES, MARKER_STACKS);
        glPopMatrix();
    }
}

}  // namespace

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The orthographic box looks straight at the origin with no camera.
    if (!viewer.orthographic) {
        gluLookAt(viewer.eye.x, viewer.eye.y, viewer.eye.z, viewer.centre.x, viewer.centre.y,
                  viewer.centre.z, 0.0, 1.0, 0.0);
    }
    glRotatef(viewer.rotX, 1.0f, 0.0f, 0.0f);
    glRotatef(viewer.rotY, 0.0f, 1.0f, 0.0f);

    drawMarkers();
    drawPlan();

    glFlush();
    glutSwapBuffers();
}
