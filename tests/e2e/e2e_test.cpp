// planview end to end: the built executable in its own process on the current
// X display, driven with real input through XTEST and read back with
// XGetImage, as a person at the keyboard would use and see it.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, Status) break its templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};
constexpr Rgb YELLOW{255, 255, 0}, WHITE{255, 255, 255}, CYAN{0, 255, 255}, GREEN{0, 255, 0},
    BROWN{153, 102, 31}, PINK{250, 10, 179}, VIOLET{153, 102, 179};

struct Bounds {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -(1 << 30), y1 = -(1 << 30), n = 0;
    void add(int x, int y) { x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y), ++n; }
};

// The window's pixels as 0xRRGGBB, rows top-down as X numbers them.
struct Frame {
    int w = 0, h = 0;
    std::vector<unsigned> px;
    bool is(int x, int y, Rgb c) const
    {
        const unsigned p = px[y * w + x];
        return std::abs(int(p >> 16) - c.r) <= 2 && std::abs(int(p >> 8 & 255) - c.g) <= 2 && std::abs(int(p & 255) - c.b) <= 2;
    }
    bool near(int x, int y, Rgb c) const
    {
        for (int j = std::max(0, y - 2); j <= std::min(h - 1, y + 2); ++j)
            for (int i = std::max(0, x - 2); i <= std::min(w - 1, x + 2); ++i)
                if (is(i, j, c)) return true;
        return false;
    }
    // Pixels of colour c, or with no colour given every lit pixel but the markers'.
    Bounds bounds(const Rgb *c) const
    {
        Bounds b;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (c ? is(x, y, *c) : px[y * w + x] && !is(x, y, YELLOW)) b.add(x, y);
        return b;
    }
    Bounds bounds(Rgb c) const { return bounds(&c); }
    bool operator==(const Frame &o) const { return w == o.w && px == o.px; }
};
using Check = std::function<bool(const Frame &)>;
Check same(const Frame &f) { return [f](const Frame &g) { return g == f; }; }
Check differs(const Frame &f) { return [f](const Frame &g) { return g.w && !(g == f); }; }

// A plan box in world units: centre and half extents, with the plan's nested
// transforms multiplied out.
struct Box {
    Rgb c;
    double x, y, z, hx, hy, hz;
};
constexpr Box OUTLINE{WHITE, 0, 0, 0, 2.5, 0.75, 0.05}, DOOR{BROWN, -0.7, 1.89, 0, 0.2, 0.075, 0.05},
    WINDOW{CYAN, -1.75, 2.25, 0, 0.375, 0.015, 0.027}, LAWN{GREEN, -0.18, 1.92, 0, 0.15, 0.2625, 0.05},
    BED{PINK, -1.7695, 1.95, 0.01, 0.33, 0.1875, 0.0125}, GROUNDS{VIOLET, 0.05, 0, 0.098, 2.7, 2.34, 0.06};

// Window pixel of a world point with the scene unturned. The start-up camera
// stands at z -5 looking along +z, so world x runs right to left on screen;
// the orthographic box has no camera. Either way the viewport sits 50 rows up.
std::pair<int, int> project(const Frame &f, bool ortho, double x, double y, double z)
{
    const double s = ortho ? 0 : f.h / (2 * std::tan(M_PI / 6) * (z + 5));
    return ortho ? std::pair(int(std::floor(f.w / 2.0 + x * f.w / 40)), int(std::floor(f.h / 2.0 - 50 - y * f.h / 40)))
                 : std::pair(int(std::floor(f.w / 2.0 - x * s)), int(std::floor(f.h / 2.0 - 50 - y * s)));
}

std::vector<std::pair<int, int>> corners(const Frame &f, bool ortho, const Box &b)
{
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < 8; ++i)
        out.push_back(project(f, ortho, b.x + (i & 1 ? b.hx : -b.hx), b.y + (i & 2 ? b.hy : -b.hy), b.z + (i & 4 ? b.hz : -b.hz)));
    return out;
}

