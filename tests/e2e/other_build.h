// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Another build of planview (the Windows one under Wine, the arm64 one under qemu, the web page)
// driven as the Linux build of this tree is, and its pictures compared with that build's in the
// same state. PLANVIEW_TEST_OUTPUT names the folder a differing picture is saved in.
#pragma once

// Before X's headers, whose macros (None, Bool) break GoogleTest's templates.
#include "e2e/frame_png.h"
// The desktop build's own code, linked in to draw its picture at any spin angle.
#include <GL/freeglut.h>

#include "app/viewer.h"
#include "input/input.h"
#include "scene/scene.h"
#include "view/view.h"

namespace e2e {

// The full path of an executable on PATH, or "" when there is none.
inline std::string onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    const std::string dirs = path ? path : "";
    for (size_t from = 0, to = 0; from <= dirs.size(); from = to + 1) {
        to = std::min(dirs.find(':', from), dirs.size());
        const std::string candidate = dirs.substr(from, to - from) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

// The spin leaves a stopped marker turned by a multiple of SPIN_STEP, and a sphere of ten slices
// looks the same every 36 degrees: a stopped picture's markers are the desktop build's at one of
// these angles.
constexpr int SPIN_ANGLES = 72;

// The desktop build's code in this process, on a window of its own, unmapped and renamed so that
// it hides no viewer's and is taken for none: fed the same input as the Linux build
// (OtherBuildE2E), it draws that build's picture at whatever spin angle is asked for.
inline bool inProcessOpen = false;
inline void resetInProcess()
{
    if (!std::exchange(inProcessOpen, true))
        initToolkit(), openViewer(), glutSetWindowTitle("in process"), glutHideWindow();
    glutMainLoopEvent();  // the window's creation and hiding done before any viewer's input
    viewer = ViewerState{};
    reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
}
// Before its X display goes: the toolkit would end the process once the display has gone.
inline void closeInProcess()
{
    if (std::exchange(inProcessOpen, false))
        glutExit();
}
inline Frame inProcessAt(float angle)
{
    viewer.angle = angle;
    display();
    glFinish();
    std::vector<unsigned char> rgb(size_t(WINDOW_WIDTH) * WINDOW_HEIGHT * 3);
    glReadBuffer(GL_BACK);  // the frame just shown: Mesa keeps it across the swap
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    Frame f{WINDOW_WIDTH, WINDOW_HEIGHT, std::vector<unsigned>(rgb.size() / 3)};
    for (size_t i = 0; i < f.px.size(); ++i) {
        const unsigned char *p =
            &rgb[3 * (size_t(WINDOW_HEIGHT - 1 - int(i) / f.w) * f.w + i % f.w)];
        f.px[i] = unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
    }
    return f;
}

// The other build's markers against the desktop build's at each spin angle: yellow pixels of
// either picture that the other lacks, as a share of both pictures' yellow pixels, at the best
// angle and half a degree either side. `desktop`, the Linux build's own picture, must be the
// in-process one exactly at some angle, or the input was not replayed as that build had it.
struct MarkerMatch {
    int best = 0, unmatched = 0, yellow = 0, desktopDiffering = 0;
    double share = 1, below = 1, above = 1;
};
inline MarkerMatch matchMarkers(const Frame &other, const Frame &desktop)
{
    const float from = viewer.angle;                       // the arrows' turns, none of the spin's
    std::vector<std::pair<int, int>> counts(SPIN_ANGLES);  // unmatched, yellow
    MarkerMatch m;
    m.desktopDiffering = int(desktop.px.size());
    for (int a = 0; a < SPIN_ANGLES; ++a) {
        const Frame f = inProcessAt(from + float(a * SPIN_STEP));
        if (f.px.size() != other.px.size() || f.px.size() != desktop.px.size())
            return m;
        int differing = 0;
        for (size_t i = 0; i < f.px.size(); ++i) {
            const bool mine = f.px[i] == YELLOW, theirs = other.px[i] == YELLOW;
            counts[a].first += mine != theirs, counts[a].second += mine + theirs;
            differing += f.px[i] != desktop.px[i];
        }
        m.desktopDiffering = std::min(m.desktopDiffering, differing);
    }
    viewer.angle = from;
    auto share = [&](int a) {
        const auto [unmatched, yellow] = counts[(a + SPIN_ANGLES) % SPIN_ANGLES];
        return yellow ? double(unmatched) / yellow : 1.0;
    };
    for (int a = 0; a < SPIN_ANGLES; ++a)
        if (share(a) < share(m.best))
            m.best = a;
    m.unmatched = counts[m.best].first, m.yellow = counts[m.best].second;
    m.share = share(m.best), m.below = share(m.best - 1), m.above = share(m.best + 1);
    return m;
}
// Prints the figures and fails where more than `allowed` of the yellow pixels are unmatched, and
// MARKER_LEEWAY pixels more: a stopped marker's angle is some turns of 36 degrees more than the
// in-process one, whose sine may round the other way (1 of 4,837 yellow pixels seen in Firefox);
// a sphere a stack short leaves hundreds.
constexpr int MARKER_LEEWAY = 2;
inline void expectMarkersMatch(const MarkerMatch &m, double allowed, const std::string &what)
{
    std::printf(
        "%s: markers best at %.1f degrees, %d of %d yellow pixels unmatched (%.3f%%; "
        "%.3f%% and %.3f%% half a degree either side)\n",
        what.c_str(), m.best * SPIN_STEP, m.unmatched, m.yellow, 100 * m.share, 100 * m.below,
        100 * m.above);
    EXPECT_EQ(m.desktopDiffering, 0)
        << what << ": the Linux build's picture is none the in-process code draws";
    EXPECT_LE(m.unmatched, allowed * m.yellow + MARKER_LEEWAY)
        << what << ": the markers differ at every spin angle";
}

class OtherBuildE2E : public PlanviewE2E {
protected:
    // Ends the other build and starts the Linux one in its place, at the same window position.
    void switchToLinux()
    {
        expectClosesCleanly();
        launch_ = nativeViewer();
        stillSeconds_ = STILL_SECONDS;
        replayFromStart();
        ASSERT_TRUE(start());
    }
    // From here on the Linux build's input goes to the in-process code too, as X hands it on:
    // a press counts on the window or while another button holds the pointer there, and moves
    // count while a button is held.
    void replayFromStart() { resetInProcess(), replaying_ = true, held_ = 0; }
    void key(KeySym k, unsigned mods = 0) override
    {
        PlanviewE2E::key(k, mods);
        constexpr std::pair<KeySym, int> SPECIAL[] = {
            {XK_Left, GLUT_KEY_LEFT}, {XK_Up, GLUT_KEY_UP},     {XK_Right, GLUT_KEY_RIGHT},
            {XK_Down, GLUT_KEY_DOWN}, {XK_Home, GLUT_KEY_HOME}, {XK_Insert, GLUT_KEY_INSERT}};
        if (!replaying_)
            return;
        for (auto [sym, glut] : SPECIAL)
            if (k == sym)
                return special(glut, x_, y_);
        unsigned c = k == XK_Escape || k == XK_Return ? k & 0xff : unsigned(k);
        c = mods & CONTROL ? c & 0x1f : mods & SHIFT ? unsigned(std::toupper(int(c))) : c;
        if (c < 0x100)
            keyboard((unsigned char)c, x_, y_);
    }
    void move(int x, int y) override
    {
        PlanviewE2E::move(x, y);
        x_ = x, y_ = y;
        if (replaying_ && held_)
            mouseMotion(x, y);
    }
    void button(unsigned b, bool down) override
    {
        PlanviewE2E::button(b, down);
        const bool onWindow = x_ >= 0 && y_ >= 0 && x_ < WINDOW_WIDTH && y_ < WINDOW_HEIGHT;
        if (!replaying_ || !(held_ || (down && onWindow)))
            return;
        held_ = down ? held_ | 1U << b : held_ & ~(1U << b);
        mouseButton(int(b) - 1, down ? GLUT_DOWN : GLUT_UP, x_, y_);
    }
    // The two builds' frames of one state must match, the markers at the best spin angle unless
    // the pictures were taken spinning; a mismatch keeps its pictures.
    void expectSamePicture(const Frame &other, const Frame &native, const std::string &state,
                           bool spinning = false)
    {
        ASSERT_EQ(other.w, native.w);
        ASSERT_EQ(other.h, native.h);
        const Difference d = compareOutsideYellow(other, native);
        std::printf("%s vs Linux, %s: %d of %d pixels outside yellow differ\n", name_.c_str(),
                    state.c_str(), d.differing, d.compared);
        EXPECT_GT(d.compared, other.w * other.h / 2);
        if (d.differing)
            ADD_FAILURE() << d.differing << " pixels differ in " << state << "; "
                          << keepPicture(other, name_ + "-" + state) << ", red in "
                          << keepPicture(d.image, name_ + "-vs-linux-" + state);
        if (!spinning)
            expectMarkersMatch(matchMarkers(other, native), 0, name_ + " vs Linux, " + state);
    }
    // A left drag after the spin is stopped, in steps of whole degrees (five pixels each), so the
    // turn comes out the same however the motion events are merged on the way; the picture it
    // settles on.
    Frame dragged(double seconds = 10)
    {
        stopSpin();
        const Frame before = grab();
        move(300, 300), button(1, true);
        for (int step = 1; step <= 8; ++step)
            move(300 + 15 * step, 300 + 10 * step);
        button(1, false);
        EXPECT_TRUE(waitFor(differs(before), seconds));
        EXPECT_TRUE(until([&] { return still(); }, seconds));
        return grab();
    }

    std::string name_;  // the other build's, in messages
    bool replaying_ = false;
    unsigned held_ = 0;  // buttons the window has, as bits
    int x_ = 0, y_ = 0;  // the pointer
};

}  // namespace e2e
