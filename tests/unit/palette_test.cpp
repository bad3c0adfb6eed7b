#include "core/palette.hpp"

#include "core/options.hpp"
#include "picture_test_support.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using picture_test::PrintTo;

using HexPalette = std::array<std::uint32_t, 16>;

// The four palettes as published, one hex number a colour.
constexpr HexPalette pepto_hex = {0x000000, 0xFFFFFF, 0x68372B, 0x70A4B2, 0x6F3D86, 0x588D43,
                                  0x352879, 0xB8C76F, 0x6F4F25, 0x433900, 0x9A6759, 0x444444,
                                  0x6C6C6C, 0x9AD284, 0x6C5EB5, 0x959595};
constexpr HexPalette high_contrast_hex = {
    0x000000, 0xFFFFFF, 0x860000, 0x70D3FF, 0xC6009E, 0x00B200, 0x0000B9, 0xFFEB72,
    0x973C00, 0x654300, 0xC7564E, 0x3D3D3D, 0x6C6C6C, 0x40FF68, 0x2C83FF, 0xB0B0B0};
constexpr HexPalette pixcen_hex = {0x000000, 0xFFFFFF, 0x894036, 0x7ABFC7, 0x8A46AE, 0x68A941,
                                   0x3E31A2, 0xD0DC71, 0x905F25, 0x5C4700, 0xBB776D, 0x555555,
                                   0x808080, 0xACEA88, 0x7C70DA, 0xABABAB};
constexpr HexPalette ccs64_hex = {0x101010, 0xFFFFFF, 0xE04040, 0x60FFFF, 0xE060E0, 0x40E040,
                                  0x4040E0, 0xFFFF40, 0xE0A040, 0x9C7448, 0xFFA0A0, 0x545454,
                                  0x888888, 0xA0FFA0, 0xA0A0FF, 0xC0C0C0};

std::uint32_t rgb_hex(int index) {
    std::array<std::uint8_t, 3> rgb{};
    palette_get_rgb_at_index(index, rgb.data());
    return std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
}

std::uint32_t pepto_rgb_hex(int index) {
    std::array<std::uint8_t, 3> rgb{};
    palette_get_pepto_rgb_at_index(index, rgb.data());
    return std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
}

std::array<std::uint8_t, 3> bytes_of(std::uint32_t hex) {
    return {static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8),
            static_cast<std::uint8_t>(hex)};
}

class PaletteTest : public ::testing::Test {
  protected:
    void SetUp() override { saved_palette_ = options_palette; }
    void TearDown() override { options_palette = saved_palette_; }

  private:
    int saved_palette_ = 0;
};

struct PaletteCase {
    const char *name;
    int palette;
    const HexPalette &colours;
};

class PaletteTableTest : public PaletteTest, public ::testing::WithParamInterface<PaletteCase> {};

TEST_P(PaletteTableTest, every_colour_matches_the_published_table) {
    options_palette = GetParam().palette;
    for (int index = 0; index < palette_colour_count; ++index) {
        EXPECT_EQ(rgb_hex(index), GetParam().colours[index]) << "index " << index;
    }
}

TEST_P(PaletteTableTest, fractions_describe_the_same_colours_as_bytes) {
    options_palette = GetParam().palette;
    for (int index = 0; index < palette_colour_count; ++index) {
        std::array<std::uint8_t, 3> bytes{};
        std::array<double, 3> fractions{};
        palette_get_rgb_at_index(index, bytes.data());
        palette_get_rgb_double_at_index(index, fractions.data());
        for (int component = 0; component < 3; ++component) {
            EXPECT_NEAR(fractions[component], bytes[component] / 255.0, 5e-11)
                << "index " << index << " component " << component;
            EXPECT_GE(fractions[component], 0.0);
            EXPECT_LE(fractions[component], 1.0);
        }
    }
}

TEST_P(PaletteTableTest, full_and_zero_intensity_are_exact_fractions) {
    options_palette = GetParam().palette;
    std::array<double, 3> white{};
    palette_get_rgb_double_at_index(1, white.data());
    EXPECT_EQ(white, (std::array<double, 3>{1.0, 1.0, 1.0}));
}

TEST_P(PaletteTableTest, reverse_lookup_finds_every_colour_at_its_own_index) {
    options_palette = GetParam().palette;
    for (int index = 0; index < palette_colour_count; ++index) {
        const auto rgb = bytes_of(GetParam().colours[index]);
        EXPECT_EQ(palette_get_index_for_rgb(rgb.data()), static_cast<unsigned>(index));
    }
}

TEST_P(PaletteTableTest, only_the_low_nibble_of_an_index_counts) {
    options_palette = GetParam().palette;
    for (int index = 0; index < 256; ++index) {
        EXPECT_EQ(rgb_hex(index), GetParam().colours[index % 16]) << "index " << index;
        std::array<double, 3> reduced{};
        std::array<double, 3> raw{};
        palette_get_rgb_double_at_index(index % 16, reduced.data());
        palette_get_rgb_double_at_index(index, raw.data());
        EXPECT_EQ(raw, reduced) << "index " << index;
    }
}

