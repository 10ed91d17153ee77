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

namespace {

const int MATRIX_SIZE = 16;
const double PI = 3.14159265358979323846;

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

void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
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
    GLdouble m[MATRIX_SIZE] = {};  // column by column
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / deltaZ;
    m[11] = -1;
    m[14] = -2 * zNear * zFar / deltaZ;
    glMultMatrixd(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    normalize(forward);
    cross(forward, up, side);
    normalize(side);
    cross(side, forward, up);

    GLfloat m[MATRIX_SIZE] = {};  // column by column: the rows are side, up and back
    for (int i = 0; i < 3; ++i) {
        m[i * 4 + 0] = side[i];
        m[i * 4 + 1] = up[i];
        m[i * 4 + 2] = -forward[i];
    }
    m[15] = 1;
    glMultMatrixf(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}
