// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// GLU's camera and projection for the browser. The toolchain's own gluLookAt leaves the matrix
// as it was and its gluPerspective replaces the matrix instead of multiplying it, so these are
// GLU's documented matrices, worked out as the desktop library works them out: the view in
// single precision, the projection in double.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "web/matrix.h"

namespace {

void normalize(float v[3])
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        v[i] = static_cast<float>(v[i] / length);
    }
}

void cross(const float first[3], const float second[3], float out[3])
{
    out[0] = first[1] * second[2] - first[2] * second[1];
    out[1] = first[2] * second[0] - first[0] * second[2];
    out[2] = first[0] * second[1] - first[1] * second[0];
}

}  // namespace

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double radians = fovy / 2 * PI / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    // A flat or zero-width frustum has no matrix: the projection stays as it was.
    if (deltaZ == 0 || sine == 0 || aspect == 0) {
        return;
    }
    const double cotangent = std::cos(radians) / sine;
    GLdouble projection[MATRIX_SIZE] = {};
    projection[element(0, 0)] = cotangent / aspect;
    projection[element(1, 1)] = cotangent;
    projection[element(2, 2)] = -(zFar + zNear) / deltaZ;
    projection[element(3, 2)] = -1;
    projection[element(2, 3)] = -2 * zNear * zFar / deltaZ;
    glMultMatrixd(projection);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float upward[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    normalize(forward);
    cross(forward, upward, side);
    normalize(side);
    cross(side, forward, upward);

    GLfloat view[MATRIX_SIZE] = {};  // the rows are side, up and back
    for (int i = 0; i < 3; ++i) {
        view[element(0, i)] = side[i];
        view[element(1, i)] = upward[i];
        view[element(2, i)] = -forward[i];
    }
    view[element(3, 3)] = 1;
    glMultMatrixf(view);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}
