// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// GLUT's wire cube and sphere: freeglut's own shape code, compiled in under other names
// (CMakeLists.txt), run once for each size asked for with its lines captured; from then on the
// shape is drawn from the captured lines. The shapes never change, so neither does a capture.
#include <GL/glut.h>

#include "web/pipeline.h"

#include <algorithm>
#include <vector>

extern "C" {
void fgWireCube(double size);
void fgWireSphere(double radius, GLint slices, GLint stacks);
}

namespace {

enum class Kind { CUBE, SPHERE };

// freeglut works out a shape in single precision: sizes equal as floats make the same shape.
struct Shape {
    Kind kind;
    GLfloat size;
    GLint slices, stacks;
    Lines lines;
};
std::vector<Shape> shapes;

template <typename Draw>
void drawShape(const Shape &wanted, Draw draw)
{
    const auto known = std::find_if(shapes.begin(), shapes.end(), [&wanted](const Shape &shape) {
        return shape.kind == wanted.kind && shape.size == wanted.size &&
               shape.slices == wanted.slices && shape.stacks == wanted.stacks;
    });
    if (known != shapes.end()) {
        drawLines(known->lines);
        return;
    }
    startCapture();
    draw();
    Shape captured = wanted;
    captured.lines = endCapture();
    shapes.push_back(captured);
    drawLines(captured.lines);
}

}  // namespace

void glutWireCube(double size)
{
    drawShape({Kind::CUBE, GLfloat(size), 0, 0, {}}, [size] { fgWireCube(size); });
}

void glutWireSphere(double radius, GLint slices, GLint stacks)
{
    drawShape({Kind::SPHERE, GLfloat(radius), slices, stacks, {}},
              [=] { fgWireSphere(radius, slices, stacks); });
}
