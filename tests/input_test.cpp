// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Character-key commands and the drag that turns the scene.
#include <GL/glut.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "input/input.h"
#include "scene/scene.h"
#include "tests/harness.h"
// After gtest: Xlib's macros (None, Bool, Status) break its templates.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

using InputTest = ViewerTest;

TEST_F(InputTest, StartsWithFlagsThatDisagreeWithTheRealState)
{
    EXPECT_EQ(startup.state.animating, 0);
    EXPECT_EQ(startup.state.depthTest, 1);
    EXPECT_EQ(startup.state.orthographic, 0);
    EXPECT_TRUE(startup.depthTest);  // switched on by the first reshape
    EXPECT_EQ(startup.state.winWidth, WINDOW_WIDTH);
    EXPECT_EQ(startup.state.winHeight, WINDOW_HEIGHT);
    EXPECT_EQ(startup.viewport[1], VIEWPORT_Y);
    EXPECT_TRUE(startup.spinning);  // though animating says otherwise
    EXPECT_EQ(startup.state.idleChoice, spin);
    EXPECT_EQ(startup.state.windowVisible, 1);
}

TEST_F(InputTest, SpaceTogglesTheSpinFromTheFlagsPointOfView)
{
    keyboard(' ', 0, 0);
    EXPECT_EQ(viewer.animating, 1);
    EXPECT_TRUE(spinning());
    keyboard(' ', 0, 0);
    EXPECT_EQ(viewer.animating, 0);
    const float stoppedAt = viewer.angle;
    EXPECT_FALSE(spinning());
    keyboard(' ', 0, 0);
    EXPECT_TRUE(spinning());
    EXPECT_GT(viewer.angle, stoppedAt);
}

TEST_F(InputTest, DAndPToggleTheirStateOtherKeysOnlyRedraw)
{
    keyboard('d', 0, 0);
    EXPECT_EQ(viewer.depthTest, 0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    keyboard('d', 0, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    keyboard('p', 0, 0);
    EXPECT_EQ(viewer.orthographic, 1);

    chooseIdle(nullptr);
    const ViewerState before = viewer;
    for (const int key : {int{'D'}, int{'P'}, int{'x'}, int{'\r'}, 0x1b, 200}) {
        EXPECT_TRUE(redraws([key] { keyboard(static_cast<unsigned char>(key), 5, 5); })) << key;
    }
    EXPECT_EQ(std::memcmp(&viewer, &before, sizeof viewer), 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(spinning());
}

TEST_F(InputTest, LeftDragTurnsOneDegreePerFivePixels)
{
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 200, 300);
    mouseMotion(210, 290);
    EXPECT_FLOAT_EQ(viewer.rotY, 2.0f);
    EXPECT_FLOAT_EQ(viewer.rotX, -2.0f);
    mouseMotion(213, 290);  // fractions of a degree are kept
    EXPECT_FLOAT_EQ(viewer.rotY, 2.6f);
    EXPECT_EQ(viewer.lastX, 213);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 213, 290);
    EXPECT_EQ(viewer.dragState, -1);
    mouseMotion(500, 500);
    EXPECT_FLOAT_EQ(viewer.rotY, 2.6f);
}

TEST_F(InputTest, OtherButtonsDragOnlyUntilTheFirstLeftRelease)
{
    chooseIdle(nullptr);
    EXPECT_FALSE(redraws([] { mouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 100, 50); }));
    mouseMotion(100, 50);  // measured from the start-up (0, 0)
    EXPECT_FLOAT_EQ(viewer.rotY, 20.0f);
    EXPECT_FLOAT_EQ(viewer.rotX, 10.0f);
    EXPECT_FALSE(redraws([] { mouseButton(GLUT_MIDDLE_BUTTON, GLUT_UP, 100, 50); }));

    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    const ViewerState before = viewer;
    for (int button : {GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON, 3, 4}) {
        EXPECT_FALSE(redraws([button] {
            mouseButton(button, GLUT_DOWN, 40, 40);
            mouseMotion(90, 90);
            mouseButton(button, GLUT_UP, 90, 90);
        }));
    }
    EXPECT_EQ(std::memcmp(&viewer, &before, sizeof viewer), 0);
    EXPECT_TRUE(redraws([] { mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 1, 1); }));
}

TEST_F(InputTest, LeftButtonPausesTheSpinOnlyWhenAnimating)
{
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
    EXPECT_TRUE(spinning());  // animating is still 0 after start-up
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 10, 10);

    keyboard(' ', 0, 0);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
    EXPECT_FALSE(spinning());
    mouseMotion(20, 20);
    EXPECT_FALSE(spinning());
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 20, 20);
    EXPECT_TRUE(spinning());
}

