// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The numbers that grow without bound: the spin angle, the observer and the drag rotations.
#include <GL/glut.h>

#include <climits>
#include <cmath>

#include "input/input.h"
#include "scene/scene.h"
#include "tests/harness.h"
#include "view/view.h"

namespace {

constexpr float TWO_TO_21 = 2097152.0f, TWO_TO_23 = 8388608.0f;

// Draws a frame and checks that it left no GL error and no infinity or NaN in either matrix.
Frame soundFrame()
{
    const Frame frame = drawFrame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (GLenum which : {GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX}) {
        GLfloat m[16];
        glGetFloatv(which, m);
        for (GLfloat v : m) {
            EXPECT_TRUE(std::isfinite(v)) << which;
        }
    }
    return frame;
}

using GrowthTest = ViewerTest;

TEST_F(GrowthTest, SpinStepsExactlyUpTo2To23AndStaysThere)
{
    chooseIdle(nullptr);
    // 2^24 half-degree steps, each exact, reach 2^23; the next rounds back to it.
    long steps = 0, inexact = 0;
    for (float before = -1.0f; viewer.angle != before; ++steps) {
        before = viewer.angle;
        spin();
        inexact += viewer.angle != static_cast<double>(before) + 0.5;
    }
    EXPECT_EQ(steps - 1, 1L << 24);
    EXPECT_EQ(inexact, 1);
    EXPECT_EQ(viewer.angle, TWO_TO_23);
    EXPECT_GT(soundFrame().count(YELLOW), 0);

    // From 2^21 a float holds only quarters: an eighth left by a turn key makes the next half
    // step inexact, and a turn key's own eighth is lost.
    viewer.angle = TWO_TO_21 - TURN_STEP;
    spin();
    EXPECT_EQ(viewer.angle, TWO_TO_21 + 0.5f);
    viewer.angle = TWO_TO_21;
    special(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(viewer.angle, TWO_TO_21);
    spin();
    EXPECT_EQ(viewer.angle, TWO_TO_21 + 0.5f);
}

TEST_F(GrowthTest, LongWalksAndWideDragsKeepTheMatricesFinite)
{
    chooseIdle(nullptr);
    for (int i = 0; i < 10000; ++i) {
        special(GLUT_KEY_UP, 0, 0);
    }
    EXPECT_FLOAT_EQ(viewer.eye.z, -1255.0f);
    // Pointer positions as far apart as the toolkit can report, back and forth. Across the whole
    // range of int a drag turns (2^32 - 1) / 5 degrees each way, no less.
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, INT_MIN, INT_MAX);
    mouseMotion(INT_MAX, INT_MIN);
    EXPECT_EQ(viewer.rotY, static_cast<float>(4294967295.0 / 5.0));
    EXPECT_EQ(viewer.rotX, static_cast<float>(-4294967295.0 / 5.0));
    for (int i = 0; i < 1000; ++i) {
        mouseMotion(INT_MIN, INT_MAX);
        mouseMotion(INT_MAX, INT_MIN);
    }
    EXPECT_TRUE(std::isfinite(viewer.rotX) && std::isfinite(viewer.rotY));
    EXPECT_GT(std::fabs(viewer.rotY), 4e8f);
    // 1250 units out the scene lies beyond the far plane; the box ignores the observer.
    const Frame far = soundFrame();
    EXPECT_EQ(far.count(BLACK), far.width * far.height);
    keyboard('p', 0, 0);
    EXPECT_GT(soundFrame().count(VIOLET), 0);
}

}  // namespace
