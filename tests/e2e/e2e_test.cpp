// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// planview end to end: the built executable in its own process on the current X display, driven
// with real input through XTEST and read back from its window.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, Status) break its templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// The palette as the window shows it; PLAN stands for any lit pixel but a marker's.
constexpr unsigned YELLOW = 0xffff00, WHITE = 0xffffff, CYAN = 0x00ffff, GREEN = 0x00ff00,
                   BROWN = 0x99661f, PINK = 0xfa0ab2, VIOLET = 0x9966b2, PLAN = 0;

struct Bounds {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, n = 0;
    int mid() const { return n ? (x0 + x1) / 2 : -999; }
};

// The window's pixels, rows top-down as X numbers them.
struct Frame {
    int w = 0, h = 0;
    std::vector<unsigned> px;
    Bounds bounds(unsigned c, int x0 = 0, int y0 = 0, int x1 = 1 << 30, int y1 = 1 << 30) const
    {
        Bounds b;
        for (int y = std::max(0, y0); y <= std::min(h - 1, y1); ++y)
            for (int x = std::max(0, x0); x <= std::min(w - 1, x1); ++x)
                if (c ? px[y * w + x] == c : px[y * w + x] && px[y * w + x] != YELLOW)
                    b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), y,
                         b.n + 1};  // rows ascend
        return b;
    }
    bool blank(int fromRow = 0) const
    {
        return w && std::all_of(px.begin() + fromRow * w, px.end(), [](unsigned p) { return !p; });
    }
    bool operator==(const Frame &o) const { return w == o.w && px == o.px; }
};
using Check = std::function<bool(const Frame &)>;
Check same(const Frame &f)
{
    return [f](const Frame &g) { return g == f; };
}
Check differs(const Frame &f)
{
    return [f](const Frame &g) { return g.w && !(g == f); };
}

// Boxes of the plan in world units, centre and half extents, their nested transforms multiplied
// out, and the markers, which stand in front of the plan unflattened.
struct Box {
    unsigned c;
    double x, y, z, hx, hy, hz;
};
constexpr Box OUTLINE{WHITE, 0, 0, 0, 2.5, .75, .05}, DOOR{BROWN, -.7, 1.89, 0, .2, .075, .05},
    SILL{CYAN, -1.75, 2.25, 0, .375, .015, .027}, LAWN{GREEN, -.18, 1.92, 0, .15, .2625, .05},
    BED{PINK, -1.7695, 1.95, .01, .33, .1875, .0125}, GROUNDS{VIOLET, .05, 0, .098, 2.7, 2.34, .06};
constexpr double MARKERS[][3] = {{0, 0, .08},        {.1, .13, .08},   {-.07, .15, .08},
                                 {-1.35, 1.2, .08},  {-.4, 1.2, .08},  {.2, 1, .06},
                                 {.8, 1, .08},       {-.8, -1.3, .05}, {-.75, -1.22, .05},
                                 {-.85, -1.22, .05}, {1.3, -.9, .05}};  // x, y, radius at z -0.6

// Window pixel of a world point, the scene unturned. The start-up camera stands at z -5 looking
// along +z, so world x runs right to left; the orthographic box has no camera. The viewport sits
// 50 rows up.
std::pair<int, int> project(const Frame &f, bool ortho, double x, double y, double z)
{
    const double s = f.h / (2 * std::tan(M_PI / 6) * (z + 5)), sx = ortho ? f.w / 40. : -s;
    return {int(std::floor(f.w / 2. + x * sx)),
            int(std::floor(f.h / 2. - 50 - y * (ortho ? f.h / 40. : s)))};
}

