// SpritePad's own files: each layout and attribute bit, the empty tail past 128 sprites,
// refusals, reloads, the real files, and the written layout; judged by the whole sprite list and
// both borders, drawn from the file's bytes as this test reads them.

#include "core/spritepad.hpp"
#include "core/spritesdecoder.hpp"
#include "core/spriteviews.hpp"
#include "test_support.hpp"

#include <filesystem>

namespace {

using namespace test_support;

constexpr int picture_background = 6; // the store's: a SpritePad file never replaces it
constexpr unsigned no_empty_tail = ~0u;
constexpr std::uint8_t spd[] = {'S', 'P', 'D'};

// A file's contents: background, multicolour 1 (bit pair 01) and 2 (11), and 64-byte slots.
struct Sheet {
    std::array<std::uint8_t, 3> colours;
    Bytes slots;

    unsigned count() const { return static_cast<unsigned>(slots.size() / 64); }
    Bitmap bitmap(unsigned i) const {
        Bitmap bytes{};
        std::copy_n(slots.begin() + 64 * i, 63, bytes.begin());
        return bytes;
    }
    std::uint8_t attribute(unsigned i) const { return slots[64 * i + 63]; }
};

// Noise bitmaps, none from empty_from on; the attribute bytes run through every bit, the
// colours carry junk in their high nibbles.
Sheet make_sheet(unsigned count, unsigned empty_from = no_empty_tail) {
    Sheet sheet{{0x1b, 0xf5, 0x2e}, Bytes(64 * count)};
    std::uint32_t seed = count;
    for (unsigned k = 0; k < count; k++) {
        for (unsigned j = 0; j < 63; j++) {
            seed = seed * 1664525u + 1013904223u;
            sheet.slots[64 * k + j] = k < empty_from ? static_cast<std::uint8_t>(seed >> 24) : 0;
        }
        sheet.slots[64 * k + 63] = static_cast<std::uint8_t>(k * 37 + 11);
    }
    return sheet;
}

enum class Layout { v1, spd1, spd2, spd5 };

// SpritePad's layouts: 1.x the colours and the slots; SPD 1 and 2 a nine-byte header (counts
// less one) and an animation after the slots; SPD 5 a 20-byte header.
Bytes file_of(const Sheet &sheet, Layout layout) {
    const auto [background, multicolor1, multicolor2] = sheet.colours;
    const auto count = static_cast<std::uint8_t>(sheet.count() & 0xff);
    const auto count_high = static_cast<std::uint8_t>(sheet.count() >> 8);
    Bytes file;
    if (layout == Layout::v1) {
        file = {background, multicolor1, multicolor2};
    } else if (layout == Layout::spd5) {
        file = {'S', 'P', 'D', 5, 0, count,      count_high,  0,           0, 0,
                0,   0,   0,   0, 0, background, multicolor1, multicolor2, 0, 0};
    } else {
        file = {'S',
                'P',
                'D',
                std::uint8_t(layout == Layout::spd1 ? 1 : 2),
                std::uint8_t(count - 1),
                0,
                background,
                multicolor1,
                multicolor2};
    }
    file.insert(file.end(), sheet.slots.begin(), sheet.slots.end());
    if (layout == Layout::spd1 || layout == Layout::spd2)
        file.insert(file.end(), {0, 1, 5, 0}); // first and last sprite, timer, flags
    return file;
}

// The list, row by row, and both borders show the sheet's first count sprites, each with its own
// multicolour flag and, for 20-23 and 32-35, the colour of the sprite four places earlier.
::testing::AssertionResult shows_sheet(const Sheet &sheet, unsigned count) {
    if (sprites_get_array_size() != count)
        return ::testing::AssertionFailure() << sprites_get_array_size() << " sprites";
    const std::array<int, 3> shared{picture_background, sheet.colours[1] & 15,
                                    sheet.colours[2] & 15};
    const auto pixel = [&](unsigned i, int x, int y) {
        const bool linked = (i >= 20 && i <= 23) || (i >= 32 && i <= 35);
        return sprite_pixel(sheet.bitmap(i), (sheet.attribute(i) & 0x80) != 0,
                            sheet.attribute(linked ? i - 4 : i) & 15, shared, x, y);
    };
    for (const bool left : {true, false}) {
        const PixbufPtr border =
            spriteviews_new_border_pixbuf(left ? SpriteviewsSide::left : SpriteviewsSide::right,
                                          spriteviews_method_frame, picture_background);
        auto shown = same_image(border.get(), 48, 296, [&](int x, int y) {
            const auto i = border_record(left, x, y, count);
            return i ? pixel(*i, x % 24, (y - 40) % 21) : opaque(picture_background);
        });
        if (!shown)
            return shown << (left ? " in the left border" : " in the right border");
    }
    for (unsigned first_row = 0; first_row * 8 < count; first_row += 5) {
        const PixbufPtr list = spriteviews_new_list_pixbuf(first_row, spriteviews_method_frame);
        auto shown = same_image(list.get(), 192, 105, [&](int x, int y) {
            const unsigned i = 8 * (first_row + y / 21) + x / 24;
            return i < count ? pixel(i, x % 24, y % 21) : opaque(0x000000u);
        });
        if (!shown)
            return shown << " in the list from row " << first_row;
    }
    return ::testing::AssertionSuccess();
}

// The message of a load with either attribute byte preference, "" when both loaded.
std::string load(const std::string &path) {
    std::string message;
    for (const int format :
         {sprites_attribute_format_ignore, sprites_attribute_format_sprite_pad}) {
        sprites_module_init();
        sprites_set_background_color(picture_background);
        sprites_set_array_size(7);
        sprites_set_color_at_index(0, 2);
        GError *raw = nullptr;
        const int loaded = spritesdecoder_decode_sprites_file(path.c_str(), format, 1, &raw);
        const GErrorPtr error(raw);
        EXPECT_EQ(loaded == 0, error != nullptr);
        message = error ? error->message : "";
        if (error) {
            EXPECT_EQ(std::tuple(sprites_get_array_size(), std::get<0>(attributes_at(0))),
                      std::tuple(7u, 2));
        }
    }
    return message;
}

struct SheetCase {
    const char *name;
    Layout layout;
    unsigned count, empty_from;
    const char *message;
};

constexpr SheetCase sheet_cases[] = {
    {"v1_one_sprite", Layout::v1, 1, no_empty_tail, ""},
    {"v1_128_sprites", Layout::v1, 128, no_empty_tail, ""},
    {"v1_256_slots_empty_past_128", Layout::v1, 256, 128, ""},
    {"v1_256_slots_pixels_in_129", Layout::v1, 256, 129,
     "Too many sprites in input file: 129 hold pixels, at most 128 fit"},
    {"spd1_40_sprites", Layout::spd1, 40, no_empty_tail, ""},
    {"spd2_256_slots_empty_past_128", Layout::spd2, 256, 128, ""},
    {"spd5_77_sprites", Layout::spd5, 77, no_empty_tail, ""},
    {"spd5_300_slots_pixels_in_200", Layout::spd5, 300, 200,
     "Too many sprites in input file: 200 hold pixels, at most 128 fit"},
};

class SpritePadSheet : public ::testing::TestWithParam<SheetCase> {};

TEST_P(SpritePadSheet, LoadsEverySpriteWithItsColoursOrLeavesTheStore) {
    const SheetCase &c = GetParam();
    const Sheet sheet = make_sheet(c.count, c.empty_from);
    const TempDir dir;
    EXPECT_EQ(load(dir.write("sheet.spr", file_of(sheet, c.layout))), c.message);
    if (*c.message == '\0') {
        EXPECT_TRUE(shows_sheet(sheet, std::min(c.count, sprites_capacity)));
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SpritePadSheet, ::testing::ValuesIn(sheet_cases),
                         [](const auto &info) { return std::string(info.param.name); });

// Files that claim to be SpritePad's but cannot be read keep the store as it was.
TEST(SpritePadFile, RefusesUnknownVersionsAndShortFiles) {
    const Bytes forty = file_of(make_sheet(40), Layout::spd2);
    Bytes version_3 = forty;
    version_3[3] = 3;
    Bytes no_sprites = file_of(make_sheet(1), Layout::spd5);
    no_sprites[5] = 0;
    const TempDir dir;
    for (const auto &[file, message] : {
             std::pair{version_3,
                       "SpritePad SPD version 3 cannot be read (versions 1, 2 and 5 can)"},
             std::pair{Bytes(forty.begin(), forty.begin() + 9 + 64 * 39 + 63),
                       "The SpritePad file ends before its last sprite"},
             std::pair{Bytes{'S', 'P', 'D', 5, 0, 1, 0},
                       "The SpritePad file ends before its first sprite"},
             std::pair{no_sprites, "The SpritePad file holds no sprites"},
             std::pair{Bytes(spd, spd + 3), "Unknown file format"},
         })
        EXPECT_EQ(load(dir.write("bad.spd", file)), message) << file.size();
}

// A reload replaces the bitmaps only: the colours the artist chose stay.
TEST_F(FreshState, SpritePadReloadKeepsTheColours) {
    const TempDir dir;
    const std::string path = dir.write("sheet.spd", file_of(make_sheet(50), Layout::spd5));
    ASSERT_EQ(load(path), "");
    sprites_set_color_at_index(3, 9);
    sprites_set_multicolor0(4);
    std::vector<std::tuple<int, int, int>> before;
    for (unsigned i = 0; i < 50; i++)
        before.push_back(attributes_at(i));
    const Sheet changed = make_sheet(60);
    write_file(path, file_of(changed, Layout::v1));
    ASSERT_EQ(spritesdecoder_decode_sprites_file(path.c_str(), 0, 0, nullptr), 1);
    EXPECT_EQ(std::tuple(sprites_get_array_size(), sprites_get_multicolor0()), std::tuple(60u, 4));
    for (unsigned i = 0; i < 60; i++) {
        EXPECT_EQ(data_at(i), changed.bitmap(i)) << i;
        if (i < 50) {
            EXPECT_EQ(attributes_at(i), before[i]) << i;
        }
    }
}

// The files in the shared folder: a 1.x file named .spr and an SPD file of version 5.
TEST(SpritePadFile, RealFilesShowAsTheirBytesSay) {
    const std::filesystem::path folder = std::string(SIDEWELL_SHARED_DIR) + "/pictures/spritepad";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "shared pictures not available: " << folder;
    const Bytes v1 = read_bytes(folder / "sidplayer_sprites.spr");
    const Bytes v5 = read_bytes(folder / "spacetaxi_sprites.spd");
    ASSERT_EQ(std::tuple(v1.size(), v5.size()), std::tuple(1027u, 276u));
    const Sheet v1_sheet{{v1[0], v1[1], v1[2]}, Bytes(v1.begin() + 3, v1.end())};
    const Sheet v5_sheet{{v5[15], v5[16], v5[17]}, Bytes(v5.begin() + 20, v5.end())};
    EXPECT_EQ(load(folder / "sidplayer_sprites.spr"), "");
    EXPECT_TRUE(shows_sheet(v1_sheet, 16));
    EXPECT_EQ(load(folder / "spacetaxi_sprites.spd"), "");
    EXPECT_TRUE(shows_sheet(v5_sheet, 4));
}

// The writer lays out what the reader takes; the store saved as SpritePad 1.x reads back as it
// was and saves again byte for byte, with the picture's background and the shared colours.
TEST(SpritePadFile, WritesTheOneDotXLayoutAndReadsItBack) {
    const Sheet sheet = make_sheet(33);
    const auto [background, multicolor1, multicolor2] = sheet.colours;
    EXPECT_TRUE(same_bytes(spritepad_write_v1(background, multicolor1, multicolor2, sheet.slots),
                           file_of(sheet, Layout::v1)));
    const TempDir dir;
    ASSERT_EQ(load(dir.write("sheet.spd", file_of(sheet, Layout::spd2))), "");
    const Bytes saved = spritesdecoder_build_file_for_name("Back To SpritePad.SPR");
    ASSERT_EQ(saved.size(), 3 + 64 * 33u);
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 3),
              (Bytes{picture_background, std::uint8_t(multicolor1 & 15),
                     std::uint8_t(multicolor2 & 15)}));
    ASSERT_EQ(load(dir.write("saved.spr", saved)), "");
    EXPECT_TRUE(shows_sheet(sheet, 33));
    EXPECT_TRUE(same_bytes(spritesdecoder_build_spritepad_file(), saved));
    EXPECT_TRUE(same_bytes(spritesdecoder_build_file_for_name("raw.prg"),
                           spritesdecoder_build_sprites_file()));
}

} // namespace
