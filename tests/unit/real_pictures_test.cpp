// Pictures made by other people with the real paint programs, read from the shared folder.

#include "core/hiresdecoder.hpp"

#include "test_support.hpp"

namespace {

using namespace test_support;
using test_support::PrintTo;

struct Layout {
    int bitmap;
    int screen;
    int colour;
    int background;
    int border; // 0: the format has none
};

struct FolderCase {
    const char *name; // the folder under pictures/
    int format;       // 0: every file must be rejected
    Layout layout;
};

std::vector<std::string> files_in(const std::string &folder) {
    std::vector<std::string> paths;
    if (GDir *dir = g_dir_open(folder.c_str(), 0, nullptr)) {
        while (const gchar *name = g_dir_read_name(dir))
            paths.push_back(folder + "/" + name);
        g_dir_close(dir);
    }
    return paths;
}

// The C64's multicolour pixel at (x, y), worked out straight from the file.
int c64_colour_at(const Bytes &file, const Layout &layout, int x, int y) {
    const int cell = y / 8 * 40 + x / 8;
    const int bits = file[layout.bitmap + cell * 8 + y % 8];
    switch (bits >> (6 - (x % 8) / 2 * 2) & 3) {
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

class RealPicture : public PeptoTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(RealPicture, DecodesAsThePaintProgramSavedIt) {
    const std::string folder = shared_path("pictures/") + GetParam().name;
    const std::vector<std::string> paths = files_in(folder);
    if (paths.empty())
        GTEST_SKIP() << "no pictures in " << folder;
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        const Bytes file = read_bytes(path);
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
        EXPECT_EQ(record.border_color, layout.border == 0 ? -1 : file[layout.border]);
        int wrong = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x)
                wrong += rgb_at(image.get(), x, y) != pepto[c64_colour_at(file, layout, x, y)];
        EXPECT_EQ(wrong, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SharedPictures, RealPicture,
    ::testing::Values(FolderCase{"koala", picture_format_koala, {2, 8002, 9002, 10002, 0}},
                      FolderCase{
                          "artstudio", picture_format_art_studio, {2, 8002, 9018, 9003, 9002}},
                      FolderCase{"negative", picture_format_none, {}}),
    by_name);

} // namespace