Bounds projected(const Frame &f, const Box &b, bool ortho = false)
{
    Bounds p;
    for (int i = 0; i < 8; ++i) {
        auto [x, y] = project(f, ortho, b.x + (i & 1 ? b.hx : -b.hx), b.y + (i & 2 ? b.hy : -b.hy),
                              b.z + (i & 4 ? b.hz : -b.hz));
        p = {std::min(p.x0, x), std::min(p.y0, y), std::max(p.x1, x), std::max(p.y1, y), 1};
    }
    return p;
}
// Whether `got` reaches, within two pixels, each side of `want` that falls inside the window.
bool reaches(const Frame &f, const Bounds &want, const Bounds &got)
{
    auto side = [](int want, int got, int size) {
        return want < 0 || want >= size || std::abs(want - got) <= 2;
    };
    return got.n && side(want.x0, got.x0, f.w) && side(want.x1, got.x1, f.w) &&
           side(want.y0, got.y0, f.h) && side(want.y1, got.y1, f.h);
}
// Whether the box's colour, looked for within two pixels of where the box projects, reaches it.
bool placed(const Frame &f, const Box &b, bool ortho = false)
{
    const Bounds p = projected(f, b, ortho);
    return reaches(f, p, f.bounds(b.c, p.x0 - 2, p.y0 - 2, p.x1 + 2, p.y1 + 2));
}
bool isOrtho(const Frame &f)
{
    return placed(f, GROUNDS, true);
}

