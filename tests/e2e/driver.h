// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Drives a built planview in its own process on the current X display with real input through
// XTEST and reads its window back: the fixture the end-to-end suites share, whichever build they
// start (the Linux executable, or the Windows one under Wine).
#pragma once

#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, Status) break its templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/palette.h"

namespace e2e {

// The palette as the window shows it, 0xRRGGBB; PLAN stands for any lit pixel but a marker's.
constexpr unsigned packed(const GLfloat (&c)[3])
{
    const Rgb v = rgb8(c);
    return unsigned(v.r) << 16 | unsigned(v.g) << 8 | unsigned(v.b);
}
constexpr unsigned YELLOW = packed(yellow), WHITE = packed(white), CYAN = packed(cyan),
                   GREEN = packed(green), BROWN = packed(brown), PINK = packed(pink),
                   VIOLET = packed(violet), PLAN = 0;

struct Bounds {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, n = 0;
    int mid() const { return n ? (x0 + x1) / 2 : -999; }
};

// Whether two colours are within one level of each other in every channel: a browser rounds some
// of the palette's fractions the other way.
inline bool near(unsigned p, unsigned q)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int(p >> shift & 0xff) - int(q >> shift & 0xff)) > 1)
            return false;
    return true;
}

// The window's pixels, rows top-down as X numbers them.
struct Frame {
    int w = 0, h = 0;
    std::vector<unsigned> px;
    Bounds bounds(unsigned c, int x0 = 0, int y0 = 0, int x1 = 1 << 30, int y1 = 1 << 30) const
    {
        Bounds b;
        for (int y = std::max(0, y0); y <= std::min(h - 1, y1); ++y)
            for (int x = std::max(0, x0); x <= std::min(w - 1, x1); ++x)
                if (c ? near(px[y * w + x], c) : px[y * w + x] && px[y * w + x] != YELLOW)
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
inline Check same(const Frame &f)
{
    return [f](const Frame &g) { return g == f; };
}
inline Check differs(const Frame &f)
{
    return [f](const Frame &g) { return g.w && !(g == f); };
}

// Pixels where two frames of the same size and state differ, leaving out every pixel that is yellow
// in either: the markers, whose spin angle is whatever it was when the picture was taken.
struct Difference {
    int differing = 0, compared = 0;
    Frame image;  // the second frame dimmed, differing pixels in red, masked ones dark blue
};
inline Difference compareOutsideYellow(const Frame &a, const Frame &b)
{
    Difference d;
    d.image = b;
    for (size_t i = 0; i < a.px.size(); ++i) {
        unsigned &out = d.image.px[i];
        if (a.px[i] == YELLOW || b.px[i] == YELLOW) {
            out = 0x000040;
        } else if (++d.compared, a.px[i] != b.px[i]) {
            ++d.differing, out = 0xff0000;
        } else {
            out = (out >> 1) & 0x7f7f7f;
        }
    }
    return d;
}

// Boxes of the plan in world units, centre and half extents, their nested transforms multiplied
// out.
struct Box {
    unsigned c;
    double x, y, z, hx, hy, hz;
};
constexpr Box OUTLINE{WHITE, 0, 0, 0, 2.5, .75, .05}, DOOR{BROWN, -.7, 1.89, 0, .2, .075, .05},
    SILL{CYAN, -1.75, 2.25, 0, .375, .015, .027}, LAWN{GREEN, -.18, 1.92, 0, .15, .2625, .05},
    BED{PINK, -1.7695, 1.95, .01, .33, .1875, .0125}, GROUNDS{VIOLET, .05, 0, .098, 2.7, 2.34, .06};

// Window pixel of a world point, the scene unturned. The start-up camera stands at z -5 looking
// along +z, so world x runs right to left; the orthographic box has no camera. The viewport sits
// 50 rows up.
inline std::pair<int, int> project(const Frame &f, bool ortho, double x, double y, double z)
{
    const double s = f.h / (2 * std::tan(M_PI / 6) * (z + 5)), sx = ortho ? f.w / 40. : -s;
    return {int(std::floor(f.w / 2. + x * sx)),
            int(std::floor(f.h / 2. - 50 - y * (ortho ? f.h / 40. : s)))};
}

inline Bounds projected(const Frame &f, const Box &b, bool ortho = false)
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
inline bool reaches(const Frame &f, const Bounds &want, const Bounds &got)
{
    auto side = [](int want, int got, int size) {
        return want < 0 || want >= size || std::abs(want - got) <= 2;
    };
    return got.n && side(want.x0, got.x0, f.w) && side(want.x1, got.x1, f.w) &&
           side(want.y0, got.y0, f.h) && side(want.y1, got.y1, f.h);
}
// Whether the box's colour, looked for within two pixels of where the box projects, reaches it.
inline bool placed(const Frame &f, const Box &b, bool ortho = false)
{
    const Bounds p = projected(f, b, ortho);
    return reaches(f, p, f.bounds(b.c, p.x0 - 2, p.y0 - 2, p.x1 + 2, p.y1 + 2));
}
inline bool isOrtho(const Frame &f)
{
    return placed(f, GROUNDS, true);
}

// Modifier keys held for a key press.
constexpr unsigned SHIFT = 1, CONTROL = 2, ALT = 4;

// CPU seconds used so far by each thread of a process and its descendants (a browser's tabs run in
// child processes), to the nanosecond, as the scheduler counts them. Clock ticks come a hundredth
// of a second at a time, twice what half a percent of a core comes to in a second.
inline std::map<pid_t, double> treeThreadSeconds(pid_t root)
{
    std::map<pid_t, pid_t> parents;
    std::map<pid_t, std::map<pid_t, double>> threads;
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        std::ifstream stat(entry.path() / "stat");
        std::string field;
        pid_t parent = 0;
        if (name.find_first_not_of("0123456789") != std::string::npos ||
            !std::getline(stat, field, ')') || !(stat >> field >> parent))
            continue;  // no process, or gone meanwhile
        const pid_t pid = std::stoi(name);
        parents[pid] = parent;
        std::error_code gone;
        for (std::filesystem::directory_iterator task(entry.path() / "task", gone), end;
             !gone && task != end; task.increment(gone)) {
            double nanoseconds = 0;
            if (std::ifstream(task->path() / "schedstat") >> nanoseconds)
                threads[pid][std::stoi(task->path().filename())] = nanoseconds / 1e9;
        }
    }
    std::map<pid_t, double> inTree;
    for (const auto &[pid, seconds] : threads)
        for (pid_t p = pid; p > 1; p = parents.count(p) ? parents[p] : 0)
            if (p == root) {
                inTree.insert(seconds.begin(), seconds.end());
                break;
            }
    return inTree;
}

// Share of one core that a process and its descendants used over `seconds`: what each thread
// there at its end used meanwhile (a thread that ended meanwhile is left out).
inline double treeCpuShare(pid_t root, double seconds)
{
    const std::map<pid_t, double> before = treeThreadSeconds(root);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    double used = 0;
    for (const auto &[thread, spent] : treeThreadSeconds(root))
        used += spent - (before.count(thread) ? before.at(thread) : 0.0);
    return used / seconds;
}

// Starts a program with its output in `log` (thrown away by default), in a process group of its
// own that a signal to its negated pid ends whole, and ended with the test however the test ends;
// `closeInChild` is a descriptor it must not keep.
inline pid_t spawn(std::vector<const char *> args, int closeInChild = -1,
                   const std::string &log = "/dev/null")
{
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0), prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (closeInChild >= 0)
            close(closeInChild);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1), dup2(out, 2);
        execvp(args[0], const_cast<char *const *>(args.data()));
        _exit(127);
    }
    return pid;
}

