// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// planview.exe, the Windows build, run under Wine on the same X display as the Linux build, driven
// and read back as the Linux build is, and compared with the Linux build in the same state.
#include "e2e/frame_png.h"

namespace e2e {
namespace {

// The full path of an executable on PATH, or "" when there is none.
std::string onPath(const std::string &program)
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

// The 64-bit Wine loader: on PATH in some packagings, beside Wine's libraries in Debian's.
std::string wineLoader()
{
    const char *const DEBIAN_LOADER = "/usr/lib/wine/wine64";
    std::string found = onPath("wine64");
    if (found.empty() && access(DEBIAN_LOADER, X_OK) == 0)
        found = DEBIAN_LOADER;
    return found;
}

std::string missingTools()
{
    std::string missing;
    if (wineLoader().empty())
        missing += " Wine (wine64)";
    if (onPath(MINGW_CXX).empty())
        missing += " the MinGW-w64 cross compiler (" MINGW_CXX ")";
    return missing;
}

Launch wineViewer()
{
    Launch l;
    l.command = {wineLoader(), PLANVIEW_WINDOWS_EXE};
    l.env = {{"WINEPREFIX", PLANVIEW_WINE_PREFIX}, {"WINEDEBUG", "-all"}};
    // Wine starts its own services with the first program: slower than a Linux start, but bounded.
    l.seconds = 30;
    // freeglut for Windows takes the DISPLAY variable for the name of a Windows display device and
    // says so when that device cannot be opened. Wine hands X's DISPLAY (":1") on to the program;
    // a Windows desktop sets none, so there the program prints nothing.
    l.allowedOutput =
        "freeglut (planview): fgPlatformInitialize: CreateDC failed, Screen size info may be "
        "incorrect\r\nThis is quite likely caused by a bad '-display' parameter\r\n";
    return l;
}

// Pixels where two frames of the same size and state differ, leaving out every pixel that is yellow
// in either: the markers, whose spin angle is whatever it was when the spin stopped.
struct Difference {
    int differing = 0, compared = 0;
    Frame image;  // the second frame dimmed, differing pixels in red, masked ones dark blue
};
Difference compareOutsideYellow(const Frame &a, const Frame &b)
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

class WindowsE2E : public PlanviewE2E {
protected:
    void SetUp() override
    {
        const std::string missing = missingTools();
        if (!missing.empty())
            GTEST_SKIP() << "Windows build not tested: missing" << missing
                         << " (./scripts/build-windows installs them)";
        ASSERT_EQ(access(PLANVIEW_WINDOWS_EXE, R_OK), 0)
            << PLANVIEW_WINDOWS_EXE << " is missing: ./scripts/build-windows builds it";
        launch_ = wineViewer();
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_TRUE(start()) << "no window with the plan within " << launch_.seconds << " s";
        startSeconds_ =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    // Ends the Windows build and starts the Linux one in its place, at the same window position.
    void switchToLinux()
    {
        expectClosesCleanly();
        launch_ = nativeViewer();
        ASSERT_TRUE(start());
    }
    // The two builds' frames of one state must match outside the markers; a mismatch is saved.
    void expectSameOutsideYellow(const Frame &wine, const Frame &native, const std::string &state)
    {
        ASSERT_EQ(wine.w, native.w);
        ASSERT_EQ(wine.h, native.h);
        const Difference d = compareOutsideYellow(wine, native);
        std::printf("Wine vs Linux, %s: %d of %d pixels outside yellow differ\n", state.c_str(),
                    d.differing, d.compared);
        EXPECT_GT(d.compared, wine.w * wine.h / 2);
        if (d.differing) {
            const std::string path = std::string(PLANVIEW_TEST_OUTPUT) + "/wine-vs-linux-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name() +
                                     ".png";
            EXPECT_TRUE(savePng(d.image, path));
            ADD_FAILURE() << d.differing << " pixels differ in " << state << "; red in " << path;
        }
    }

    double startSeconds_ = 0;
};

TEST_F(WindowsE2E, OpensTheWindowWithThePlanAndTheMarkers)
{
    std::printf("planview.exe showed its first picture after %.1f s\n", startSeconds_);
    expectFirstFrame(last);
}

TEST_F(WindowsE2E, SpaceTwiceStopsTheSpinAndPSwitchesTheProjectionAndBack)
{
    EXPECT_TRUE(spinning());
    stopSpin();
    const Frame stopped = grab();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_TRUE(grab() == stopped) << "two frames a second apart";
    key(XK_p);
    EXPECT_TRUE(waitFor([&](const Frame &f) { return isOrtho(f) && !(f == stopped); }));
    key(XK_p);
    EXPECT_TRUE(waitFor(same(stopped))) << "p again restores the perspective picture exactly";
}

TEST_F(WindowsE2E, OrthographicPictureEqualsTheLinuxBuilds)
{
    auto orthographic = [this] {
        stopSpin();
        key(XK_p);
        EXPECT_TRUE(waitFor(isOrtho));
        return last;
    };
    const Frame wine = orthographic();
    switchToLinux();
    expectSameOutsideYellow(wine, orthographic(), "orthographic, spin stopped");
}

TEST_F(WindowsE2E, DragTurnsTheSceneAsOnLinux)
{
    // Steps of whole degrees (five pixels each): the turn comes out the same however the motion
    // events are merged on the way.
    auto dragged = [this] {
        stopSpin();
        const Frame before = grab();
        move(300, 300), button(1, true);
        for (int step = 1; step <= 8; ++step)
            move(300 + 15 * step, 300 + 10 * step);
        button(1, false);
        EXPECT_TRUE(waitFor(differs(before)));
        EXPECT_TRUE(until([&] { return still(); }, 10));
        return grab();
    };
    const Frame wine = dragged();
    switchToLinux();
    expectSameOutsideYellow(wine, dragged(), "after a left drag");
}

TEST_F(WindowsE2E, ClosingTheWindowEndsItWithStatusZero)
{
    const Ending end = closeWindow();
    EXPECT_TRUE(end.exited) << "still running " << launch_.seconds << " s after the close";
    EXPECT_TRUE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0) << end.status;
    EXPECT_EQ(end.output, launch_.allowedOutput) << "only freeglut's display line";
}

}  // namespace
}  // namespace e2e
