#include "core/palette.hpp"

#include "test_support.hpp"

namespace {

using namespace test_support;

using HexPalette = std::array<std::uint32_t, 16>;

// The other three palettes as published, one hex number a colour.
constexpr HexPalette high_contrast = {0x000000, 0xFFFFFF, 0x860000, 0x70D3FF, 0xC6009E, 0x00B200,
                                      0x0000B9, 0xFFEB72, 0x973C00, 0x654300, 0xC7564E, 0x3D3D3D,
                                      0x6C6C6C, 0x40FF68, 0x2C83FF, 0xB0B0B0};
constexpr HexPalette pixcen = {0x000000, 0xFFFFFF, 0x894036, 0x7ABFC7, 0x8A46AE, 0x68A941,
                               0x3E31A2, 0xD0DC71, 0x905F25, 0x5C4700, 0xBB776D, 0x555555,
                               0x808080, 0xACEA88, 0x7C70DA, 0xABABAB};
constexpr HexPalette ccs64 = {0x101010, 0xFFFFFF, 0xE04040, 0x60FFFF, 0xE060E0, 0x40E040,
                              0x4040E0, 0xFFFF40, 0xE0A040, 0x9C7448, 0xFFA0A0, 0x545454,
                              0x888888, 0xA0FFA0, 0xA0A0FF, 0xC0C0C0};

std::uint32_t hex_of(const Rgb &rgb) {
    return std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
}

std::uint32_t pepto_hex(int index) {
    Rgb rgb{};
    palette_get_pepto_rgb_at_index(index, rgb.data());
    return hex_of(rgb);
}

unsigned index_of(std::uint32_t hex) {
    const Rgb rgb = {static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8),
                     static_cast<std::uint8_t>(hex)};
    return palette_get_index_for_rgb(rgb.data());
}

// In each palette, indices count modulo 16 (a colour RAM byte's junk high nibble, negative
// values too); the fractions describe the same colours as the bytes, white exactly.
TEST_F(PeptoTest, EveryIndexGivesThePublishedColourInBytesAndFractions) {
    const HexPalette *tables[] = {&pepto, &high_contrast, &pixcen, &ccs64};
    for (int palette = 0; palette < 4; ++palette) {
        options_palette = palette;
        const HexPalette &colours = *tables[palette];
        for (int index = -256; index < 256; ++index) {
            const int reduced = (index % 16 + 16) % 16;
            EXPECT_EQ(hex_of(rgb_of(index)), colours[reduced]) << palette << " index " << index;
            std::array<double, 3> fractions{};
            palette_get_rgb_double_at_index(index, fractions.data());
            for (int component = 0; component < 3; ++component)
                EXPECT_NEAR(fractions[component], rgb_of(index)[component] / 255.0, 5e-11)
                    << palette << " index " << index << " component " << component;
            if (reduced == 1) {
                EXPECT_EQ(fractions, (std::array<double, 3>{1.0, 1.0, 1.0}));
            }
        }
        for (int index = 0; index < palette_colour_count; ++index)
            EXPECT_EQ(index_of(colours[index]), static_cast<unsigned>(index)) << palette;
    }
}

TEST_F(PeptoTest, PeptoAccessorIgnoresTheCurrentPalette) {
    for (int palette : {0, 1, 2, 3, 4, -1}) {
        options_palette = palette;
        for (int index = 0; index < 32; ++index)
            EXPECT_EQ(pepto_hex(index), pepto[index % 16]) << "palette " << palette;
    }
}

TEST_F(PeptoTest, ReverseLookupNeedsAnExactColourOfTheCurrentPalette) {
    options_palette = 2;
    EXPECT_EQ(index_of(pepto[2]), 0u);
    options_palette = 0;
    EXPECT_EQ(index_of(pepto[2]), 2u);
    // Pepto light blue 6C5EB5 with one component off by one.
    for (std::uint32_t near_miss : {0x6D5EB5u, 0x6C5FB5u, 0x6C5EB4u})
        EXPECT_EQ(index_of(near_miss), 0u) << std::hex << near_miss;
}

TEST_F(PeptoTest, PaletteOutOfRangeLeavesEveryOutputUntouched) {
    for (int palette : {4, -1, 255, 1000}) {
        options_palette = palette;
        Rgb bytes = {0xA5, 0xA5, 0xA5};
        palette_get_rgb_at_index(1, bytes.data());
        EXPECT_EQ(bytes, (Rgb{0xA5, 0xA5, 0xA5})) << palette;
        std::array<double, 3> fractions = {-2.0, -2.0, -2.0};
        palette_get_rgb_double_at_index(1, fractions.data());
        EXPECT_EQ(fractions, (std::array<double, 3>{-2.0, -2.0, -2.0})) << palette;
        EXPECT_EQ(index_of(0xFFFFFF), 0u) << palette;
    }
}

} // namespace
