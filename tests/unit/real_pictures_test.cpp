// Pictures made by other people with the real paint programs, read from the shared folder.

#include "core/hiresdecoder.hpp"

#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "picture_test_support.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using picture_test::pepto;
using picture_test::PrintTo;
using picture_test::rgb_at;

struct Layout {
    int bitmap;
    int screen;
    int colour;
    int background;
};

struct FolderCase {
    const char *name; // the folder under pictures/
    int format;       // 0: every file must be rejected
    Layout layout;
};

std::vector<std::string> files_in(const std::string &folder) {
    std::vector<std::string> paths;
    if (GDir *dir = g_dir_open(folder.c_str(), 0, nullptr)) {
        while (const gchar *name = g_dir_read_name(dir)) {
            paths.push_back(folder + "/" + name);
        }
        g_dir_close(dir);
    }
    return paths;
}

std::vector<std::uint8_t> contents_of(const std::string &path) {
    gchar *raw = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &raw, &length, nullptr)) {
        return {};
    }
    const GCharPtr owner(raw);
    return std::vector<std::uint8_t>(raw, raw + length);
}

// The C64's multicolour pixel at (x, y), worked out straight from the file.
int c64_colour_at(const std::vector<std::uint8_t> &file, const Layout &layout, int x, int y) {
    const int cell = y / 8 * 40 + x / 8;
    const int bits = file[layout.bitmap + cell * 8 + y % 8];
    const int pair = bits >> (6 - (x % 8) / 2 * 2) & 3;
    switch (pair) {
    case 0:
        return file[layout.background] & 15;
    case 1:
        return file[layout.screen + cell] >> 4;
    case 2:
        return file[layout.screen + cell] & 15;
    default:
        return file[layout.colour + cell] & 15;
    }
}

class RealPictureTest : public ::testing::TestWithParam<FolderCase> {
  protected:
    void SetUp() override {
        saved_palette_ = options_palette;
        options_palette = 0;
    }
    void TearDown() override { options_palette = saved_palette_; }

  private:
    int saved_palette_ = 0;
};

TEST_P(RealPictureTest, decodes_as_the_paint_program_saved_it) {
    const std::string folder = std::string(SIDEWELL_SHARED_DIR) + "/pictures/" + GetParam().name;
    const std::vector<std::string> paths = files_in(folder);
    if (paths.empty()) {
        GTEST_SKIP() << "no pictures in " << folder;
    }
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        const std::vector<std::uint8_t> file = contents_of(path);
        PictureData record{};
        record.border_color = -1;
        GdkPixbuf *raw_image = nullptr;
        GError *raw_error = nullptr;
        const gboolean ok =
            hiresdecoder_decode_hires_screen_file(path.c_str(), 0, &raw_image, &record, &raw_error);
        const PixbufPtr image(raw_image);
        const GErrorPtr error(raw_error);
        if (GetParam().format == picture_format_none) {
            EXPECT_FALSE(ok);
            ASSERT_TRUE(error);
            EXPECT_STREQ(error->message, "Unknown picture format");
            continue;
        }
        ASSERT_TRUE(ok) << (error ? error->message : "");
        ASSERT_TRUE(image);
        EXPECT_EQ(record.format, GetParam().format);
        const Layout &layout = GetParam().layout;
        EXPECT_EQ(record.background_color, file[layout.background]);
        int wrong = 0;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 320; ++x) {
                wrong += rgb_at(image.get(), x, y) != pepto[c64_colour_at(file, layout, x, y)];
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SharedPictures, RealPictureTest,
    ::testing::Values(FolderCase{"koala", picture_format_koala, {2, 8002, 9002, 10002}},
                      FolderCase{"artstudio", picture_format_art_studio, {2, 8002, 9018, 9003}},
                      FolderCase{"negative", picture_format_none, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RealArtStudioPicture, carries_its_border_colour) {
    const std::string path =
        std::string(SIDEWELL_SHARED_DIR) + "/pictures/artstudio/gdc_demo-meyes.mpic";
    const std::vector<std::uint8_t> file = contents_of(path);
    if (file.empty()) {
        GTEST_SKIP() << path << " not found";
    }
    PictureData record{};
    record.border_color = -1;
    GdkPixbuf *raw_image = nullptr;
    ASSERT_TRUE(
        hiresdecoder_decode_hires_screen_file(path.c_str(), 0, &raw_image, &record, nullptr));
    const PixbufPtr image(raw_image);
    EXPECT_EQ(record.border_color, file[9002]);
}

} // namespace
