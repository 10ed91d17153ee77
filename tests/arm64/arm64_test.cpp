// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The arm64 package's program, run under qemu-aarch64 on the same X display as this tree's Linux
// build, driven and read back as that build is, and compared with it in the same state.
#include "e2e/other_build.h"

namespace e2e {
namespace {

constexpr const char *QEMU = "qemu-aarch64";

// qemu translates every instruction, the renderer's included: a first picture here took seconds.
Launch qemuViewer()
{
    return {{onPath(QEMU), PLANVIEW_ARM64_EXE}, {}, 60, ""};
}

class Arm64E2E : public OtherBuildE2E {
protected:
    void SetUp() override
    {
        if (onPath(QEMU).empty())
            GTEST_SKIP() << "arm64 build not run: " << QEMU
                         << " is missing (package qemu-user; ./scripts/test installs it)";
        if (access(PLANVIEW_ARM64_EXE, X_OK) != 0)
            GTEST_SKIP() << "no unpacked arm64 package: the arm64.package test unpacks the one "
                            "./scripts/package arm64 builds";
        launch_ = qemuViewer();
        name_ = "arm64";
        // On a busy machine qemu was seen to draw about one frame a second.
        stillSeconds_ = 3;
        ASSERT_TRUE(start());
    }
    // What a window manager and the user see of the window, apart from its picture: its size,
    // title and class.
    std::string windowFacts()
    {
        std::string f;
        XWindowAttributes a{};
        if (XGetWindowAttributes(dpy_, win_, &a))
            f = std::to_string(a.width) + "x" + std::to_string(a.height);
        char *name = nullptr;
        if (XFetchName(dpy_, win_, &name) && name)
            f += " \"" + std::string(name) + "\"", XFree(name);
        XClassHint hint{};
        if (XGetClassHint(dpy_, win_, &hint)) {
            f += std::string(" class ") + (hint.res_name ? hint.res_name : "") + "/" +
                 (hint.res_class ? hint.res_class : "");
            XFree(hint.res_name), XFree(hint.res_class);
        }
        return f;
    }
};

TEST_F(Arm64E2E, OpensTheSameWindowWithTheSameFirstPictureAsTheLinuxBuild)
{
    std::printf("the arm64 planview showed its first picture after %.1f s under qemu\n",
                startSeconds_);
    const std::string window = windowFacts();
    const Frame first = last;
    expectFirstFrame(first);
    switchToLinux();
    EXPECT_EQ(window, windowFacts());
    expectSamePicture(first, last, "first picture", true);  // still spinning
}

TEST_F(Arm64E2E, DragTurnsTheSceneAsOnLinux)
{
    const auto begin = std::chrono::steady_clock::now();
    const Frame arm64 = dragged(launch_.seconds);
    std::printf("under qemu the spin stopped and the drag settled after %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    switchToLinux();
    expectSamePicture(arm64, dragged(), "after a left drag");
}

}  // namespace
}  // namespace e2e