// Whether the box's colour reaches exactly as far as the box projects, on
// each side that falls inside the window. For colours used by one box only.
bool placed(const Frame &f, const Box &box, bool ortho = false)
{
    Bounds p, b = f.bounds(box.c);
    for (auto [x, y] : corners(f, ortho, box)) p.add(x, y);
    auto side = [](int want, int got, int size) { return want < 0 || want >= size || std::abs(want - got) <= 2; };
    return b.n && side(p.x0, b.x0, f.w) && side(p.x1, b.x1, f.w) && side(p.y0, b.y0, f.h) && side(p.y1, b.y1, f.h);
}
bool isOrtho(const Frame &f) { return f.w && placed(f, GROUNDS, true); }

const std::string PROGRAM = PLANVIEW_EXE;

std::vector<Window> viewerWindows(Display *d)
{
    std::vector<Window> out;
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n);
    for (unsigned i = 0; i < n; ++i) {
        char *name = nullptr;
        if (XFetchName(d, kids[i], &name) && name) {
            if (std::string(name) == "planview") out.push_back(kids[i]);
            XFree(name);
        }
    }
    if (kids) XFree(kids);
    return out;
}

class Viewer {
public:
    explicit Viewer(const std::vector<std::string> &args = {}) : dpy_(XOpenDisplay(nullptr))
    {
        if (!dpy_) throw std::runtime_error("no X display");
        XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });  // a resizing window can refuse a read
        const auto before = viewerWindows(dpy_);
        FILE *tmp = std::tmpfile();
        out_ = dup(fileno(tmp));
        std::fclose(tmp);
        std::vector<char *> argv{const_cast<char *>(PROGRAM.c_str())};
        for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        if ((pid_ = fork()) == 0) {
            dup2(out_, 1), dup2(out_, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        for (int i = 0; i < 500 && !win_; ++i, pause())
            for (Window w : viewerWindows(dpy_))
                if (std::find(before.begin(), before.end(), w) == before.end()) win_ = w;
        XMoveWindow(dpy_, win_, 0, 0);  // wholly on screen, so it can be read back
        move(500, 400);                 // with no window manager, focus follows the pointer
        if (!win_ || !waitFor([](const Frame &f) { return f.bounds(nullptr).n > 0; })) {
            stop();
            throw std::runtime_error("no window with a picture");
        }
    }
    ~Viewer() { stop(); }
    void stop()
    {
        if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0), pid_ = -1;
        if (dpy_) XCloseDisplay(dpy_), dpy_ = nullptr;
        if (out_ >= 0) ::close(out_), out_ = -1;
    }
    Frame grab()
    {
        Frame f;
        XWindowAttributes a;
        XImage *im = XGetWindowAttributes(dpy_, win_, &a) && a.map_state == IsViewable
                         ? XGetImage(dpy_, win_, 0, 0, a.width, a.height, AllPlanes, ZPixmap) : nullptr;
        if (!im) return f;
        f.w = a.width, f.h = a.height, f.px.resize(f.w * f.h);
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) f.px[y * f.w + x] = XGetPixel(im, x, y) & 0xffffff;
        XDestroyImage(im);
        return f;
    }
    // Polls the window until `ok` holds; `last` keeps the frame that decided.
    bool waitFor(const Check &ok, double seconds = 5)
    {
        for (auto end = clock::now() + std::chrono::duration<double>(seconds); clock::now() < end; pause())
            if (ok(last = grab())) return true;
        return false;
    }
    bool spinning() { return waitFor(differs(grab())); }
    bool still(double seconds = 0.7) { return !waitFor(differs(grab()), seconds); }
    void stopSpin()
    {
        key(XK_space), key(XK_space);  // the first only sets the flag
        for (int i = 0; i < 10 && !still(); ++i) {}
    }
    void key(KeySym k, bool shift = false)
    {
        const KeyCode s = XKeysymToKeycode(dpy_, XK_Shift_L), c = XKeysymToKeycode(dpy_, k);
        if (shift) XTestFakeKeyEvent(dpy_, s, True, 0);
        XTestFakeKeyEvent(dpy_, c, True, 0), XTestFakeKeyEvent(dpy_, c, False, 0);
        if (shift) XTestFakeKeyEvent(dpy_, s, False, 0);
        XFlush(dpy_);
    }
    void move(int x, int y) { XTestFakeMotionEvent(dpy_, -1, x, y, 0), XFlush(dpy_); }
    void button(unsigned b, bool down) { XTestFakeButtonEvent(dpy_, b, down, 0), XFlush(dpy_); }
    void resize(int w, int h) { XResizeWindow(dpy_, win_, w, h), XFlush(dpy_); }
    // Returns once every input sent before has been handled: p switches the
    // projection there and back, which shows whenever the scene is unturned.
    void sync()
    {
        const bool ortho = isOrtho(grab());
        for (bool want : {!ortho, ortho}) {
            key(XK_p);
            if (!waitFor([want](const Frame &f) { return isOrtho(f) == want; })) ADD_FAILURE() << "p did not switch";
        }
    }
    // Whether the action, whatever it sends, leaves the picture as it was.
    bool unchangedAfter(const std::function<void()> &action)
    {
        const Frame before = grab();
        action(), sync();
        return grab() == before;
    }
    // Closes the window the way a window manager does; the wait status.
    int close()
    {
        XEvent e{};
        e.xclient.type = ClientMessage, e.xclient.window = win_, e.xclient.format = 32;
        e.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
        e.xclient.data.l[0] = long(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
        XSendEvent(dpy_, win_, False, NoEventMask, &e), XFlush(dpy_);
        int status = -1;
        for (int i = 0; i < 500; ++i, pause())
            if (waitpid(pid_, &status, WNOHANG) == pid_) return pid_ = -1, status;
        return -1;
    }
    std::string output() const
    {
        std::string s(4096, '\0');
        s.resize(std::max<ssize_t>(0, pread(out_, s.data(), s.size(), 0)));
        return s;
    }
    Frame last;

private:
    using clock = std::chrono::steady_clock;
    static void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }
    Display *dpy_;
    Window win_ = 0;
    pid_t pid_ = -1;
    int out_ = -1;
};

