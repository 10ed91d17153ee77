// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// OpenGL's matrix stacks for the browser, with every product rounded as Mesa rounds it on the
// desktop: single precision, term by term, in Mesa's order. Worked out in double precision, or
// projection and modelview multiplied per vertex on the graphics side, a line whose end falls
// within a rounding error of a pixel's edge, or two lines at one depth, came out a pixel or a
// colour different from the desktop's picture. The vertices are drawn with one finished matrix,
// projection times modelview, as the desktop's pipeline uses it.
#include <GL/gl.h>

#include "web/pipeline.h"
#include "web/upside_down.h"

#include <cmath>
#include <cstring>

namespace {

const int MATRIX_SIZE = 16;
const int STACK_DEPTH = 32;  // what Mesa offers for both stacks
const double PI = 3.14159265358979323846;
const GLfloat IDENTITY[MATRIX_SIZE] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct Stack {
    GLfloat entries[STACK_DEPTH][MATRIX_SIZE];
    int top;
};

struct Matrices {
    Stack modelview, projection;
    Stack *current;
};

Matrices matrices = [] {
    Matrices m{};
    std::memcpy(m.modelview.entries[0], IDENTITY, sizeof IDENTITY);
    std::memcpy(m.projection.entries[0], IDENTITY, sizeof IDENTITY);
    m.current = &m.modelview;
    return m;
}();

GLfloat *top()
{
    return matrices.current->entries[matrices.current->top];
}

// out = a * b, column by column, each element summed left to right in single precision.
void multiply(GLfloat out[MATRIX_SIZE], const GLfloat a[MATRIX_SIZE], const GLfloat b[MATRIX_SIZE])
{
    GLfloat product[MATRIX_SIZE];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            product[col * 4 + row] = a[row] * b[col * 4] + a[4 + row] * b[col * 4 + 1] +
                                     a[8 + row] * b[col * 4 + 2] + a[12 + row] * b[col * 4 + 3];
    std::memcpy(out, product, sizeof product);
}

// The vertices' matrix becomes projection times modelview, its y row negated while the picture is
// drawn upside down (an exact change).
void publish()
{
    GLfloat combined[MATRIX_SIZE];
    multiply(combined, matrices.projection.entries[matrices.projection.top],
             matrices.modelview.entries[matrices.modelview.top]);
    if (upsideDown())
        for (int col = 0; col < 4; ++col)
            combined[col * 4 + 1] = -combined[col * 4 + 1];
    setTransform(combined);
}

void multiplyTop(const GLfloat m[MATRIX_SIZE])
{
    multiply(top(), top(), m);
    publish();
}

}  // namespace

void glMatrixMode(GLenum mode)
{
    if (mode == GL_MODELVIEW)
        matrices.current = &matrices.modelview;
    else if (mode == GL_PROJECTION)
        matrices.current = &matrices.projection;
}

void glLoadIdentity()
{
    std::memcpy(top(), IDENTITY, sizeof IDENTITY);
    publish();
}

// A push onto a full stack or a pop of its last entry changes nothing, as in OpenGL.
void glPushMatrix()
{
    Stack &s = *matrices.current;
    if (s.top + 1 < STACK_DEPTH) {
        std::memcpy(s.entries[s.top + 1], s.entries[s.top], sizeof s.entries[0]);
        ++s.top;
    }
}

void glPopMatrix()
{
    if (matrices.current->top > 0) {
        --matrices.current->top;
        publish();
    }
}

void glMultMatrixf(const GLfloat *m)
{
    multiplyTop(m);
}

void glMultMatrixd(const GLdouble *m)
{
    GLfloat single[MATRIX_SIZE];
    for (int i = 0; i < MATRIX_SIZE; ++i)
        single[i] = static_cast<GLfloat>(m[i]);
    multiplyTop(single);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
             GLdouble zFar)
{
    const GLfloat l = GLfloat(left), r = GLfloat(right), b = GLfloat(bottom), t = GLfloat(top),
                  n = GLfloat(zNear), f = GLfloat(zFar);
    GLfloat m[MATRIX_SIZE] = {};
    m[0] = 2.0F / (r - l);
    m[5] = 2.0F / (t - b);
    m[10] = -2.0F / (f - n);
    m[12] = -(r + l) / (r - l);
    m[13] = -(t + b) / (t - b);
    m[14] = -(f + n) / (f - n);
    m[15] = 1;
    multiplyTop(m);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    GLfloat *m = top();
    for (int row = 0; row < 4; ++row) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
    publish();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    GLfloat *m = top();
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    publish();
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z)
{
    glTranslatef(GLfloat(x), GLfloat(y), GLfloat(z));
}

// The sine and cosine of the angle in single precision; about a principal axis the matrix holds
// them exactly, about any other axis Mesa's own formula builds it.
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (angle == 0.0F)
        return;
    const GLfloat s = std::sin(GLfloat(angle * PI / 180.0)),
                  c = std::cos(GLfloat(angle * PI / 180.0));
    GLfloat m[MATRIX_SIZE];
    std::memcpy(m, IDENTITY, sizeof IDENTITY);
    auto at = [&m](int row, int col) -> GLfloat & { return m[col * 4 + row]; };
    if (x == 0.0F && y == 0.0F && z != 0.0F) {
        at(0, 0) = c, at(1, 1) = c;
        at(0, 1) = z < 0.0F ? s : -s, at(1, 0) = z < 0.0F ? -s : s;
    } else if (x == 0.0F && y != 0.0F && z == 0.0F) {
        at(0, 0) = c, at(2, 2) = c;
        at(0, 2) = y < 0.0F ? -s : s, at(2, 0) = y < 0.0F ? s : -s;
    } else if (x != 0.0F && y == 0.0F && z == 0.0F) {
        at(1, 1) = c, at(2, 2) = c;
        at(1, 2) = x < 0.0F ? s : -s, at(2, 1) = x < 0.0F ? -s : s;
    } else {
        const GLfloat length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4F)
            return;  // no axis, no turn
        x /= length, y /= length, z /= length;
        const GLfloat oneC = 1.0F - c;
        at(0, 0) = oneC * (x * x) + c;
        at(0, 1) = oneC * (x * y) - z * s;
        at(0, 2) = oneC * (z * x) + y * s;
        at(1, 0) = oneC * (x * y) + z * s;
        at(1, 1) = oneC * (y * y) + c;
        at(1, 2) = oneC * (y * z) - x * s;
        at(2, 0) = oneC * (z * x) - y * s;
        at(2, 1) = oneC * (y * z) + x * s;
        at(2, 2) = oneC * (z * z) + c;
    }
    multiplyTop(m);
}
