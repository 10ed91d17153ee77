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

#include "web/matrix.h"
#include "web/pipeline.h"
#include "web/upside_down.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const int STACK_DEPTH = 32;  // what Mesa offers for both stacks
// Mesa's: about a shorter axis, glRotatef turns nothing.
const GLfloat SHORTEST_AXIS = 1.0e-4f;

struct Stack {
    GLfloat entries[STACK_DEPTH][MATRIX_SIZE];
    int top;
};

struct Matrices {
    Stack modelview, projection;
    Stack *current;
};

Matrices matrices = [] {
    Matrices first{};
    std::copy(IDENTITY.begin(), IDENTITY.end(), first.modelview.entries[0]);
    std::copy(IDENTITY.begin(), IDENTITY.end(), first.projection.entries[0]);
    first.current = &first.modelview;
    return first;
}();

GLfloat *top()
{
    return matrices.current->entries[matrices.current->top];
}

// out = left * right, column by column, each element summed left to right in single precision.
void multiply(GLfloat out[MATRIX_SIZE], const GLfloat left[MATRIX_SIZE],
              const GLfloat right[MATRIX_SIZE])
{
    GLfloat product[MATRIX_SIZE];
    for (int row = 0; row < MATRIX_ORDER; ++row) {
        for (int col = 0; col < MATRIX_ORDER; ++col) {
            product[element(row, col)] = left[element(row, 0)] * right[element(0, col)] +
                                         left[element(row, 1)] * right[element(1, col)] +
                                         left[element(row, 2)] * right[element(2, col)] +
                                         left[element(row, 3)] * right[element(3, col)];
        }
    }
    std::memcpy(out, product, sizeof product);
}

// The vertices' matrix becomes projection times modelview, its y row negated while the picture is
// drawn upside down (an exact change).
void publish()
{
    GLfloat combined[MATRIX_SIZE];
    multiply(combined, matrices.projection.entries[matrices.projection.top],
             matrices.modelview.entries[matrices.modelview.top]);
    if (upsideDown()) {
        for (int col = 0; col < MATRIX_ORDER; ++col) {
            combined[element(1, col)] = -combined[element(1, col)];
        }
    }
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
    if (mode == GL_MODELVIEW) {
        matrices.current = &matrices.modelview;
    } else if (mode == GL_PROJECTION) {
        matrices.current = &matrices.projection;
    }
}

void glLoadIdentity()
{
    std::copy(IDENTITY.begin(), IDENTITY.end(), top());
    publish();
}

// A push onto a full stack or a pop of its last entry changes nothing, as in OpenGL.
void glPushMatrix()
{
    Stack &stack = *matrices.current;
    if (stack.top + 1 < STACK_DEPTH) {
        std::memcpy(stack.entries[stack.top + 1], stack.entries[stack.top],
                    sizeof stack.entries[0]);
        ++stack.top;
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
    for (int i = 0; i < MATRIX_SIZE; ++i) {
        single[i] = static_cast<GLfloat>(m[i]);
    }
    multiplyTop(single);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
             GLdouble zFar)
{
    const auto leftX = GLfloat(left);
    const auto rightX = GLfloat(right);
    const auto bottomY = GLfloat(bottom);
    const auto topY = GLfloat(top);
    const auto nearZ = GLfloat(zNear);
    const auto farZ = GLfloat(zFar);
    GLfloat ortho[MATRIX_SIZE] = {};
    ortho[element(0, 0)] = 2 / (rightX - leftX);
    ortho[element(1, 1)] = 2 / (topY - bottomY);
    ortho[element(2, 2)] = -2 / (farZ - nearZ);
    ortho[element(0, 3)] = -(rightX + leftX) / (rightX - leftX);
    ortho[element(1, 3)] = -(topY + bottomY) / (topY - bottomY);
    ortho[element(2, 3)] = -(farZ + nearZ) / (farZ - nearZ);
    ortho[element(3, 3)] = 1;
    multiplyTop(ortho);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    GLfloat *matrix = top();
    for (int row = 0; row < MATRIX_ORDER; ++row) {
        matrix[element(row, 0)] *= x;
        matrix[element(row, 1)] *= y;
        matrix[element(row, 2)] *= z;
    }
    publish();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    GLfloat *matrix = top();
    for (int row = 0; row < MATRIX_ORDER; ++row) {
        matrix[element(row, 3)] = matrix[element(row, 0)] * x + matrix[element(row, 1)] * y +
                                  matrix[element(row, 2)] * z + matrix[element(row, 3)];
    }
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
    if (angle == 0.0f) {
        return;
    }
    const GLfloat sine = std::sin(GLfloat(angle * PI / 180.0));
    const GLfloat cosine = std::cos(GLfloat(angle * PI / 180.0));
    std::array<GLfloat, MATRIX_SIZE> rotation = IDENTITY;
    auto cell = [&rotation](int row, int col) -> GLfloat & { return rotation[element(row, col)]; };
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        cell(0, 0) = cosine, cell(1, 1) = cosine;
        cell(0, 1) = z < 0.0f ? sine : -sine, cell(1, 0) = z < 0.0f ? -sine : sine;
    } else if (x == 0.0f && y != 0.0f && z == 0.0f) {
        cell(0, 0) = cosine, cell(2, 2) = cosine;
        cell(0, 2) = y < 0.0f ? -sine : sine, cell(2, 0) = y < 0.0f ? sine : -sine;
    } else if (x != 0.0f && y == 0.0f && z == 0.0f) {
        cell(1, 1) = cosine, cell(2, 2) = cosine;
        cell(1, 2) = x < 0.0f ? sine : -sine, cell(2, 1) = x < 0.0f ? -sine : sine;
    } else {
        const GLfloat length = std::sqrt(x * x + y * y + z * z);
        if (length <= SHORTEST_AXIS) {
            return;  // no axis, no turn
        }
        x /= length, y /= length, z /= length;
        const GLfloat oneC = 1.0f - cosine;
        cell(0, 0) = oneC * (x * x) + cosine;
        cell(0, 1) = oneC * (x * y) - z * sine;
        cell(0, 2) = oneC * (z * x) + y * sine;
        cell(1, 0) = oneC * (x * y) + z * sine;
        cell(1, 1) = oneC * (y * y) + cosine;
        cell(1, 2) = oneC * (y * z) - x * sine;
        cell(2, 0) = oneC * (z * x) - y * sine;
        cell(2, 1) = oneC * (y * z) + x * sine;
        cell(2, 2) = oneC * (z * z) + cosine;
    }
    multiplyTop(rotation.data());
}