void expectCleanClose(Viewer &v)
{
    EXPECT_EQ(v.close(), 0) << "closing the window must end the process with status 0";
    EXPECT_EQ(v.output(), "");
}

}  // namespace

namespace {

// The markers' places in front of the plan (z -0.6) and their radii.
constexpr double MARKERS[][3] = {{0, 0, .08}, {.1, .13, .08}, {-.07, .15, .08}, {-1.35, 1.2, .08},
    {-.4, 1.2, .08}, {.2, 1, .06}, {.8, 1, .08}, {-.8, -1.3, .05}, {-.75, -1.22, .05},
    {-.85, -1.22, .05}, {1.3, -.9, .05}};

bool clearBottom(const Frame &f)
{
    return f.w && std::all_of(f.px.end() - std::min(f.h, 50) * f.w, f.px.end(), [](unsigned p) { return !p; });
}
bool blank(const Frame &f) { return f.w && std::all_of(f.px.begin(), f.px.end(), [](unsigned p) { return !p; }); }

void expectFirstFrame(Viewer &v)
{
    const Frame f = v.grab();
    ASSERT_EQ(f.w, 1000);
    ASSERT_EQ(f.h, 800);
    EXPECT_TRUE(clearBottom(f));
    for (const Box &b : {LAWN, BED, GROUNDS}) EXPECT_TRUE(placed(f, b)) << b.c.r << "," << b.c.g << "," << b.c.b;
    for (const Box &b : {OUTLINE, DOOR, WINDOW})
        for (auto [x, y] : corners(f, false, b)) EXPECT_TRUE(f.near(x, y, b.c)) << x << "," << y;
    // However far they have spun, the markers cover their discs and nothing else.
    std::vector<int> hits(std::size(MARKERS));
    int stray = 0;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.is(x, y, YELLOW)) continue;
            bool on = false;
            for (size_t i = 0; i < hits.size(); ++i) {
                auto [cx, cy] = project(f, false, MARKERS[i][0], MARKERS[i][1], -0.6);
                if (std::hypot(x - cx, y - cy) <= MARKERS[i][2] * f.h / (2 * std::tan(M_PI / 6) * 4.4) + 3) on = true, ++hits[i];
            }
            stray += !on;
        }
    EXPECT_EQ(stray, 0);
    for (int h : hits) EXPECT_GT(h, 10);
}

