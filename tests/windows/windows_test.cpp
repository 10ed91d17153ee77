// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// planview.exe, the Windows build, run under Wine on the same X display as the Linux build, driven
// and read back as the Linux build is, and compared with the Linux build in the same state.
#include "e2e/other_build.h"

namespace e2e {
namespace {

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

class WindowsE2E : public OtherBuildE2E {
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
        name_ = "Wine";
        ASSERT_TRUE(start());
    }
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
        return steady();
    };
    const Frame wine = orthographic();
    switchToLinux();
    expectSamePicture(wine, orthographic(), "orthographic, spin stopped");
}

TEST_F(WindowsE2E, DragTurnsTheSceneAsOnLinux)
{
    const Frame wine = dragged();
    switchToLinux();
    expectSamePicture(wine, dragged(), "after a left drag");
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
