// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include "tests/harness.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "scene/scene.h"
#include "view/view.h"

Startup startup;

namespace {

const Rgb PAINT = {255, 0, 0};  // a colour the picture never uses

// freeglut runs the idle callback in glutMainLoop, which never returns, not
// in glutMainLoopEvent. The link wraps glutIdleFunc so pump() can run the
// registered callback the way the main loop does; the toolkit still gets
// every registration.
IdleCallback idleCallback = nullptr;

// Mesa's software renderer keeps the back buffer intact across a swap, and
// it is the buffer that holds the frame just shown; the front buffer of an
// X window reads back as black here.
Frame readShown()
{
    Frame frame;
    frame.width = glutGet(GLUT_WINDOW_WIDTH);
    frame.height = glutGet(GLUT_WINDOW_HEIGHT);
    frame.rgb.resize(static_cast<size_t>(frame.width) * frame.height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    return frame;
}

class ToolkitWindow : public ::testing::Environment {
public:
    void SetUp() override
    {
        initToolkit();
        openViewer();
        // With no window manager the window would hang over the screen's
        // top-left edge, where its pixels cannot be read back.
        glutPositionWindow(0, 0);
        for (int i = 0; i < 200 && viewer.winWidth == 0; ++i) {
            pump(1);
        }
        startup.state = viewer;
        glGetIntegerv(GL_VIEWPORT, startup.viewport);
        startup.depthTest = glIsEnabled(GL_DEPTH_TEST);
        startup.spinning = spinning();
    }
};

}  // namespace

Rgb Frame::at(int x, int y) const
{
    const unsigned char *p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

int Frame::count(Rgb colour, int x0, int y0, int x1, int y1) const
{
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += near(at(x, y), colour);
        }
    }
    return n;
}

bool near(Rgb a, Rgb b)
{
    const int tolerance = 2;
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

Frame drawFrame()
{
    display();
    glFinish();
    return readShown();
}

void pump(int passes)
{
    for (int i = 0; i < passes; ++i) {
        glutMainLoopEvent();
        if (idleCallback != nullptr) {
            idleCallback();
        }
    }
    glFinish();
}

bool redraws(const std::function<void()> &action)
{
    pump();  // settle anything already requested
    glClearColor(PAINT.r / 255.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glFinish();
    action();
    pump();
    return !near(readShown().at(0, 0), PAINT);
}

bool spinning()
{
    const float before = viewer.angle;
    pump();
    return viewer.angle != before;
}

extern "C" void __real_glutIdleFunc(void (*callback)());
extern "C" void __wrap_glutIdleFunc(void (*callback)())
{
    idleCallback = callback;
    __real_glutIdleFunc(callback);
}

IdleCallback registeredIdle()
{
    return idleCallback;
}

void ViewerTest::SetUp()
{
    glutReshapeWindow(WINDOW_WIDTH, WINDOW_HEIGHT);
    pump();
    viewer = ViewerState{};
    chooseIdle(spin);  // as start-up leaves it
    reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ToolkitWindow);
    return RUN_ALL_TESTS();
}