TEST(PlanviewE2E, FirstFrameShowsThePlanAndTheMarkers)
{
    Viewer v;
    expectFirstFrame(v);
    expectCleanClose(v);
}

TEST(PlanviewE2E, CommandLineChangesNothing)
{
    Viewer v({"-geometry", "10x10", "-iconic", "-display", ":99"});
    expectFirstFrame(v);
    expectCleanClose(v);
}

TEST(PlanviewE2E, SpaceTogglesTheSpinAndALeftHoldPausesIt)
{
    Viewer v;
    EXPECT_TRUE(v.spinning());
    v.button(1, true), v.sync();
    EXPECT_TRUE(v.spinning()) << "a left press before any space leaves the spin alone";
    v.button(1, false);
    v.key(XK_space), v.sync();
    EXPECT_TRUE(v.spinning()) << "the first space only sets the flag";
    v.key(XK_space), v.sync();
    EXPECT_TRUE(v.still());
    v.key(XK_space), v.sync();
    EXPECT_TRUE(v.spinning());
    v.button(1, true), v.sync();
    EXPECT_TRUE(v.still()) << "held left button pauses the spin";
    v.button(1, false), v.sync();
    EXPECT_TRUE(v.spinning());
    expectCleanClose(v);
}

TEST(PlanviewE2E, KeysSwitchProjectionAndDepthTestingAndNothingElse)
{
    Viewer v;
    v.stopSpin();
    const Frame persp = v.grab();
    v.key(XK_p);
    EXPECT_TRUE(v.waitFor([](const Frame &f) { return isOrtho(f) && placed(f, LAWN, true); }));
    v.key(XK_p);
    EXPECT_TRUE(v.waitFor(same(persp)));
    // Without depth testing the plan, drawn after the markers, covers them where lines cross.
    v.key(XK_d);
    ASSERT_TRUE(v.waitFor(differs(persp)));
    const Frame flat = v.last;
    EXPECT_LT(flat.bounds(YELLOW).n, persp.bounds(YELLOW).n);
    v.key(XK_d);
    EXPECT_TRUE(v.waitFor(same(persp)));
    // Upper case and other keys are no commands: the d after them still turns depth testing off.
    for (KeySym k : {XK_d, XK_p}) v.key(k, true);
    for (KeySym k : {XK_x, XK_q, XK_Escape, XK_Return, XK_d}) v.key(k);
    EXPECT_TRUE(v.waitFor(same(flat)));
    // p turns depth testing back on without touching d's flag: the next d changes nothing, the one after switches it off.
    v.key(XK_p), v.key(XK_p);
    EXPECT_TRUE(v.waitFor(same(persp)));
    v.key(XK_d), v.key(XK_d);
    EXPECT_TRUE(v.waitFor(same(flat)));
    expectCleanClose(v);
}

