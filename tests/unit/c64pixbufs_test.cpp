#include "core/c64pixbufs.hpp"

#include "picture_test_support.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

using picture_test::PrintTo;
using picture_test::rgb_at;
using GlyphRows = std::array<std::uint8_t, 8>;

constexpr std::uint32_t off_colour = 0x352879; // Pepto blue
constexpr std::uint32_t on_colour = 0x6C5EB5;  // Pepto light blue

// Reads a glyph back into the ROM's form: one byte a row, leftmost pixel in bit 7. Every pixel
// must have one of the two glyph colours.
GlyphRows rows_of(const GdkPixbuf *glyph) {
    GlyphRows rows{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t colour = rgb_at(glyph, x, y);
            EXPECT_TRUE(colour == on_colour || colour == off_colour)
                << "pixel " << x << "," << y << " is " << std::hex << colour;
            if (colour == on_colour) {
                rows[y] |= static_cast<std::uint8_t>(0x80 >> x);
            }
        }
    }
    return rows;
}

GdkPixbuf *glyph_of(bool uppercase, std::uint8_t code) {
    return uppercase ? c64pixbufs_get_uppercase_char_at_index(code)
                     : c64pixbufs_get_lowercase_char_at_index(code);
}

class GlyphTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { c64pixbufs_module_init(); }
    void TearDown() override { c64pixbuf_set_case(1); }
};

struct ShapeCase {
    const char *name;
    bool uppercase;
    std::uint8_t code;
    GlyphRows rows;
};

class GlyphShapeTest : public GlyphTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(GlyphShapeTest, has_the_c64_shape) {
    const GdkPixbuf *glyph = glyph_of(GetParam().uppercase, GetParam().code);
    ASSERT_NE(glyph, nullptr);
    EXPECT_EQ(rows_of(glyph), GetParam().rows);
}

constexpr GlyphRows capital_a = {0x18, 0x3C, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00};
constexpr GlyphRows small_a = {0x00, 0x00, 0x3C, 0x06, 0x3E, 0x66, 0x3E, 0x00};
constexpr GlyphRows spade = {0x08, 0x1C, 0x3E, 0x7F, 0x7F, 0x1C, 0x3E, 0x00};
constexpr GlyphRows at_sign = {0x3C, 0x66, 0x6E, 0x6E, 0x60, 0x62, 0x3C, 0x00};
constexpr GlyphRows solid = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr GlyphRows empty = {};
// The real ROM's reverse at sign is not the exact inverse of the at sign: row 5 reads $99.
constexpr GlyphRows reverse_at_sign = {0xC3, 0x99, 0x91, 0x91, 0x9F, 0x99, 0xC3, 0xFF};

INSTANTIATE_TEST_SUITE_P(KnownGlyphs, GlyphShapeTest,
                         ::testing::Values(ShapeCase{"upper_1_is_capital_a", true, 1, capital_a},
                                           ShapeCase{"lower_1_is_small_a", false, 1, small_a},
                                           ShapeCase{"upper_65_is_the_spade", true, 65, spade},
                                           ShapeCase{"lower_65_is_capital_a", false, 65, capital_a},
                                           ShapeCase{"upper_160_is_solid", true, 160, solid},
                                           ShapeCase{"lower_160_is_solid", false, 160, solid},
                                           ShapeCase{"upper_32_is_blank", true, 32, empty},
                                           ShapeCase{"lower_32_is_blank", false, 32, empty},
                                           ShapeCase{"upper_0_is_the_at_sign", true, 0, at_sign},
                                           ShapeCase{"upper_128_as_the_rom_has_it", true, 128,
                                                     reverse_at_sign}),
                         [](const auto &info) { return std::string(info.param.name); });

class GlyphSetTest : public GlyphTest, public ::testing::WithParamInterface<bool> {};

TEST_P(GlyphSetTest, every_glyph_is_8_by_8_in_the_two_colours) {
    for (int code = 0; code < 256; ++code) {
        const GdkPixbuf *glyph = glyph_of(GetParam(), static_cast<std::uint8_t>(code));
        ASSERT_NE(glyph, nullptr) << "code " << code;
        EXPECT_EQ(gdk_pixbuf_get_width(glyph), 8) << "code " << code;
        EXPECT_EQ(gdk_pixbuf_get_height(glyph), 8) << "code " << code;
        rows_of(glyph);
    }
}

