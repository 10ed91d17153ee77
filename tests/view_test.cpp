// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The viewport, both projections and the observer's walk.
#include <GL/glut.h>

#include <array>
#include <cmath>
#include <cstring>

#include "input/input.h"
#include "scene/scene.h"
#include "tests/harness.h"
#include "view/view.h"

namespace {

using Matrix = std::array<GLfloat, 16>;

Matrix projection()
{
    Matrix m;
    glGetFloatv(GL_PROJECTION_MATRIX, m.data());
    return m;
}

// A 60 degree perspective with near 0.1 and far 100, worked out by hand.
Matrix perspective(double aspect)
{
    const double f = 1.0 / std::tan(M_PI / 6.0), n = 0.1, far = 100.0;
    Matrix m{};
    m[0] = static_cast<GLfloat>(f / aspect);
    m[5] = static_cast<GLfloat>(f);
    m[10] = static_cast<GLfloat>((far + n) / (n - far));
    m[11] = -1.0f;
    m[14] = static_cast<GLfloat>(2.0 * far * n / (n - far));
    return m;
}

const Matrix ORTHO_BOX = {0.05f, 0, 0, 0, 0, 0.05f, 0, 0, 0, 0, -0.05f, 0, 0, 0, 0, 1};

void expectMatrix(const Matrix &expected)
{
    const Matrix actual = projection();
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-5) << "entry " << i;
    }
}

void expectViewport(int width, int height)
{
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(v[0], 0);
    EXPECT_EQ(v[1], VIEWPORT_Y);
    EXPECT_EQ(v[2], width);
    EXPECT_EQ(v[3], height);
}

using ViewTest = ViewerTest;

TEST_F(ViewTest, ProjectionFollowsModeAndSize)
{
    reshape(1000, 800);
    expectViewport(1000, 800);
    expectMatrix(perspective(1.25));
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);

    reshape(640, 480);  // p rebuilds from the stored size, not the window's
    keyboard('p', 0, 0);
    expectViewport(640, 480);
    expectMatrix(ORTHO_BOX);
    keyboard('p', 0, 0);
    expectMatrix(perspective(640.0 / 480.0));
    keyboard('p', 0, 0);
    keyboard('p', 0, 0);
    expectMatrix(perspective(640.0 / 480.0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ViewTest, ZeroHeightKeepsProjectionFinite)
{
    for (int width : {1000, 0}) {
        reshape(width, 0);
        EXPECT_EQ(viewer.winHeight, 0);
        for (GLfloat entry : projection()) {
            EXPECT_TRUE(std::isfinite(entry));
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        keyboard('p', 0, 0);  // the box has no aspect ratio to break
        expectMatrix(ORTHO_BOX);
        keyboard('p', 0, 0);
    }
    reshape(1000, 800);
    expectMatrix(perspective(1.25));
    const Frame frame = drawFrame();
    EXPECT_GT(frame.count(WHITE), 1000);
}

TEST_F(ViewTest, ReshapeAndPTurnDepthTestBackOnBehindTheFlag)
{
    keyboard('d', 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    keyboard('p', 0, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(viewer.depthTest, 0);
    keyboard('d', 0, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(viewer.depthTest, 1);
    keyboard('d', 0, 0);
    reshape(800, 600);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(viewer.depthTest, 0);
}

void expectVec(const Vec3 &v, double x, double z)
{
    EXPECT_NEAR(v.x, x, 1e-6);
    EXPECT_FLOAT_EQ(v.y, 0.0f);
    EXPECT_NEAR(v.z, z, 1e-6);
}

TEST_F(ViewTest, ArrowKeysWalkAlongTheHeading)
{
    special(GLUT_KEY_UP, 0, 0);  // the first step turns the view away from the scene
    expectVec(viewer.eye, 0, -5.125);
    expectVec(viewer.centre, 0, -6.125);

    viewer = ViewerState{};
    special(GLUT_KEY_DOWN, 0, 0);
    expectVec(viewer.eye, 0, -4.875);
    expectVec(viewer.centre, 0, -5.875);

    viewer = ViewerState{};
    special(GLUT_KEY_LEFT, 0, 0);
    EXPECT_FLOAT_EQ(viewer.angle, -0.125f);
    expectVec(viewer.eye, 0, -5);
    expectVec(viewer.centre, -0.124675, -5.992198);
    special(GLUT_KEY_RIGHT, 0, 0);
    special(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_FLOAT_EQ(viewer.angle, 0.125f);
    expectVec(viewer.centre, 0.124675, -5.992198);
}

// At a turned heading both parts of a step count: up goes along (sin, -cos), down straight back.
TEST_F(ViewTest, SpinTurnsTheHeadingInRadians)
{
    for (int i = 0; i < 3; ++i) {
        spin();
    }
    const double across = std::sin(1.5), ahead = std::cos(1.5);
    special(GLUT_KEY_UP, 0, 0);
    expectVec(viewer.eye, across * 0.125, -5 - ahead * 0.125);
    expectVec(viewer.centre, across * 1.125, -5 - ahead * 1.125);
    special(GLUT_KEY_DOWN, 0, 0);
    special(GLUT_KEY_DOWN, 0, 0);
    expectVec(viewer.eye, -across * 0.125, -5 + ahead * 0.125);
    expectVec(viewer.centre, across * 0.875, -5 - ahead * 0.875);
}

TEST_F(ViewTest, OtherSpecialKeysDoNothing)
{
    chooseIdle(nullptr);
    const ViewerState before = viewer;
    for (int key : {GLUT_KEY_F1, GLUT_KEY_PAGE_UP, GLUT_KEY_HOME, GLUT_KEY_END, GLUT_KEY_INSERT}) {
        EXPECT_FALSE(redraws([key] { special(key, 10, 10); })) << key;
    }
    EXPECT_EQ(std::memcmp(&viewer, &before, sizeof viewer), 0);
    EXPECT_TRUE(redraws([] { special(GLUT_KEY_UP, 0, 0); }));
}

}  // namespace
