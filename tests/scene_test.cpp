// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// What a frame draws: the matrix stack, the colours and the picture itself.
#include <GL/glu.h>
#include <GL/glut.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "input/input.h"
#include "scene/scene.h"
#include "tests/harness.h"
#include "view/view.h"

namespace {

using Matrix = std::array<GLdouble, 16>;

Matrix modelview()
{
    Matrix m;
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// The view frame worked out apart from the program: camera, then drag turn.
Matrix viewFrame()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    if (!viewer.orthographic) {
        gluLookAt(viewer.eye.x, viewer.eye.y, viewer.eye.z, viewer.centre.x, viewer.centre.y,
                  viewer.centre.z, 0, 1, 0);
    }
    glRotatef(viewer.rotX, 1, 0, 0);
    glRotatef(viewer.rotY, 0, 1, 0);
    const Matrix m = modelview();
    glPopMatrix();
    return m;
}

using SceneTest = ViewerTest;

TEST_F(SceneTest, FrameEndsOnTheFlattenedBottomEntryInViolet)
{
    chooseIdle(nullptr);
    // A diagonal drag turns about both axes, x first; from start-up it is measured from (0, 0).
    mouseMotion(-150, 250);
    EXPECT_FLOAT_EQ(viewer.rotY, -30.0f);
    EXPECT_FLOAT_EQ(viewer.rotX, 50.0f);
    drawFrame();
    GLint depth, mode;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_TRUE(std::equal(violet, violet + 3, colour));

    // Only the two unpushed plan changes to the bottom entry outlast a frame;
    // drawing again must not compound them.
    const Matrix first = modelview();
    const Matrix frame = viewFrame();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixd(frame.data());
    glScalef(1.0f, 0.3f, 0.02f);
    glTranslatef(-1.75f, 5.0f, 0.0f);
    glScalef(0.3f, 1.0f, 1.0f);
    const Matrix expected = modelview();
    glPopMatrix();
    drawFrame();
    const Matrix second = modelview();
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(first[i], expected[i], 1e-5) << i;
        EXPECT_EQ(first[i], second[i]) << i;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneTest, BottomRowsShowOnlyTheClearColour)
{
    chooseIdle(nullptr);
    const auto blankBottom = [] {
        const Frame frame = drawFrame();
        EXPECT_GT(frame.count(WHITE), 500);
        return frame.count(BLACK, 0, 0, frame.width, VIEWPORT_Y) == frame.width * VIEWPORT_Y;
    };
    EXPECT_TRUE(blankBottom());
    mouseMotion(-150, -400);  // tilt the plan down across the bottom edge
    EXPECT_TRUE(blankBottom());
    keyboard('p', 0, 0);
    EXPECT_TRUE(blankBottom());
}

TEST_F(SceneTest, PictureIsDrawnInThePaletteOnly)
{
    chooseIdle(nullptr);
    const Frame frame = drawFrame();
    int painted = 0;
    for (Rgb colour : {YELLOW, WHITE, CYAN, GREEN, BROWN, PINK, VIOLET}) {
        const int n = frame.count(colour);
        EXPECT_GT(n, 50) << colour.r << "," << colour.g << "," << colour.b;
        painted += n;
    }
    EXPECT_EQ(painted + frame.count(BLACK), frame.width * frame.height);
}

// Yellow around the projected centre of every marker, in both projections.
TEST_F(SceneTest, MarkersShowWhereTheyProject)
{
    chooseIdle(nullptr);
    for (int ortho : {0, 1}) {
        if (ortho) {
            keyboard('p', 0, 0);
        }
        const Frame frame = drawFrame();
        const Matrix frameMatrix = viewFrame();
        Matrix proj;
        glGetDoublev(GL_PROJECTION_MATRIX, proj.data());
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        for (const Marker &m : MARKERS) {
            GLdouble wx, wy, wz;
            gluProject(m.x, m.y, MARKER_Z, frameMatrix.data(), proj.data(), viewport, &wx, &wy,
                       &wz);
            const int x = static_cast<int>(wx), y = static_cast<int>(wy);
            const int r = ortho ? 2 : 6;
            EXPECT_GT(frame.count(YELLOW, x - r, y - r, x + r + 1, y + r + 1), 0)
                << "marker at " << m.x << "," << m.y << " ortho " << ortho;
        }
    }
}

TEST_F(SceneTest, DepthTestHidesPlanLinesBehindTheMarkers)
{
    chooseIdle(nullptr);
    const int withDepth = drawFrame().count(YELLOW);
    keyboard('d', 0, 0);
    const int withoutDepth = drawFrame().count(YELLOW);
    EXPECT_LT(withoutDepth, withDepth);
}

TEST_F(SceneTest, OrthographicBoxIgnoresTheObserverButNotTheDrag)
{
    chooseIdle(nullptr);
    keyboard('p', 0, 0);
    const Frame still = drawFrame();
    special(GLUT_KEY_UP, 0, 0);
    special(GLUT_KEY_DOWN, 0, 0);
    special(GLUT_KEY_DOWN, 0, 0);
    EXPECT_EQ(drawFrame().rgb, still.rgb);
    mouseMotion(10, 0);
    EXPECT_NE(drawFrame().rgb, still.rgb);
}

TEST_F(SceneTest, EachIdleCallAddsHalfADegree)
{
    chooseIdle(nullptr);
    for (float from : {0.0f, -3.25f, 1000000.5f, 2097149.875f}) {
        viewer.angle = from;
        for (int i = 1; i <= 4; ++i) {
            spin();
            EXPECT_EQ(viewer.angle, from + 0.5f * i);
        }
    }
    EXPECT_TRUE(redraws(spin));
}

// The first frame, compared with a reference picture of it.
TEST_F(SceneTest, FirstFrameMatchesTheReferencePicture)
{
    chooseIdle(nullptr);
    const Frame frame = drawFrame();
    const std::string path = std::string(PLANVIEW_TEST_DATA) + "/first-frame.png";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (std::getenv("PLANVIEW_UPDATE_REFERENCE")) {
        image.width = frame.width;
        image.height = frame.height;
        image.format = PNG_FORMAT_RGB;
        // GL rows run bottom-up, so write them with a negative stride.
        ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, frame.rgb.data(),
                                            -frame.width * 3, nullptr));
    }
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << path;
    image.format = PNG_FORMAT_RGB;
    Frame reference;
    reference.width = static_cast<int>(image.width);
    reference.height = static_cast<int>(image.height);
    reference.rgb.resize(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, reference.rgb.data(), -reference.width * 3,
                                      nullptr));
    ASSERT_EQ(reference.width, frame.width);
    ASSERT_EQ(reference.height, frame.height);
    // The program's palette, each colour rounded as GL rounds it, is the reference's level for
    // level: the one record of the colours apart from the program's table.
    for (Rgb c : {YELLOW, WHITE, CYAN, GREEN, BROWN, PINK, VIOLET}) {
        int n = 0;
        for (size_t i = 0; i < reference.rgb.size(); i += 3) {
            n += reference.rgb[i] == c.r && reference.rgb[i + 1] == c.g &&
                 reference.rgb[i + 2] == c.b;
        }
        EXPECT_GT(n, 50) << c.r << "," << c.g << "," << c.b << " is not in " << path;
    }
    int differing = 0;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            differing += !near(frame.at(x, y), reference.at(x, y));
        }
    }
    EXPECT_LE(differing, 20) << "pixels unlike the reference";
}

}  // namespace
