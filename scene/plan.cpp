// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include <GL/glut.h>

#include "scene/drawing.h"

namespace {

// One wire cube of the plan. A row with no push transforms the current stack
// entry itself, so its transforms stay for every later row until a pop
// discards that entry. `level` is the stack depth while the cube is drawn.
struct PlanRow {
    int push;
    const GLfloat *colour;  // nullptr keeps the current colour
    GLfloat tx, ty, tz;
    GLfloat sx, sy, sz;
    GLdouble edge;
    int level;
    int pop;
};

constexpr const GLfloat *KEEP = nullptr;

// clang-format off
constexpr PlanRow PLAN[] = {
    // push colour   translate              scale                edge level pop
    {0, white,  0.0f,   0.0f,   0.0f,   1.0f,   0.3f,  0.02f, 5, 1, 0},  //  1
    {2, KEEP,   -0.8f,  0.0f,   0.0f,   0.04f,  0.15f, 0.84f, 6, 3, 1},  //  2
    {1, KEEP,   -0.8f,  0.9f,   0.0f,   0.04f,  0.15f, 0.84f, 6, 3, 1},  //  3
    {1, KEEP,   -0.8f,  -0.9f,  0.0f,   0.04f,  0.15f, 0.84f, 6, 3, 2},  //  4
    {2, KEEP,   -1.2f,  1.6f,   0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 1},  //  5
    {1, KEEP,   -1.45f, 1.6f,   0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 1},  //  6
    {1, KEEP,   -1.7f,  1.6f,   0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 1},  //  7
    {1, KEEP,   -1.95f, 1.6f,   0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 2},  //  8
    {2, KEEP,   -1.2f,  -1.6f,  0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 1},  //  9
    {1, KEEP,   -1.45f, -1.6f,  0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 1},  // 10
    {1, KEEP,   -1.7f,  -1.6f,  0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 1},  // 11
    {1, KEEP,   -1.95f, -1.6f,  0.0f,   0.04f,  0.13f, 0.84f, 6, 3, 2},  // 12
    {1, KEEP,   -1.6f,  0.0f,   0.0f,   0.15f,  0.18f, 0.84f, 6, 2, 1},  // 13
    {1, KEEP,   -2.3f,  0.0f,   -2.6f,  0.008f, 0.25f, 2.0f,  6, 2, 1},  // 14
    {1, KEEP,   -0.7f,  -4.9f,  0.0f,   0.6f,   0.8f,  0.84f, 6, 2, 0},  // 15
    {1, KEEP,   2.35f,  -2.0f,  0.0f,   0.2f,   0.3f,  0.84f, 6, 3, 1},  // 16
    {1, KEEP,   -2.629f, 0.0f,  0.0f,   0.115f, 1.0f,  0.84f, 6, 3, 0},  // 17
    {1, KEEP,   0.0f,   0.0f,   0.0f,   0.95f,  0.3f,  0.84f, 6, 4, 0},  // 18
    {1, KEEP,   0.0f,   0.0f,   -1.0f,  0.7f,   0.7f,  0.54f, 6, 5, 1},  // 19
    {1, KEEP,   0.0f,   6.0f,   -1.0f,  0.7f,   0.7f,  0.54f, 6, 5, 2},  // 20
    {1, KEEP,   0.0f,   0.0f,   0.0f,   0.95f,  0.3f,  0.84f, 6, 4, 2},  // 21
    {0, KEEP,   -0.5f,  2.42f,  0.0f,   0.6f,   0.2f,  0.84f, 6, 2, 0},  // 22
    {0, KEEP,   0.2f,   -14.5f, 0.0f,   0.6f,   1.6f,  0.84f, 6, 2, 0},  // 23
    {1, KEEP,   -3.5f,  0.0f,   0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 24
    {1, KEEP,   3.5f,   0.0f,   0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 25
    {1, KEEP,   -2.0f,  5.0f,   0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 26
    {1, KEEP,   2.0f,   5.0f,   0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 27
    {1, KEEP,   0.0f,   5.0f,   0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 28
    {1, KEEP,   -2.0f,  -5.0f,  0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 29
    {1, KEEP,   2.0f,   -5.0f,  0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 30
    {1, KEEP,   0.0f,   -5.0f,  0.0f,   0.1f,   0.3f,  0.84f, 6, 3, 1},  // 31
    {1, cyan,   0.0f,   -8.0f,  0.0f,   0.9f,   0.02f, 0.54f, 6, 3, 1},  // 32
    {1, white,  11.8f,  6.8f,   0.0f,   0.2f,   1.2f,  1.0f,  6, 3, 1},  // 33
    {1, white,  10.9f,  6.8f,   0.0f,   0.5f,   1.4f,  1.0f,  6, 3, 2},  // 34
    {1, white,  -0.5f,  5.0f,   0.0f,   0.2f,   1.0f,  1.0f,  5, 2, 0},  // 35
    {1, brown,  -1.0f,  1.3f,   0.0f,   0.4f,   0.1f,  1.0f,  5, 3, 1},  // 36
    {1, brown,  -1.0f,  1.8f,   0.0f,   0.1f,   0.06f, 1.0f,  5, 3, 1},  // 37
    {1, green,  1.6f,   1.4f,   0.0f,   0.3f,   0.35f, 1.0f,  5, 3, 1},  // 38
    {1, cyan,   0.25f,  2.5f,   0.0f,   0.5f,   0.02f, 0.54f, 6, 3, 1},  // 39
    {1, brown,  1.8f,   -1.4f,  0.0f,   0.2f,   0.45f, 1.0f,  5, 3, 1},  // 40
    {1, white,  -1.0f,  1.2f,   -5.6f,  0.2f,   0.02f, 1.5f,  5, 3, 1},  // 41
    {1, white,  -0.3f,  1.2f,   -4.4f,  0.05f,  0.02f, 0.9f,  5, 3, 1},  // 42
    {1, white,  -1.7f,  1.2f,   -4.4f,  0.05f,  0.02f, 0.9f,  5, 3, 2},  // 43
    {1, white,  0.25f,  3.75f,  0.0f,   0.1f,   0.5f,  1.0f,  5, 2, 0},  // 44
    {1, white,  0.0f,   1.75f,  0.0f,   1.0f,   0.3f,  1.0f,  5, 3, 1},  // 45
    {1, white,  0.0f,   1.75f,  0.0f,   0.8f,   0.2f,  1.0f,  5, 3, 2},  // 46
    {2, brown,  0.6f,   -2.5f,  0.0f,   0.1f,   0.02f, 0.84f, 6, 3, 1},  // 47
    {1, brown,  0.25f,  2.5f,   0.0f,   0.05f,  0.02f, 0.84f, 6, 3, 1},  // 48
    {1, brown,  -0.5f,  2.5f,   0.0f,   0.05f,  0.02f, 0.84f, 6, 3, 1},  // 49
    {1, brown,  -1.4f,  2.5f,   0.0f,   0.05f,  0.02f, 0.84f, 6, 3, 1},  // 50
    {1, brown,  1.3f,   -2.5f,  0.0f,   0.05f,  0.02f, 0.84f, 6, 3, 1},  // 51
    {1, brown,  1.3f,   -4.6f,  0.0f,   0.05f,  0.02f, 0.84f, 6, 3, 1},  // 52
    {1, cyan,   2.1f,   -2.5f,  0.0f,   0.08f,  0.02f, 0.84f, 6, 3, 2},  // 53
    {1, brown,  1.14f,  4.25f,  1.5f,   0.25f,  0.7f,  0.5f,  5, 2, 0},  // 54
    {1, brown,  0.0f,   2.5f,   -1.7f,  1.0f,   0.05f, 2.0f,  5, 3, 1},  // 55
    {1, brown,  2.3f,   0.1f,   -1.7f,  0.05f,  1.05f, 2.0f,  5, 3, 1},  // 56
    {1, brown,  -2.35f, 1.8f,   -1.7f,  0.05f,  0.38f, 2.0f,  5, 3, 2},  // 57
    {0, white,  -1.75f, 5.0f,   0.0f,   0.3f,   1.0f,  1.0f,  5, 1, 0},  // 58
    {1, white,  -1.9f,  1.2f,   0.0f,   0.2f,   0.5f,  1.0f,  5, 2, 1},  // 59
    {1, white,  2.0f,   1.0f,   0.0f,   0.15f,  0.6f,  1.0f,  5, 2, 0},  // 60
    {1, white,  1.0f,   -0.05f, -5.4f,  0.1f,   0.3f,  1.5f,  5, 3, 1},  // 61
    {1, white,  1.0f,   0.9f,   -4.4f,  0.2f,   0.05f, 0.9f,  5, 3, 1},  // 62
    {1, white,  1.0f,   -1.0f,  -4.4f,  0.2f,   0.05f, 0.9f,  5, 3, 2},  // 63
    {1, white,  0.1f,   1.5f,   1.0f,   0.55f,  0.25f, 0.5f,  5, 2, 0},  // 64
    {1, pink,   -0.3f,  0.0f,   -1.0f,  0.8f,   1.0f,  0.5f,  5, 3, 1},  // 65
    {1, white,  2.2f,   0.95f,  1.0f,   0.05f,  0.3f,  0.5f,  5, 3, 1},  // 66
    {1, white,  2.2f,   -0.95f, 1.0f,   0.05f,  0.3f,  0.5f,  5, 3, 2},  // 67
    {1, cyan,   0.0f,   2.5f,   0.0f,   0.5f,   0.02f, 0.54f, 5, 2, 1},  // 68
    {1, cyan,   9.5f,   -2.5f,  0.0f,   0.6f,   0.02f, 0.54f, 6, 2, 1},  // 69
    {1, violet, 6.0f,   -5.0f,  4.9f,   3.0f,   2.6f,  1.0f,  6, 2, 1},  // 70
};
// clang-format on

constexpr int PLAN_ROWS = 70;
static_assert(sizeof(PLAN) / sizeof(PLAN[0]) == PLAN_ROWS, "the plan has 70 cubes");

// The level column follows from the pushes and pops; checking one against
// the other catches a mistyped push or pop at build time.
constexpr bool levelsAgree()
{
    int level = 1;
    for (const PlanRow &row : PLAN) {
        level += row.push;
        if (level != row.level) {
            return false;
        }
        level -= row.pop;
    }
    return level == 1;
}
static_assert(levelsAgree(), "the plan's pushes and pops must match its levels");

}  // namespace

void drawPlan()
{
    for (const PlanRow &row : PLAN) {
        for (int i = 0; i < row.push; ++i) {
            glPushMatrix();
        }
        if (row.colour != KEEP) {
            glColor3fv(row.colour);
        }
        glTranslatef(row.tx, row.ty, row.tz);
        glScalef(row.sx, row.sy, row.sz);
        glutWireCube(row.edge);
        for (int i = 0; i < row.pop; ++i) {
            glPopMatrix();
        }
    }
}