// Each case runs planview as a person would and ends by closing its window the way a window
// manager does, which must end the process with status 0 and no output.
class PlanviewE2E : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }
    void TearDown() override
    {
        if (pid_ > 0) {
            XEvent e{};
            e.xclient = {
                ClientMessage, 0, False, dpy_, win_, XInternAtom(dpy_, "WM_PROTOCOLS", False), 32};
            e.xclient.data.l[0] = long(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
            XSendEvent(dpy_, win_, False, NoEventMask, &e), XFlush(dpy_);
            int status = -1;
            if (!until([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }))
                kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
            EXPECT_EQ(status, 0) << "closing the window ends the process with status 0";
            std::string out(4096, '\0');
            out.resize(std::max<ssize_t>(0, pread(fileno(out_), out.data(), out.size(), 0)));
            EXPECT_EQ(out, "");
        }
        if (dpy_)
            XCloseDisplay(dpy_);
    }
    bool start(std::vector<const char *> args = {})
    {
        if (!dpy_ || !out_)
            return false;
        XSetErrorHandler(
            [](Display *, XErrorEvent *) { return 0; });  // a resizing window may refuse a read
        XSelectInput(dpy_, DefaultRootWindow(dpy_), SubstructureNotifyMask);  // to see it map
        args.insert(args.begin(), PLANVIEW_EXE), args.push_back(nullptr);
        if ((pid_ = fork()) == 0) {
            dup2(fileno(out_), 1), dup2(fileno(out_), 2);
            // A fixed threshold returns the renderer's large buffers to the system when freed;
            // glibc's sliding one keeps them in the heap, where resizes make it creep.
            setenv("MALLOC_MMAP_THRESHOLD_", "131072", 1);
            execv(args[0], const_cast<char *const *>(args.data()));
            _exit(127);
        }
        // Under a window manager what maps on the root is the frame around the viewer's window.
        until([&] {
            for (XEvent e; !win_ && XPending(dpy_);)
                XNextEvent(dpy_, &e), win_ = e.type == MapNotify ? viewerIn(e.xmap.window) : 0;
            return win_ != 0;
        });
        XMoveWindow(dpy_, win_, 0, 0);  // from (-1, -1): wholly on screen, so it can be read
        move(500, 400);  // with no window manager, keyboard focus follows the pointer
        return waitFor([](const Frame &f) { return f.bounds(PLAN).n > 0; });
    }
    // The window titled planview at or below `w`, or 0.
    Window viewerIn(Window w)
    {
        char *name = nullptr;
        const bool found = XFetchName(dpy_, w, &name) && std::string(name) == "planview";
        if (name)
            XFree(name);
        Window root, parent, *children = nullptr, hit = found ? w : 0;
        unsigned n = 0;
        if (!found && XQueryTree(dpy_, w, &root, &parent, &children, &n))
            for (unsigned i = 0; i < n && !hit; ++i)
                hit = viewerIn(children[i]);
        if (children)
            XFree(children);
        return hit;
    }
    bool mapState(int state)
    {
        return until([&] {
            XWindowAttributes a{};
            return XGetWindowAttributes(dpy_, win_, &a) && a.map_state == state;
        });
    }
    // Share of one core the viewer used over `seconds`, from the kernel's count of its CPU time.
    double cpuShare(double seconds = 3)
    {
        auto ticks = [this] {
            std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
            std::string field;
            std::getline(stat, field, ')');  // past the command name, which may hold spaces
            long t = 0;
            for (int i = 3; i <= 15 && stat >> field; ++i)
                if (i >= 14)
                    t += std::stol(field);  // utime, stime: every thread's, in clock ticks
            return t;
        };
        const long before = ticks();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return double(ticks() - before) / double(sysconf(_SC_CLK_TCK)) / seconds;
    }
    // Two frames half a second apart differ, once a window just shown has been redrawn.
    bool turns()
    {
        EXPECT_TRUE(waitFor([](const Frame &f) { return f.bounds(PLAN).n > 0; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const Frame first = grab();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return !(grab() == first);
    }
    Frame grab()
    {
        XWindowAttributes a{};
        XGetWindowAttributes(dpy_, win_, &a);
        XImage *im = XGetImage(dpy_, win_, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        Frame f{im ? a.width : 0, a.height, std::vector<unsigned>(im ? a.width * a.height : 0)};
        for (int i = 0; i < int(f.px.size()); ++i)
            f.px[i] = XGetPixel(im, i % f.w, i / f.w) & 0xffffff;
        if (im)
            XDestroyImage(im);
        return f;
    }
    bool until(const std::function<bool()> &ok, double seconds = 5)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (; !ok(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            if (std::chrono::steady_clock::now() > end)
                return false;
        return true;
    }
    // Polls the window until `ok` holds; `last` keeps the frame that decided.
    bool waitFor(const Check &ok, double seconds = 5)
    {
        return until([&] { return ok(last = grab()); }, seconds);
    }
    bool spinning() { return waitFor(differs(grab())); }
    bool still() { return !waitFor(differs(grab()), 0.7); }
    void stopSpin()
    {
        key(XK_space), key(XK_space);  // from start-up: the first only sets the flag
        until([&] { return still(); });
    }
    // From any state: a space stops a spin the flag knows of; one it does not takes a second.
    // A change that dies down by itself (input still being handled, a redraw after a resize) is
    // not a spin, so a space is pressed only for a picture that keeps changing for 2 s.
    bool settle()
    {
        for (int i = 0; i < 3; ++i) {
            if (until([&] { return still(); }, 2))
                return true;
            key(XK_space);
        }
        return until([&] { return still(); }, 2);
    }
    void key(KeySym k, bool shift = false)
    {
        const KeyCode s = XKeysymToKeycode(dpy_, XK_Shift_L), c = XKeysymToKeycode(dpy_, k);
        for (auto [code, down] : {std::pair(s, true), {c, true}, {c, false}, {s, false}})
            if (code != s || shift)
                XTestFakeKeyEvent(dpy_, code, down, 0);
        XFlush(dpy_);
    }
    void move(int x, int y) { XTestFakeMotionEvent(dpy_, -1, x, y, 0), XFlush(dpy_); }
    void button(unsigned b, bool down) { XTestFakeButtonEvent(dpy_, b, down, 0), XFlush(dpy_); }
    void resize(int w, int h) { XResizeWindow(dpy_, win_, w, h), XFlush(dpy_); }
    // Returns once all input sent before is handled: p switches the projection there and back,
    // which shows in any state where the scene is unturned.
    void sync()
    {
        const bool ortho = isOrtho(grab());
        for (bool want : {!ortho, ortho}) {
            key(XK_p);
            EXPECT_TRUE(waitFor([want](const Frame &f) { return isOrtho(f) == want; }));
        }
    }
    bool unchangedAfter(const std::function<void()> &input)
    {
        const Frame before = grab();
        input(), sync();
        return grab() == before;
    }

    Display *dpy_ = XOpenDisplay(nullptr);
    std::FILE *out_ = std::tmpfile();  // the program's stdout and stderr
    Window win_ = 0;
    pid_t pid_ = -1;
    Frame last;
};

class PlanviewWithArguments : public PlanviewE2E {
    void SetUp() override
    {
        ASSERT_TRUE(start({"-geometry", "10x10", "-iconic", "-display", ":99"}));
    }
};

// The 1000 x 800 window, its 50 clear bottom rows, the plan in every colour and the markers, which
// however far they have spun cover their discs and nothing else.
void expectFirstFrame(const Frame &f)
{
    ASSERT_EQ(f.w, 1000);
    ASSERT_EQ(f.h, 800);
    EXPECT_TRUE(f.blank(f.h - 50));
    for (const Box &b : {OUTLINE, DOOR, SILL, LAWN, BED, GROUNDS})
        EXPECT_TRUE(placed(f, b)) << std::hex << b.c;
    // Each marker's equator circles its centre at z -0.6, the silhouette whatever the spin.
    const double scale = f.h / (2 * std::tan(M_PI / 6) * 4.4);
    std::vector<int> hits(std::size(MARKERS));
    int stray = 0;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (f.px[y * f.w + x] != YELLOW)
                continue;
            bool on = false;
            for (size_t i = 0; i < hits.size(); ++i) {
                auto [cx, cy] = project(f, false, MARKERS[i][0], MARKERS[i][1], -.6);
                if (std::hypot(x - cx, y - cy) <= MARKERS[i][2] * scale + 2)
                    on = true, ++hits[i];
            }
            stray += !on;
        }
    EXPECT_EQ(stray, 0);
    for (int n : hits)
        EXPECT_GT(n, 10);
}

TEST_F(PlanviewE2E, FirstFrameShowsThePlanAndTheMarkers)
{
    expectFirstFrame(last);
}

TEST_F(PlanviewWithArguments, StillOpensTheNormalWindowHere)
{
    expectFirstFrame(last);
}

TEST_F(PlanviewE2E, SpaceTogglesTheSpinAndALeftHoldPausesIt)
{
    EXPECT_TRUE(spinning());
    button(1, true), sync();
    EXPECT_TRUE(spinning()) << "a left press before any space leaves the spin alone";
    button(1, false);
    key(XK_space), sync();
    EXPECT_TRUE(spinning()) << "the first space only sets the flag";
    key(XK_space), sync();
    EXPECT_TRUE(still());
    key(XK_space), sync();
    EXPECT_TRUE(spinning());
    button(1, true), sync();
    EXPECT_TRUE(still()) << "a held left button pauses the spin";
    button(1, false), sync();
    EXPECT_TRUE(spinning());
}

TEST_F(PlanviewE2E, KeysSwitchProjectionAndDepthTestingAndNothingElse)
{
    stopSpin();
    const Frame persp = grab();
    key(XK_p);
    EXPECT_TRUE(waitFor([](const Frame &f) { return isOrtho(f) && placed(f, LAWN, true); }));
    key(XK_p);
    EXPECT_TRUE(waitFor(same(persp)));
    // Without depth testing the plan, drawn after the markers, covers them where lines cross.
    key(XK_d);
    ASSERT_TRUE(waitFor(differs(persp)));
    const Frame flat = last;
    EXPECT_LT(flat.bounds(YELLOW).n, persp.bounds(YELLOW).n);
    key(XK_d);
    EXPECT_TRUE(waitFor(same(persp)));
    // Upper case and other keys are no commands: the d after them still turns depth testing off.
    for (KeySym k : {XK_d, XK_p})
        key(k, true);
    for (KeySym k : {XK_x, XK_q, XK_Escape, XK_Return, XK_d})
        key(k);
    EXPECT_TRUE(waitFor(same(flat)));
    // p turns depth testing back on behind d's flag: the next d changes nothing, the one after
    // switches it off.
    key(XK_p), key(XK_p);
    EXPECT_TRUE(waitFor(same(persp)));
    key(XK_d), key(XK_d);
    EXPECT_TRUE(waitFor(same(flat)));
}

TEST_F(PlanviewE2E, ArrowKeysWalkTheObserver)
{
    stopSpin();
    auto mid = [](const Frame &f) { return f.bounds(VIOLET).mid(); };
    auto width = [](const Frame &f) {
        const Bounds b = f.bounds(VIOLET);
        return b.x1 - b.x0;
    };
    // The first arrow key points the view along the heading, which the spin left at some unknown
    // angle: turn right until the scene is straight ahead.
    key(XK_Up), sync();
    for (int i = 0; i < 60 && std::abs(mid(grab()) - 500) > 50; ++i)
        key(XK_Right), sync();
    const Frame ahead = grab();
    ASSERT_LE(std::abs(mid(ahead) - 500), 50);
    key(XK_Right);
    EXPECT_TRUE(waitFor([&](const Frame &f) {
        return f.bounds(VIOLET).n && mid(f) < mid(ahead) - 40;
    })) << "turning right slides the scene left";
    key(XK_Left);
    EXPECT_TRUE(waitFor(same(ahead)));
    // 25 steps of 0.125 radian are nearly half a turn: the scene leaves the view.
    for (int i = 0; i < 25; ++i)
        key(XK_Right);
    EXPECT_TRUE(waitFor([](const Frame &f) { return f.blank(); }));
    for (int i = 0; i < 25; ++i)
        key(XK_Left);
    EXPECT_TRUE(waitFor(same(ahead)));
    // Facing the scene, up steps towards it and down steps back.
    const int w = width(ahead);
    key(XK_Up);
    EXPECT_TRUE(waitFor([&](const Frame &f) { return width(f) > w + 10; }));
    key(XK_Down), key(XK_Down);
    EXPECT_TRUE(waitFor([&](const Frame &f) { return width(f) < w - 10; }));
    key(XK_Up);
    EXPECT_TRUE(waitFor([&](const Frame &f) { return std::abs(width(f) - w) <= 1; }));
    EXPECT_TRUE(unchangedAfter([&] {
        for (KeySym k : {XK_F1, XK_F12, XK_Prior, XK_Next, XK_Home, XK_End, XK_Insert})
            key(k);
    }));
}

TEST_F(PlanviewE2E, DragsTurnTheSceneByADegreePerFivePixels)
{
    stopSpin();
    const Frame base = grab();
    // Until the first left release any held button turns the scene, its first motion measured
    // from (0, 0): going back there undoes the turn exactly.
    for (unsigned b : {3U, 2U}) {
        button(b, true), move(505, 400);
        EXPECT_TRUE(waitFor(differs(base))) << "button " << b;
        move(0, 0);
        EXPECT_TRUE(waitFor(same(base))) << "button " << b;
        button(b, false);
    }
    // In the orthographic box 450 pixels, 90 degrees, show the flat plan edge-on, with the
    // markers 0.6 in front of it turned to its left (about y) or above it (about x).
    key(XK_p);
    ASSERT_TRUE(waitFor(isOrtho));
    const Frame flat = last;
    auto edgeOn = [](bool aboutY) {
        return [aboutY](const Frame &f) {
            const Bounds plan = f.bounds(PLAN), m = f.bounds(YELLOW);
            return plan.n && m.n &&
                   (aboutY ? plan.x0 >= 493 && plan.x1 <= 507 && m.x1 < 493
                           : plan.y0 >= 343 && plan.y1 <= 357 && m.y1 < 343);
        };
    };
    move(300, 300), button(1, true), move(750, 300);
    EXPECT_TRUE(waitFor(edgeOn(true)));
    move(300, 300);
    EXPECT_TRUE(waitFor(same(flat)));
    move(300, 750);
    EXPECT_TRUE(waitFor(edgeOn(false)));
    move(300, 300);
    EXPECT_TRUE(waitFor(same(flat)));
    button(1, false);
    EXPECT_TRUE(unchangedAfter([&] {
        button(3, true), move(505, 400), button(3, false);
        button(2, true), move(710, 500), button(2, false);
    })) << "after a left release other buttons turn nothing";
}

TEST_F(PlanviewE2E, ResizingRedrawsForTheNewSize)
{
    stopSpin();
    // In a sliver only the bottom edge of the surround shows above the 50 clear rows, across the
    // whole width. Each size is seen drawn before the next: Mesa's software renderer takes the
    // window size once a frame, so two resizes within one frame show only in the frame after.
    for (int w : {1, 40}) {
        resize(w, 60);
        EXPECT_TRUE(waitFor([w](const Frame &f) {
            const Bounds b = f.bounds(VIOLET);
            return f.w == w && placed(f, GROUNDS) && b.x0 == 0 && b.x1 == w - 1 && f.blank(10);
        })) << w;
    }
    resize(800, 600);
    EXPECT_TRUE(waitFor([](const Frame &f) {
        return f.w == 800 && placed(f, LAWN) && placed(f, GROUNDS) && f.blank(550);
    }));
    key(XK_p);
    EXPECT_TRUE(waitFor([](const Frame &f) {
        return f.w == 800 && isOrtho(f) && placed(f, LAWN, true) && f.blank(550);
    }));
}

// A viewer that cannot be seen must rest: no spin burning a core, and the spin picks up where it
// was once it shows again.
constexpr double RESTING = 0.05;  // of one core

TEST_F(PlanviewE2E, UnmappedOrCoveredItRestsAndSpinsAgainWhenSeen)
{
    ASSERT_TRUE(turns());
    XUnmapWindow(dpy_, win_), XFlush(dpy_);
    ASSERT_TRUE(mapState(IsUnmapped));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double unmapped = cpuShare();
    XMapWindow(dpy_, win_), XFlush(dpy_);
    ASSERT_TRUE(mapState(IsViewable));
    EXPECT_TRUE(turns()) << "the spin resumes once mapped";

    XSetWindowAttributes over{};
    over.override_redirect = True;
    const Window cover =
        XCreateWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1100, 900, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect, &over);
    XMapRaised(dpy_, cover), XFlush(dpy_);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double covered = cpuShare();
    XDestroyWindow(dpy_, cover), XFlush(dpy_);
    EXPECT_TRUE(turns()) << "the spin resumes once uncovered";
    std::printf("CPU while unmapped: %.1f%% of a core; while covered: %.1f%%\n", 100 * unmapped,
                100 * covered);
    EXPECT_LT(unmapped, RESTING);
    EXPECT_LT(covered, RESTING);
}

// The same under a real window manager, which iconifies and restores the window, on a display of
// its own so that no other case runs under it.
class PlanviewUnderWindowManager : public PlanviewE2E {
protected:
    static void SetUpTestSuite()
    {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const std::string fd = std::to_string(fds[1]);
        xvfb_ = spawn({"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-noreset",
                       "-nolisten", "tcp"},
                      fds[0]);
        close(fds[1]);
        // Read up to the newline: closing the pipe before Xvfb has written it all kills it.
        std::string number;
        for (char c; (number.empty() || number.back() != '\n') && read(fds[0], &c, 1) == 1;)
            number += c;
        close(fds[0]);
        ASSERT_TRUE(!number.empty() && number.back() == '\n') << "Xvfb did not start";
        if (const char *outer = std::getenv("DISPLAY"))
            outerDisplay_ = outer;
        number.pop_back();
        setenv("DISPLAY", (":" + number).c_str(), 1);
        openbox_ = spawn({"openbox"});
        // The window manager is running once it has put up its check window.
        Display *dpy = XOpenDisplay(nullptr);
        ASSERT_TRUE(dpy) << "cannot open the window manager's display " << std::getenv("DISPLAY");
        const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
        bool managed = false;
        for (int i = 0; i < 500 && !managed && waitpid(openbox_, nullptr, WNOHANG) == 0; ++i) {
            Atom type;
            int format;
            unsigned long items, after;
            unsigned char *data = nullptr;
            managed =
                XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False, AnyPropertyType,
                                   &type, &format, &items, &after, &data) == Success &&
                items == 1;
            if (data)
                XFree(data);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        XCloseDisplay(dpy);
        ASSERT_TRUE(managed) << "openbox is not running (scripts/test installs it)";
    }
    static void TearDownTestSuite()
    {
        for (pid_t p : {openbox_, xvfb_})
            if (p > 0)
                kill(p, SIGTERM), waitpid(p, nullptr, 0);
        if (!outerDisplay_.empty())
            setenv("DISPLAY", outerDisplay_.c_str(), 1);
    }
    static pid_t spawn(std::vector<const char *> args, int closeInChild = -1)
    {
        args.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            if (closeInChild >= 0)
                close(closeInChild);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1), dup2(null, 2);
            execvp(args[0], const_cast<char *const *>(args.data()));
            _exit(127);
        }
        return pid;
    }
    // As xdotool's windowminimize and windowactivate ask it of the window manager.
    void minimise()
    {
        XIconifyWindow(dpy_, win_, DefaultScreen(dpy_)), XFlush(dpy_);
        ASSERT_TRUE(mapState(IsUnmapped));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    void restore()
    {
        XEvent e{};
        e.xclient = {ClientMessage,
                     0,
                     False,
                     dpy_,
                     win_,
                     XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False),
                     32};
        e.xclient.data.l[0] = 2;  // from a pager, as a user's click on the task bar
        XSendEvent(dpy_, DefaultRootWindow(dpy_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &e);
        XFlush(dpy_);
        ASSERT_TRUE(mapState(IsViewable));
    }

    static inline pid_t xvfb_ = -1, openbox_ = -1;
    static inline std::string outerDisplay_;
};

TEST_F(PlanviewUnderWindowManager, MinimisedItRestsAndRestoredItSpinsAndTurns)
{
    ASSERT_TRUE(turns());
    minimise();
    const double minimised = cpuShare();
    std::printf("CPU while minimised: %.1f%% of a core\n", 100 * minimised);
    EXPECT_LT(minimised, RESTING);
    restore();
    EXPECT_TRUE(turns());
    // Long enough for a spin left running to take the shared angle where a float stops counting.
    minimise();
    std::this_thread::sleep_for(std::chrono::seconds(15));
    restore();
    EXPECT_TRUE(turns()) << "still spinning after 15 s minimised";
    key(XK_space), key(XK_space);
    ASSERT_TRUE(until([&] { return still(); }));
    // The first turn points the view along the heading the spin left behind, maybe away from the
    // scene: Left turns it an eighth of a radian a press until the scene shows.
    bool shown = false;
    for (int i = 0; i < 60 && !shown; ++i)
        key(XK_Left), sync(), shown = grab().bounds(PLAN).n > 0;
    ASSERT_TRUE(shown) << "Left still turns the observer";
    const Frame facing = grab();
    key(XK_Right);
    EXPECT_TRUE(waitFor(differs(facing))) << "Right still turns the observer";
}

TEST_F(PlanviewUnderWindowManager, SpinStoppedBeforeMinimisingStaysStopped)
{
    stopSpin();
    minimise();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    restore();
    EXPECT_FALSE(turns());
    key(XK_space);
    EXPECT_TRUE(spinning()) << "the space key still restarts it";
}

// Resident memory of the viewer in KiB, as the kernel counts it.
long residentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Random real input at full speed, in rounds: every key with and without shift, the five buttons
// pressed and released in any order, motion anywhere on the screen and resizes down to 1 x 1. After
// each round the viewer must still answer a key; its memory, once two rounds have warmed it up,
// must settle. Nothing may reach the console.
TEST_F(PlanviewE2E, SurvivesAStormOfRandomInput)
{
    constexpr int ROUNDS = 6, EVENTS = 4000;
    std::vector<KeySym> keys{
        XK_F1,   XK_F2,  XK_F3,     XK_F4,     XK_F5,     XK_F6,        XK_F7,   XK_F8,    XK_F9,
        XK_F10,  XK_F11, XK_F12,    XK_Left,   XK_Up,     XK_Right,     XK_Down, XK_Prior, XK_Next,
        XK_Home, XK_End, XK_Insert, XK_Escape, XK_Return, XK_BackSpace, XK_Tab,  XK_Delete};
    for (KeySym k = XK_space; k <= XK_asciitilde; ++k)
        keys.push_back(k);
    // A failing round names its seed; PLANVIEW_STORM_SEED replays that input.
    const char *replay = std::getenv("PLANVIEW_STORM_SEED");
    const unsigned seed = replay ? unsigned(std::stoul(replay)) : std::random_device{}();
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    // The largest size first, so the renderer's buffers reach their peak during the warm-up.
    resize(1200, 1000), sync();
    std::vector<long> rss;
    int events = 0, resizes = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (int round = 0; round < ROUNDS; ++round) {
        // Counted as X sees them: a key is a press and a release, with shift twice that.
        for (const int end = events + EVENTS; events < end;) {
            const int what = pick(20);
            if (what < 7) {
                const bool shift = pick(2);
                key(keys[pick(int(keys.size()))], shift), events += shift ? 4 : 2;
            } else if (what < 13) {
                button(1 + pick(5), pick(2)), ++events;
            } else if (what < 19) {
                move(pick(1280), pick(1024)), ++events;
            } else {
                resize(1 + pick(2) * pick(1200), 1 + pick(2) * pick(1000)), ++resizes;
            }
        }
        for (unsigned b = 1; b <= 5; ++b)
            button(b, false);
        resize(1000, 800), move(500, 400);
        // Input is handled in order, so the key that shows once the picture is still has waited
        // for the whole round.
        ASSERT_TRUE(settle()) << "round " << round << ", seed " << seed;
        // One projection may show nothing (the observer may face away), and the last frame of a
        // burst of resizes can come out black on this renderer until the next redraw. So when
        // the first p shows no change, the second, back to the orthographic box or to a
        // fresh frame, must.
        const Frame before = grab();
        key(XK_p);
        if (!waitFor(differs(before), 2))
            key(XK_p);
        ASSERT_TRUE(waitFor(differs(before))) << "round " << round << ", seed " << seed;
        rss.push_back(residentKb(pid_));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::string kb;
    for (long r : rss)
        kb += " " + std::to_string(r);
    std::printf(
        "storm: %d events and %d resizes in %.1f s, seed %u; resident KiB after each "
        "round:%s\n",
        events, resizes, seconds, seed, kb.c_str());
    EXPECT_LT(seconds, 60);
    // Two rounds warm up; after them the size wobbles by up to about 1.5 MiB as the renderer's
    // buffers come and go, but must not climb past that. AddressSanitizer holds freed memory
    // back (up to 256 MiB) to catch late uses, so there the size says nothing about leaks.
    if (!PLANVIEW_SANITIZED)
        EXPECT_LE(rss.back(), std::max(rss[0], rss[1]) + 2048) << "resident KiB:" << kb;
}

}  // namespace