// While the window cannot be seen the toolkit runs no idle callback; once it can, it runs the one
// last chosen, whatever arrived in between. Every way the spin can stand, every input that can
// arrive unseen, and every status the toolkit reports.
TEST_F(InputTest, UnseenWindowRunsNoIdleCallbackAndResumesTheLatestChoice)
{
    const auto space = [] { keyboard(' ', 0, 0); };
    const auto press = [] { mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10); };
    const auto release = [] { mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 10, 10); };
    const auto nothing = [] {};
    struct Case {
        const char *name;
        std::function<void()> before, unseen;
        IdleCallback after;
    };
    const Case cases[] = {
        {"running since start-up", nothing, nothing, spin},
        {"stopped by space", [&] { space(), space(); }, nothing, nullptr},
        {"paused by a held left button", [&] { space(), press(); }, nothing, nullptr},
        {"left release while unseen", [&] { space(), press(); }, release, spin},
        {"left press while unseen", space, press, nullptr},
        {"left press before any space, unseen", nothing, press, spin},
        {"space stops while unseen", space, space, nullptr},
        {"space restarts while unseen", [&] { space(), space(); }, space, spin},
        {"first space while unseen", nothing, space, spin},
    };
    for (const Case &c : cases) {
        for (int unseen : {GLUT_HIDDEN, GLUT_FULLY_COVERED}) {
            for (int seen : {GLUT_FULLY_RETAINED, GLUT_PARTIALLY_RETAINED}) {
                SCOPED_TRACE(testing::Message()
                             << c.name << ", unseen " << unseen << ", seen " << seen);
                viewer = ViewerState{};
                chooseIdle(spin);
                c.before();
                const IdleCallback shown = registeredIdle();
                windowStatus(seen);  // a status that changes nothing
                EXPECT_EQ(registeredIdle(), shown);
                windowStatus(unseen);
                EXPECT_EQ(registeredIdle(), nullptr);
                c.unseen();
                EXPECT_EQ(registeredIdle(), nullptr);
                windowStatus(unseen == GLUT_HIDDEN ? GLUT_FULLY_COVERED : GLUT_HIDDEN);
                EXPECT_EQ(registeredIdle(), nullptr);
                const float angle = viewer.angle;
                pump();
                EXPECT_EQ(viewer.angle, angle);
                windowStatus(seen);
                EXPECT_EQ(registeredIdle(), c.after);
                windowStatus(GLUT_FULLY_RETAINED + GLUT_PARTIALLY_RETAINED - seen);
                EXPECT_EQ(registeredIdle(), c.after);
            }
        }
    }
    // A hold that began unseen still ends as one seen: the release restarts the spin.
    viewer = ViewerState{};
    chooseIdle(spin);
    space();
    windowStatus(GLUT_HIDDEN);
    press();
    windowStatus(GLUT_FULLY_RETAINED);
    EXPECT_FALSE(spinning());
    release();
    EXPECT_TRUE(spinning());
}

// The real window hidden and shown again: unmapped, as freeglut hears of it, or left mapped but
// marked minimised by the window manager (GNOME's way), as only the property changes tell. The spin
// follows; a space pair given meanwhile is taken.
TEST_F(InputTest, HidingTheWindowPausesTheSpinUntilItShowsAgain)
{
    const auto waitFor = [](bool visible) {
        for (int i = 0; i < 500 && viewer.windowVisible != visible; ++i) {
            pump(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return viewer.windowVisible == visible;
    };
    Display *dpy = glXGetCurrentDisplay();
    const Window win = glXGetCurrentDrawable();
    const auto atom = [&](const char *name) { return XInternAtom(dpy, name, False); };
    const auto setProperty = [&](const char *name, Atom type, std::vector<long> items) {
        XChangeProperty(dpy, win, atom(name), type, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(items.data()), int(items.size()));
        XFlush(dpy);
    };
    const auto netState = [&](bool hidden) {
        // The mark neither first nor last among others, as GNOME lists it.
        std::vector<long> items{long(atom("_NET_WM_STATE_ABOVE")),
                                long(atom("_NET_WM_STATE_STICKY"))};
        if (hidden)
            items.insert(items.begin() + 1, long(atom("_NET_WM_STATE_HIDDEN")));
        setProperty("_NET_WM_STATE", XA_ATOM, items);
    };
    const auto wmState = [&](long state) { setProperty("WM_STATE", atom("WM_STATE"), {state, 0}); };
    const std::pair<const char *, std::function<void(bool)>> hiders[] = {
        {"unmapped", [](bool hide) { hide ? glutHideWindow() : glutShowWindow(); }},
        {"WM_STATE", [&](bool hide) { wmState(hide ? IconicState : NormalState); }},
        {"_NET_WM_STATE", netState},
    };
    keyboard(' ', 0, 0);
    for (const auto &[name, hide] : hiders) {
        SCOPED_TRACE(name);
        hide(true);
        ASSERT_TRUE(waitFor(false));
        EXPECT_FALSE(spinning());
        keyboard(' ', 0, 0);  // stopped while hidden ...
        keyboard(' ', 0, 0);  // ... and restarted
        EXPECT_FALSE(spinning());
        hide(false);
        ASSERT_TRUE(waitFor(true));
        EXPECT_TRUE(spinning());
        EXPECT_GT(drawFrame().count(YELLOW), 0);
    }
    // Either mark alone hides it.
    wmState(IconicState), netState(true);
    ASSERT_TRUE(waitFor(false));
    wmState(NormalState);
    pump(20);
    EXPECT_FALSE(viewer.windowVisible) << "still marked hidden";
    netState(false);
    EXPECT_TRUE(waitFor(true));
}

}  // namespace
