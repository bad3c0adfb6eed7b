// Pictures made by other people with the real paint programs, read from the shared folder: they
// decode as the paint program saved them and survive re-encoding, junk in colour RAM included.

#include "core/hiresdecoder.hpp"

#include "core/reencode.hpp"
#include "test_support.hpp"

namespace {

using namespace test_support;

struct FolderCase {
    const char *name;                               // the folder under pictures/
    int format;                                     // 0: every file must be rejected
    int bitmap, screen, colour, background, border; // file offsets; no border: 0
};

TEST_F(PeptoTest, RealPicturesDecodeAsThePaintProgramSavedThemAndSurviveReencoding) {
    const FolderCase folders[] = {
        {"koala", picture_format_koala, 2, 8002, 9002, 10002, 0},
        {"artstudio", picture_format_art_studio, 2, 8002, 9018, 9003, 9002},
        {"negative", picture_format_none, 0, 0, 0, 0, 0}};
    for (const FolderCase &c : folders) {
        const std::string folder = shared_path("pictures/") + c.name;
        if (!g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR))
            GTEST_SKIP() << "no pictures in " << folder;
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            const std::string path = entry.path();
            SCOPED_TRACE(path);
            const Bytes file = read_bytes(path);
            PictureData record{};
            record.border_color = -1;
            GdkPixbuf *raw_image = nullptr;
            GError *raw_error = nullptr;
            const gboolean ok = hiresdecoder_decode_hires_screen_file(path.c_str(), 0, &raw_image,
                                                                      &record, &raw_error);
            const PixbufPtr image(raw_image);
            const GErrorPtr error(raw_error);
            if (c.format == picture_format_none) {
                EXPECT_FALSE(ok);
                ASSERT_TRUE(error);
                EXPECT_STREQ(error->message, "Unknown picture format");
                continue;
            }
            ASSERT_TRUE(ok) << (error ? error->message : "");
            ASSERT_TRUE(image);
            EXPECT_EQ(record.format, c.format);
            EXPECT_EQ(0, std::memcmp(record.bitmap, &file[c.bitmap], sizeof record.bitmap));
            EXPECT_EQ(0, std::memcmp(record.screen_ram, &file[c.screen], sizeof record.screen_ram));
            EXPECT_EQ(0, std::memcmp(record.color_ram, &file[c.colour], sizeof record.color_ram));
            EXPECT_EQ(record.background_color, file[c.background]);
            EXPECT_EQ(record.border_color, c.border == 0 ? -1 : file[c.border]);
            PictureData output{};
            reencode_process_picture_mc(&record, &output);
            EXPECT_EQ(output.background_color, record.background_color & 0x0F);
            int wrong = 0;
            int changed = 0;
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 320; ++x) {
                    const int colour = multicolour_index(record, x / 2, y);
                    wrong += rgb_at(image.get(), x, y) != pepto[colour];
                    changed += multicolour_index(output, x / 2, y) != colour;
                }
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(changed, 0);
        }
    }
}

} // namespace