INSTANTIATE_TEST_SUITE_P(AllPalettes, PaletteTableTest,
                         ::testing::Values(PaletteCase{"pepto", 0, pepto_hex},
                                           PaletteCase{"high_contrast", 1, high_contrast_hex},
                                           PaletteCase{"pixcen", 2, pixcen_hex},
                                           PaletteCase{"ccs64", 3, ccs64_hex}),
                         [](const auto &info) { return std::string(info.param.name); });

struct IndexCase {
    const char *name;
    int palette;
    int index;
    std::uint32_t expected;
};

class PaletteIndexTest : public PaletteTest, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(PaletteIndexTest, gives_the_expected_colour) {
    options_palette = GetParam().palette;
    EXPECT_EQ(rgb_hex(GetParam().index), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, PaletteIndexTest,
    ::testing::Values(IndexCase{"index_16_is_black", 0, 16, 0x000000},
                      IndexCase{"index_255_is_light_grey", 0, 255, 0x959595},
                      IndexCase{"junk_high_nibble_0xF6_is_blue", 0, 0xF6, 0x352879},
                      IndexCase{"minus_10_is_6_as_modulo_16", 0, -10, 0x352879},
                      IndexCase{"ccs64_black_is_not_black", 3, 0, 0x101010},
                      IndexCase{"ccs64_index_16_is_its_black", 3, 16, 0x101010},
                      IndexCase{"high_contrast_0x1B_is_dark_grey", 1, 0x1B, 0x3D3D3D}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PaletteTest, pepto_accessor_ignores_the_current_palette) {
    for (int palette : {0, 1, 2, 3, 4, -1}) {
        options_palette = palette;
        EXPECT_EQ(pepto_rgb_hex(6), 0x352879u) << "palette " << palette;
        EXPECT_EQ(pepto_rgb_hex(14), 0x6C5EB5u) << "palette " << palette;
        EXPECT_EQ(pepto_rgb_hex(0xF6), 0x352879u) << "palette " << palette;
    }
}

TEST_F(PaletteTest, pepto_accessor_covers_the_whole_pepto_table) {
    options_palette = 2;
    for (int index = 0; index < palette_colour_count; ++index) {
        EXPECT_EQ(pepto_rgb_hex(index), pepto_hex[index]) << "index " << index;
    }
}

TEST_F(PaletteTest, reverse_lookup_of_a_colour_from_another_palette_gives_0) {
    options_palette = 2;
    const auto pepto_red = bytes_of(pepto_hex[2]);
    EXPECT_EQ(palette_get_index_for_rgb(pepto_red.data()), 0u);
    options_palette = 0;
    EXPECT_EQ(palette_get_index_for_rgb(pepto_red.data()), 2u);
}

TEST_F(PaletteTest, reverse_lookup_needs_all_three_components) {
    options_palette = 0;
    // Pepto light blue 6C5EB5 with one component off by one.
    for (std::uint32_t near_miss : {0x6D5EB5u, 0x6C5FB5u, 0x6C5EB4u}) {
        const auto rgb = bytes_of(near_miss);
        EXPECT_EQ(palette_get_index_for_rgb(rgb.data()), 0u) << std::hex << near_miss;
    }
}

TEST_F(PaletteTest, switching_the_palette_changes_the_next_answer) {
    options_palette = 0;
    EXPECT_EQ(rgb_hex(2), 0x68372Bu);
    options_palette = 1;
    EXPECT_EQ(rgb_hex(2), 0x860000u);
    options_palette = 3;
    EXPECT_EQ(rgb_hex(2), 0xE04040u);
}

class PaletteOutOfRangeTest : public PaletteTest, public ::testing::WithParamInterface<int> {};

TEST_P(PaletteOutOfRangeTest, leaves_every_output_untouched) {
    options_palette = GetParam();
    std::array<std::uint8_t, 3> bytes = {0xA5, 0xA5, 0xA5};
    palette_get_rgb_at_index(1, bytes.data());
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 3>{0xA5, 0xA5, 0xA5}));

    std::array<double, 3> fractions = {-2.0, -2.0, -2.0};
    palette_get_rgb_double_at_index(1, fractions.data());
    EXPECT_EQ(fractions, (std::array<double, 3>{-2.0, -2.0, -2.0}));

    const auto white = bytes_of(0xFFFFFF);
    EXPECT_EQ(palette_get_index_for_rgb(white.data()), 0u);
}

INSTANTIATE_TEST_SUITE_P(Values, PaletteOutOfRangeTest, ::testing::Values(4, -1, 255, 1000));

TEST_F(PaletteTest, fill_value_and_pixel_carry_the_colour_with_full_alpha) {
    options_palette = 3;
    const PaletteRgb blue = palette_get_rgb(6);
    EXPECT_EQ(palette_get_rgba_fill(6), std::uint32_t{blue[0]} << 24 |
                                            std::uint32_t{blue[1]} << 16 |
                                            std::uint32_t{blue[2]} << 8 | 0xFF);
    std::array<std::uint8_t, 4> pixel{};
    palette_put_opaque_pixel(pixel.data(), blue);
    EXPECT_EQ(pixel, (std::array<std::uint8_t, 4>{blue[0], blue[1], blue[2], 255}));
}

} // namespace
