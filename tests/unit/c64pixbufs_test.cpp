#include "core/c64pixbufs.hpp"

#include "test_support.hpp"

namespace {

using namespace test_support;

// Every glyph pixel is Pepto light blue (on) or Pepto blue (off).
Glyph rows_of(const GdkPixbuf *glyph) {
    EXPECT_EQ(gdk_pixbuf_get_width(glyph), 8);
    EXPECT_EQ(gdk_pixbuf_get_height(glyph), 8);
    return cell_rows(glyph, 0, 0, pepto[14], pepto[6]);
}

GdkPixbuf *glyph_of(bool uppercase, int code) {
    const auto screen_code = static_cast<std::uint8_t>(code);
    return uppercase ? c64pixbufs_get_uppercase_char_at_index(screen_code)
                     : c64pixbufs_get_lowercase_char_at_index(screen_code);
}

class GlyphTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { c64pixbufs_module_init(); }
    void TearDown() override { c64pixbuf_set_case(1); }
};

constexpr Glyph spade = {0x08, 0x1C, 0x3E, 0x7F, 0x7F, 0x1C, 0x3E, 0x00};
constexpr Glyph at_sign = {0x3C, 0x66, 0x6E, 0x6E, 0x60, 0x62, 0x3C, 0x00};
// The real ROM's reverse at sign is not the exact inverse of the at sign: row 5 reads $99.
constexpr Glyph reverse_at_sign = {0xC3, 0x99, 0x91, 0x91, 0x9F, 0x99, 0xC3, 0xFF};

// Codes 1, 65, 160 and 32 in both sets; 0 and 128 in the upper case set.
TEST_F(GlyphTest, KnownGlyphsHaveTheC64Shape) {
    for (const auto &[uppercase, code, rows] :
         {std::tuple{true, 1, capital_a}, std::tuple{false, 1, small_a},
          std::tuple{true, 65, spade}, std::tuple{false, 65, capital_a},
          std::tuple{true, 160, solid}, std::tuple{false, 160, solid}, std::tuple{true, 32, blank},
          std::tuple{false, 32, blank}, std::tuple{true, 0, at_sign},
          std::tuple{true, 128, reverse_at_sign}})
        EXPECT_EQ(rows_of(glyph_of(uppercase, code)), rows) << "upper " << uppercase << " " << code;
}

// In both sets; code 0/128 is the ROM's one exception, checked by shape above.
TEST_F(GlyphTest, UpperHalfIsReverseVideoOfLowerHalf) {
    for (bool uppercase : {true, false})
        for (int code = 1; code < 128; ++code) {
            const Glyph normal = rows_of(glyph_of(uppercase, code));
            const Glyph reverse = rows_of(glyph_of(uppercase, code + 128));
            for (int row = 0; row < 8; ++row)
                EXPECT_EQ(reverse[row], static_cast<std::uint8_t>(~normal[row]))
                    << "code " << code << " row " << row;
        }
}

TEST_F(GlyphTest, CaseFlagOneSelectsUpperAnyOtherLower) {
    for (int flag : {1, 0, 2, -1}) {
        c64pixbuf_set_case(flag);
        for (int code : {1, 65, 200})
            EXPECT_EQ(c64pixbufs_get_char_at_index(static_cast<std::uint8_t>(code)),
                      glyph_of(flag == 1, code))
                << "flag " << flag << " code " << code;
    }
}

TEST_F(GlyphTest, InitAgainKeepsTheLentGlyphs) {
    GdkPixbuf *before = c64pixbufs_get_uppercase_char_at_index(1);
    c64pixbufs_module_init();
    EXPECT_EQ(c64pixbufs_get_uppercase_char_at_index(1), before);
}

TEST_F(GlyphTest, CompiledInGlyphsEqualTheCharacterRom) {
    const Bytes rom = read_bytes(shared_path("c64-roms/chargen-901225-01.bin"));
    if (rom.empty())
        GTEST_SKIP() << "character ROM not found in " << SIDEWELL_SHARED_DIR;
    ASSERT_EQ(rom.size(), 4096u);
    for (int set = 0; set < 2; ++set)
        for (int code = 0; code < 256; ++code) {
            const Glyph rows = rows_of(glyph_of(set == 0, code));
            EXPECT_TRUE(std::equal(rows.begin(), rows.end(), rom.begin() + set * 2048 + code * 8))
                << "set " << set << " code " << code;
        }
}

} // namespace