// Starts an X server of its own, on a display number it picks itself, and names it in `display`
// (":N"). Returns its pid, or -1 when it did not start.
inline pid_t startXvfb(std::string &display)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const std::string fd = std::to_string(fds[1]);
    const pid_t xvfb = spawn({"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                              "-noreset", "-nolisten", "tcp"},
                             fds[0]);
    close(fds[1]);
    // Read up to the newline: closing the pipe before Xvfb has written it all kills it.
    std::string number;
    for (char c; (number.empty() || number.back() != '\n') && read(fds[0], &c, 1) == 1;)
        number += c;
    close(fds[0]);
    if (number.empty() || number.back() != '\n') {
        kill(xvfb, SIGTERM), waitpid(xvfb, nullptr, 0);
        return -1;
    }
    number.pop_back();
    display = ":" + number;
    return xvfb;
}

// How to start one viewer: its command line and extra environment, how long it may take to show
// its first picture and to end when closed, and the only console output it may give.
struct Launch {
    std::vector<std::string> command;
    std::vector<std::pair<std::string, std::string>> env;
    double seconds = 5;
    std::string allowedOutput;
};

// The Linux build of this tree, which prints nothing.
inline Launch nativeViewer()
{
    return {{PLANVIEW_EXE}, {}, 5, ""};
}