TEST(PlanviewE2E, ArrowKeysWalkTheObserver)
{
    Viewer v;
    v.stopSpin();
    auto mid = [](const Frame &f) { Bounds b = f.bounds(VIOLET); return b.n ? (b.x0 + b.x1) / 2 : -999; };
    auto width = [](const Frame &f) { Bounds b = f.bounds(VIOLET); return b.x1 - b.x0; };
    // The first arrow key points the view along the heading, which the spin
    // left at some unknown angle: turn right until the scene is straight ahead.
    v.key(XK_Up), v.sync();
    for (int i = 0; i < 60 && std::abs(mid(v.grab()) - 500) > 50; ++i) v.key(XK_Right), v.sync();
    const Frame ahead = v.grab();
    ASSERT_LE(std::abs(mid(ahead) - 500), 50);
    v.key(XK_Right);
    EXPECT_TRUE(v.waitFor([&](const Frame &f) { return mid(f) > -999 && mid(f) < mid(ahead) - 40; })) << "turning right slides the scene left";
    v.key(XK_Left);
    EXPECT_TRUE(v.waitFor(same(ahead)));
    // 25 steps of 0.125 radian are nearly half a turn: heading 0 looks along -z, away from the scene.
    for (int i = 0; i < 25; ++i) v.key(XK_Right);
    v.sync();
    EXPECT_TRUE(blank(v.grab()));
    for (int i = 0; i < 25; ++i) v.key(XK_Left);
    EXPECT_TRUE(v.waitFor(same(ahead)));
    // Facing the scene, up steps towards it and down steps back.
    const int w = width(ahead);
    v.key(XK_Up);
    EXPECT_TRUE(v.waitFor([&](const Frame &f) { return width(f) > w + 10; }));
    v.key(XK_Down), v.key(XK_Down);
    EXPECT_TRUE(v.waitFor([&](const Frame &f) { return width(f) < w - 10; }));
    v.key(XK_Up);
    EXPECT_TRUE(v.waitFor([&](const Frame &f) { return std::abs(width(f) - w) <= 1; }));
    EXPECT_TRUE(v.unchangedAfter([&] {
        for (KeySym k : {XK_F1, XK_F12, XK_Prior, XK_Next, XK_Home, XK_End, XK_Insert}) v.key(k);
    }));
    expectCleanClose(v);
}

TEST(PlanviewE2E, DragsTurnTheSceneByADegreePerFivePixels)
{
    Viewer v;
    v.stopSpin();
    const Frame base = v.grab();
    // Until the first left release any held button turns the scene, its first
    // motion measured from (0, 0): going back there undoes the turn exactly.
    for (unsigned b : {3u, 2u}) {
        v.button(b, true), v.move(505, 400);
        EXPECT_TRUE(v.waitFor(differs(base))) << "button " << b;
        v.move(0, 0);
        EXPECT_TRUE(v.waitFor(same(base))) << "button " << b;
        v.button(b, false);
    }
    // In the orthographic box 450 pixels, 90 degrees, show the flat plan edge-on,
    // with the markers 0.6 in front of it turned to its left (about y) or above it (about x).
    v.key(XK_p);
    ASSERT_TRUE(v.waitFor(isOrtho));
    const Frame flat = v.last;
    auto edgeOn = [](bool aboutY) {
        return [aboutY](const Frame &f) {
            const Bounds plan = f.bounds(nullptr), m = f.bounds(YELLOW);
            return plan.n && m.n &&
                   (aboutY ? plan.x0 >= 493 && plan.x1 <= 507 && m.x1 < 493 : plan.y0 >= 343 && plan.y1 <= 357 && m.y1 < 343);
        };
    };
    v.move(300, 300), v.button(1, true), v.move(750, 300);
    EXPECT_TRUE(v.waitFor(edgeOn(true)));
    v.move(300, 300);
    EXPECT_TRUE(v.waitFor(same(flat)));
    v.move(300, 750);
    EXPECT_TRUE(v.waitFor(edgeOn(false)));
    v.move(300, 300);
    EXPECT_TRUE(v.waitFor(same(flat)));
    v.button(1, false);
    EXPECT_TRUE(v.unchangedAfter([&] {
        v.button(3, true), v.move(505, 400), v.button(3, false);
        v.button(2, true), v.move(710, 500), v.button(2, false);
    })) << "after a left release other buttons turn nothing";
    expectCleanClose(v);
}

TEST(PlanviewE2E, ResizingRedrawsForTheNewSize)
{
    Viewer v;
    v.stopSpin();
    // In a sliver only the bottom edge of the surround shows above the 50 clear rows.
    v.resize(1, 1), v.resize(40, 60);
    EXPECT_TRUE(v.waitFor([](const Frame &f) { return f.w == 40 && placed(f, GROUNDS) && clearBottom(f); }));
    v.resize(800, 600);
    EXPECT_TRUE(v.waitFor([](const Frame &f) { return f.w == 800 && placed(f, LAWN) && placed(f, GROUNDS) && clearBottom(f); }));
    v.key(XK_p);
    EXPECT_TRUE(v.waitFor([](const Frame &f) { return f.w == 800 && isOrtho(f) && placed(f, LAWN, true) && clearBottom(f); }));
    expectCleanClose(v);
}

}  // namespace
