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

TEST_F(GrowthTest, SpinStepsExactlyForEverAndShowsTheSameMarkersAcrossTheWrap)
{
    chooseIdle(nullptr);
    // Half steps from `from`, each exact: where the angle drops, from 2^21 only, by whole turns of
    // 360 degrees that are within 0.0005 of whole turns of 2 pi, so that the heading barely
    // moves. Then the markers still turn.
    const auto run = [](float from, long steps) {
        viewer.angle = from;
        long wraps = 0, wrong = 0;
        for (long i = 0; i < steps; ++i) {
            const float before = viewer.angle;
            spin();
            const double taken = before + 0.5 - viewer.angle;
            wraps += taken != 0;
            wrong += std::fmod(taken, 360.0) != 0 || (taken != 0 && before + 0.5 < TWO_TO_21) ||
                     std::fabs(std::remainder(taken, 2 * M_PI)) > 5e-4;
        }
        EXPECT_EQ(wrong, 0) << "from " << from;
        EXPECT_LT(viewer.angle, TWO_TO_21) << "from " << from;
        const Frame before = soundFrame();
        for (int i = 0; i < 10; ++i)
            spin();
        EXPECT_NE(soundFrame().rgb, before.rgb) << "the markers stand still, from " << from;
        return wraps;
    };
    // From start-up to twice 2^23 in all, and from a few hundred steps below where steps would
    // turn inexact, with an eighth a turn key left, and below where they would stop.
    EXPECT_EQ(run(0.0f, 1L << 25), 8);
    EXPECT_EQ(run(TWO_TO_21 - 150.125f, 400), 1);
    EXPECT_EQ(run(TWO_TO_23 - 150.0f, 400), 4);

    // The markers read the angle in degrees: whole turns off change nothing in the picture. (GL
    // itself turns 2^21 degrees into radians in single precision, a few pixels off, so the
    // picture to match is the one within the first turn.)
    for (float unwrapped : {TWO_TO_21, TWO_TO_21 + 100.25f}) {
        viewer.angle = unwrapped - 0.5f;
        spin();
        const Frame wrapped = soundFrame();
        viewer.angle = static_cast<float>(std::fmod(unwrapped, 360.0));
        EXPECT_EQ(soundFrame().rgb, wrapped.rgb) << unwrapped;
    }
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