TEST_P(GlyphSetTest, upper_half_is_reverse_video_of_lower_half) {
    // Code 0/128 is the ROM's one exception, checked by shape above.
    for (int code = 1; code < 128; ++code) {
        const GlyphRows normal = rows_of(glyph_of(GetParam(), static_cast<std::uint8_t>(code)));
        const GlyphRows reverse =
            rows_of(glyph_of(GetParam(), static_cast<std::uint8_t>(code + 128)));
        for (int row = 0; row < 8; ++row) {
            EXPECT_EQ(reverse[row], static_cast<std::uint8_t>(~normal[row]))
                << "code " << code << " row " << row;
        }
    }
}

TEST_P(GlyphSetTest, glyphs_are_views_into_one_image_of_the_set) {
    const GdkPixbuf *first = glyph_of(GetParam(), 0);
    const GdkPixbuf *second = glyph_of(GetParam(), 1);
    const GdkPixbuf *below = glyph_of(GetParam(), 32);
    const int channels = gdk_pixbuf_get_n_channels(first);
    const int rowstride = gdk_pixbuf_get_rowstride(first);
    EXPECT_GE(rowstride, 256 * channels);
    EXPECT_EQ(gdk_pixbuf_read_pixels(second) - gdk_pixbuf_read_pixels(first), 8 * channels);
    EXPECT_EQ(gdk_pixbuf_read_pixels(below) - gdk_pixbuf_read_pixels(first), 8 * rowstride);
}

INSTANTIATE_TEST_SUITE_P(BothSets, GlyphSetTest, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "upper" : "lower"; });

struct CaseFlagCase {
    const char *name;
    int flag;
    bool uppercase;
};

class GlyphCaseFlagTest : public GlyphTest, public ::testing::WithParamInterface<CaseFlagCase> {};

TEST_P(GlyphCaseFlagTest, selects_the_set_of_the_current_glyph) {
    c64pixbuf_set_case(GetParam().flag);
    for (int code : {1, 65, 200}) {
        const auto screen_code = static_cast<std::uint8_t>(code);
        EXPECT_EQ(c64pixbufs_get_char_at_index(screen_code),
                  glyph_of(GetParam().uppercase, screen_code))
            << "code " << code;
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, GlyphCaseFlagTest,
                         ::testing::Values(CaseFlagCase{"one_is_upper", 1, true},
                                           CaseFlagCase{"zero_is_lower", 0, false},
                                           CaseFlagCase{"two_is_lower", 2, false},
                                           CaseFlagCase{"minus_one_is_lower", -1, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(GlyphTest, init_again_keeps_the_lent_glyphs) {
    GdkPixbuf *before = c64pixbufs_get_uppercase_char_at_index(1);
    c64pixbufs_module_init();
    EXPECT_EQ(c64pixbufs_get_uppercase_char_at_index(1), before);
}

TEST_F(GlyphTest, compiled_in_glyphs_equal_the_character_rom) {
    const std::string rom_path =
        std::string(SIDEWELL_SHARED_DIR) + "/c64-roms/chargen-901225-01.bin";
    gchar *raw = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(rom_path.c_str(), &raw, &length, nullptr)) {
        GTEST_SKIP() << "character ROM not found at " << rom_path;
    }
    const GCharPtr rom(raw);
    ASSERT_EQ(length, 4096u);
    for (int set = 0; set < 2; ++set) {
        for (int code = 0; code < 256; ++code) {
            const GlyphRows rows = rows_of(glyph_of(set == 0, static_cast<std::uint8_t>(code)));
            for (int row = 0; row < 8; ++row) {
                EXPECT_EQ(rows[row], static_cast<std::uint8_t>(raw[set * 2048 + code * 8 + row]))
                    << "set " << set << " code " << code << " row " << row;
            }
        }
    }
}

} // namespace