// How a viewer ended once its window was closed.
struct Ending {
    bool exited = false;  // by itself, in time
    int status = -1;
    std::string output;
};

// Each case runs planview as a person would and ends by closing its window the way a window
// manager does, which must end the process with status 0 and no output but what its launch allows.
class PlanviewE2E : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }
    void TearDown() override
    {
        if (pid_ > 0)
            expectClosesCleanly();
        if (dpy_)
            XCloseDisplay(dpy_);
    }
    // A message about the viewer's window, of `type` and with `first` for its first item, sent to
    // `to` for the clients that select `mask` there.
    void sendMessage(Window to, const char *type, long first, long mask = NoEventMask)
    {
        XEvent e{};
        e.xclient = {ClientMessage, 0, False, dpy_, win_, XInternAtom(dpy_, type, False), 32};
        e.xclient.data.l[0] = first;
        XSendEvent(dpy_, to, False, mask, &e), XFlush(dpy_);
    }
    // Sends the window manager's WM_DELETE_WINDOW and waits for the process to end.
    Ending closeWindow()
    {
        sendMessage(win_, "WM_PROTOCOLS", long(XInternAtom(dpy_, "WM_DELETE_WINDOW", False)));
        Ending end;
        end.exited =
            until([&] { return waitpid(pid_, &end.status, WNOHANG) == pid_; }, launch_.seconds);
        if (!end.exited)
            kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        end.output.resize(4096);
        end.output.resize(
            std::max<ssize_t>(0, pread(fileno(out_), end.output.data(), end.output.size(), 0)));
        std::fclose(out_);
        out_ = nullptr, pid_ = -1, win_ = 0;
        return end;
    }
    void expectClosesCleanly()
    {
        const Ending end = closeWindow();
        EXPECT_TRUE(end.exited && WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0)
            << "closing the window ends the process with status 0, not " << end.status;
        EXPECT_EQ(end.output, launch_.allowedOutput);
    }
    bool start(std::vector<std::string> args = {})
    {
        if (!dpy_ || !(out_ = std::tmpfile()))  // the program's stdout and stderr
            return false;
        XSetErrorHandler(
            [](Display *, XErrorEvent *) { return 0; });  // a resizing window may refuse a read
        args.insert(args.begin(), launch_.command.begin(), launch_.command.end());
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if ((pid_ = fork()) == 0) {
            dup2(fileno(out_), 1), dup2(fileno(out_), 2);
            // A fixed threshold returns the renderer's large buffers to the system when freed;
            // glibc's sliding one keeps them in the heap, where resizes make it creep.
            setenv("MALLOC_MMAP_THRESHOLD_", "131072", 1);
            for (const auto &[name, value] : launch_.env)
                setenv(name.c_str(), value.c_str(), 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        const auto begin = std::chrono::steady_clock::now();
        until([&] { return (win_ = viewerIn(DefaultRootWindow(dpy_))) != 0; }, launch_.seconds);
        XMoveWindow(dpy_, win_, 0, 0);  // from (-1, -1): wholly on screen, so it can be read
        move(500, 400);  // with no window manager, keyboard focus follows the pointer
        const bool whole = win_ && turns(launch_.seconds);
        startSeconds_ =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        EXPECT_TRUE(whole) << "no whole first picture within " << launch_.seconds
                           << " s: a window of the viewer's showing the plan, its markers turning";
        return whole;
    }
    // The viewer's own window at or below `w` once shown, or 0: titled planview and made by its
    // process, as the X server knows the client. A window manager's frame may carry the title too
    // (mutter's frames client names its frames so), and Wine has windows of its own in the process.
    Window viewerIn(Window w)
    {
        char *name = nullptr;
        XWindowAttributes a{};
        const bool found = XFetchName(dpy_, w, &name) && std::string(name) == "planview" &&
                           creator(w) == pid_ && XGetWindowAttributes(dpy_, w, &a) &&
                           a.map_state == IsViewable;
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
    // The process of the client that made window `w`, or -1.
    pid_t creator(Window w)
    {
        XResClientIdSpec client{w, XRES_CLIENT_ID_PID_MASK};
        long n = 0;
        XResClientIdValue *ids = nullptr;
        pid_t pid = -1;
        if (XResQueryClientIds(dpy_, 1, &client, &n, &ids) == Success && n == 1)
            pid = XResGetClientPid(ids);
        XResClientIdsDestroy(n, ids);
        return pid;
    }
    bool mapState(int state)
    {
        return until([&] {
            XWindowAttributes a{};
            return XGetWindowAttributes(dpy_, win_, &a) && a.map_state == state;
        });
    }
    // Share of one core the viewer used over `seconds`, from the kernel's count of its CPU time.
    double cpuShare(double seconds = 3) { return treeCpuShare(pid_, seconds); }
    // Whether the markers turn over a whole picture: two grabs that show the plan differ only where
    // either is yellow. A swap may reach the X server as several image requests, so a grab can show
    // a frame half drawn; but the plan reaches every row a swap writes, so one that a later grab
    // differs from only in the markers was whole (`last` keeps it). A viewer starved of CPU may
    // take seconds to turn its thin spheres by a pixel.
    bool turns(double seconds = 4)
    {
        Frame before = grab();
        return until(
            [&] {
                Frame now = grab();
                if (now == before)
                    return false;
                if (before.bounds(PLAN).n && now.w == before.w && now.h == before.h &&
                    compareOutsideYellow(before, now).differing == 0)
                    return last = std::move(before), true;
                before = std::move(now);
                return false;
            },
            seconds);
    }
    // Waits until the viewer rests: less than RESTING of one core over a tenth of a second.
    static constexpr double RESTING = 0.05;
    bool rests()
    {
        return until([&] { return cpuShare(0.1) < RESTING; });
    }
    virtual Frame grab()
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
    // Once the spin is stopped: a picture two grabs in a row agree on. A swap may reach the X
    // server as more than one image request, and a grab that falls between them would mix two
    // frames.
    Frame steady()
    {
        Frame f = grab();
        EXPECT_TRUE(waitFor([&](const Frame &g) { return std::exchange(f, g) == g; }))
            << "no picture held still for two grabs in a row";
        return f;
    }
    static int sceneMid(const Frame &f) { return f.bounds(VIOLET).mid(); }
    static int sceneWidth(const Frame &f)
    {
        const Bounds b = f.bounds(VIOLET);
        return b.x1 - b.x0;
    }
    // The first arrow key points the view along the heading, which the spin left at some unknown
    // angle: turns right until the scene is straight ahead, and gives that picture. Turning right
    // slides the scene in from the right. While it is not in sight, or already past the middle,
    // four presses at a time turn half a radian, less than the view is wide, so they cannot
    // carry it past the middle unseen; once it shows on the right, one press at a time brings it
    // ahead. Near the middle a press slides it by up to 111 pixels (seen), so the band it is
    // looked for in is wider than that. A turn is 50 presses; two find it wherever it started.
    static constexpr int AHEAD_LEFT = 430, AHEAD_RIGHT = 560, PRESSES_UNSEEN = 4;
    Frame faceTheScene()
    {
        key(XK_Up), sync();
        Frame f = steady();
        for (int i = 0; i < 60 && (sceneMid(f) < AHEAD_LEFT || sceneMid(f) > AHEAD_RIGHT); ++i) {
            for (int n = sceneMid(f) > AHEAD_RIGHT ? 1 : PRESSES_UNSEEN; n > 0; --n)
                key(XK_Right);
            sync(), f = steady();
        }
        return f;
    }
    // Facing the scene: right slides it left and left brings it back; up steps towards it and
    // two downs step back past where the walk began.
    void expectTurnsAndSteps(const Frame &ahead)
    {
        key(XK_Right);
        EXPECT_TRUE(waitFor([&](const Frame &f) {
            return f.bounds(VIOLET).n && sceneMid(f) < sceneMid(ahead) - 40;
        })) << "turning right slides the scene left";
        key(XK_Left);
        EXPECT_TRUE(waitFor(same(ahead)));
        const int w = sceneWidth(ahead);
        key(XK_Up);
        EXPECT_TRUE(waitFor([&](const Frame &f) { return sceneWidth(f) > w + 10; }))
            << "up steps closer";
        key(XK_Down), key(XK_Down);
        EXPECT_TRUE(waitFor([&](const Frame &f) { return sceneWidth(f) < w - 10; }))
            << "down steps back";
    }
    bool spinning() { return waitFor(differs(grab())); }
    bool still() { return !waitFor(differs(grab()), stillSeconds_); }
    void stopSpin()
    {
        key(XK_space), key(XK_space);  // from start-up: the first only sets the flag
        EXPECT_TRUE(until([&] { return still(); }, launch_.seconds)) << "two spaces stop the spin";
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
    // `mods` holds SHIFT, CONTROL and ALT.
    virtual void key(KeySym k, unsigned mods = 0)
    {
        std::vector<KeyCode> held;
        for (auto [mod, sym] :
             {std::pair(SHIFT, XK_Shift_L), {CONTROL, XK_Control_L}, {ALT, XK_Alt_L}})
            if (mods & mod)
                held.push_back(XKeysymToKeycode(dpy_, sym));
        for (KeyCode code : held)
            XTestFakeKeyEvent(dpy_, code, True, 0);
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, k), True, 0);
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, k), False, 0);
        for (KeyCode code : held)
            XTestFakeKeyEvent(dpy_, code, False, 0);
        XFlush(dpy_);
    }
    virtual void move(int x, int y) { XTestFakeMotionEvent(dpy_, -1, x, y, 0), XFlush(dpy_); }
    virtual void button(unsigned b, bool down)
    {
        XTestFakeButtonEvent(dpy_, b, down, 0), XFlush(dpy_);
    }
    void resize(int w, int h) { XResizeWindow(dpy_, win_, w, h), XFlush(dpy_); }
    // Returns once all input sent before is handled: p switches the projection there and back,
    // which shows in any state where the scene is unturned.
    virtual void sync()
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

    Launch launch_ = nativeViewer();
    // How long a picture must stay the same to count as still: longer for a viewer that draws
    // few frames a second.
    static constexpr double STILL_SECONDS = 0.7;  // for the Linux build
    double stillSeconds_ = STILL_SECONDS;
    Display *dpy_ = XOpenDisplay(nullptr);
    std::FILE *out_ = nullptr;
    Window win_ = 0;
    pid_t pid_ = -1;
    Frame last;
    double startSeconds_ = 0;  // until start() had the first whole picture
};

}  // namespace e2e
