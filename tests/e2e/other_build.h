// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Another build of planview (the Windows one under Wine, the arm64 one under qemu) driven as the
// Linux build of this tree is, and its pictures compared with that build's in the same state.
// PLANVIEW_TEST_OUTPUT names the folder a differing picture is saved in.
#pragma once

#include "e2e/frame_png.h"

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

class OtherBuildE2E : public PlanviewE2E {
protected:
    // Ends the other build and starts the Linux one in its place, at the same window position.
    void switchToLinux()
    {
        expectClosesCleanly();
        launch_ = nativeViewer();
        stillSeconds_ = STILL_SECONDS;
        ASSERT_TRUE(start());
    }
    // The two builds' frames of one state must match outside the markers; a mismatch is saved as
    // <name>-vs-linux-<test>.png.
    void expectSameOutsideYellow(const Frame &other, const Frame &native, const std::string &state)
    {
        ASSERT_EQ(other.w, native.w);
        ASSERT_EQ(other.h, native.h);
        const Difference d = compareOutsideYellow(other, native);
        std::printf("%s vs Linux, %s: %d of %d pixels outside yellow differ\n", name_.c_str(),
                    state.c_str(), d.differing, d.compared);
        EXPECT_GT(d.compared, other.w * other.h / 2);
        if (d.differing) {
            std::string file = name_ + "-vs-linux-";
            std::transform(file.begin(), file.end(), file.begin(), ::tolower);
            const std::string path = std::string(PLANVIEW_TEST_OUTPUT) + "/" + file +
                                     testing::UnitTest::GetInstance()->current_test_info()->name() +
                                     ".png";
            EXPECT_TRUE(savePng(d.image, path));
            ADD_FAILURE() << d.differing << " pixels differ in " << state << "; red in " << path;
        }
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
};

}  // namespace e2e
