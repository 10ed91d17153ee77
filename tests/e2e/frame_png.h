// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Frames to and from PNG files: screen grabs kept for a look after a failure, and pictures that
// come as files (a browser's screenshots).
#pragma once

#include <png.h>

#include <cctype>

#include "e2e/driver.h"

namespace e2e {

inline bool savePng(const Frame &f, const std::string &path)
{
    std::vector<unsigned char> rgb;
    for (unsigned p : f.px)
        rgb.insert(rgb.end(), {static_cast<unsigned char>(p >> 16),
                               static_cast<unsigned char>(p >> 8), static_cast<unsigned char>(p)});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = f.w, image.height = f.h, image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
}

// Keeps a failing test's picture as <suite>.<test>-<what>.png in PLANVIEW_TEST_OUTPUT, its
// parameter named too, so that no case overwrites another's, and anything a file name cannot hold
// as '_'. Gives the path; a picture that could not be written fails the test.
inline std::string keepPicture(const Frame &f, const std::string &what)
{
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name() + "-" + what;
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            c = '_';
    std::error_code error;
    std::filesystem::create_directories(PLANVIEW_TEST_OUTPUT, error);
    const std::string path = std::string(PLANVIEW_TEST_OUTPUT) + "/" + name + ".png";
    EXPECT_TRUE(savePng(f, path)) << "could not write " << path
                                  << (error ? ": " + error.message() : "");
    return path;
}

// An empty frame when the file cannot be read.
inline Frame loadPng(const std::string &path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return {};
    Frame f{int(image.width), int(image.height), std::vector<unsigned>(image.width * image.height)};
    for (size_t i = 0; i < f.px.size(); ++i)
        f.px[i] = unsigned(rgb[3 * i]) << 16 | unsigned(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
    return f;
}

// The first picture, its markers at whatever angle they have spun to, against the reference
// picture of the first frame that the in-process tests draw: the same outside the markers, pixel
// for pixel, and its yellow within MARKER_REACH pixels of the reference's both ways: a turned
// marker's slices lie between the rings of its stacks, which turn into themselves (2 seen). A
// failure keeps the picture.
constexpr int MARKER_REACH = 3;
inline void expectFirstFrame(const Frame &f)
{
    const Frame reference = loadPng(PLANVIEW_REFERENCE);
    ASSERT_EQ(reference.w, 1000) << PLANVIEW_REFERENCE;
    ASSERT_EQ(f.w, reference.w);
    ASSERT_EQ(f.h, reference.h);
    const Difference d = compareOutsideYellow(f, reference);
    EXPECT_EQ(d.differing, 0) << "pixels unlike the reference's; red in "
                              << keepPicture(d.image, "vs-reference");
    // Yellow pixels of `a` with none of `b`'s near.
    const auto strays = [](const Frame &a, const Frame &b) {
        int n = 0;
        for (int i = 0, r = MARKER_REACH; i < a.w * a.h; ++i)
            n += a.px[i] == YELLOW &&
                 !b.bounds(YELLOW, i % a.w - r, i / a.w - r, i % a.w + r, i / a.w + r).n;
        return n;
    };
    EXPECT_EQ(strays(f, reference), 0) << "yellow where the reference has no marker";
    EXPECT_EQ(strays(reference, f), 0) << "no yellow where the reference has a marker";
    if (testing::Test::HasFailure())
        std::printf("the picture: %s\n", keepPicture(f, "first-picture").c_str());
}

}  // namespace e2e
