#include "core/palette.hpp"

#include "core/options.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr std::uint8_t opaque_alpha = 255;

using ByteColour = std::array<std::uint8_t, 3>;
using DoubleColour = std::array<double, 3>;
using ByteTable = std::array<ByteColour, palette_colour_count>;
using DoubleTable = std::array<DoubleColour, palette_colour_count>;

constexpr ByteColour hex(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

// Index order is the VIC-II's: black, white, red, cyan, purple, green, blue, yellow, orange,
// brown, light red, dark grey, grey, light green, light blue, light grey.
constexpr ByteTable palette_rgb = {hex(0x000000), hex(0xFFFFFF), hex(0x68372B), hex(0x70A4B2),
                                   hex(0x6F3D86), hex(0x588D43), hex(0x352879), hex(0xB8C76F),
                                   hex(0x6F4F25), hex(0x433900), hex(0x9A6759), hex(0x444444),
                                   hex(0x6C6C6C), hex(0x9AD284), hex(0x6C5EB5), hex(0x959595)};
constexpr ByteTable palette_hc_rgb = {hex(0x000000), hex(0xFFFFFF), hex(0x860000), hex(0x70D3FF),
                                      hex(0xC6009E), hex(0x00B200), hex(0x0000B9), hex(0xFFEB72),
                                      hex(0x973C00), hex(0x654300), hex(0xC7564E), hex(0x3D3D3D),
                                      hex(0x6C6C6C), hex(0x40FF68), hex(0x2C83FF), hex(0xB0B0B0)};
constexpr ByteTable palette_pixcen_rgb = {
    hex(0x000000), hex(0xFFFFFF), hex(0x894036), hex(0x7ABFC7), hex(0x8A46AE), hex(0x68A941),
    hex(0x3E31A2), hex(0xD0DC71), hex(0x905F25), hex(0x5C4700), hex(0xBB776D), hex(0x555555),
    hex(0x808080), hex(0xACEA88), hex(0x7C70DA), hex(0xABABAB)};
constexpr ByteTable palette_ccs64_rgb = {
    hex(0x101010), hex(0xFFFFFF), hex(0xE04040), hex(0x60FFFF), hex(0xE060E0), hex(0x40E040),
    hex(0x4040E0), hex(0xFFFF40), hex(0xE0A040), hex(0x9C7448), hex(0xFFA0A0), hex(0x545454),
    hex(0x888888), hex(0xA0FFA0), hex(0xA0A0FF), hex(0xC0C0C0)};

// Palettes artists paint with besides the editor's own. Colodore: colodore.com with its default
// sliders (brightness 50, contrast 100, saturation 50). VICE 3.7 ships a different Colodore as
// colodore.vpl, and its older default palette as vice.vpl; its current default palette file,
// pepto-pal.vpl, holds the Pepto colours above.
constexpr ByteTable palette_colodore_rgb = {
    hex(0x000000), hex(0xFFFFFF), hex(0x813338), hex(0x75CEC8), hex(0x8E3C97), hex(0x56AC4D),
    hex(0x2E2C9B), hex(0xEDF171), hex(0x8E5029), hex(0x553800), hex(0xC46C71), hex(0x4A4A4A),
    hex(0x7B7B7B), hex(0xA9FF9F), hex(0x706DEB), hex(0xB2B2B2)};
constexpr ByteTable palette_vice_colodore_rgb = {
    hex(0x000000), hex(0xFFFFFF), hex(0x96282E), hex(0x5BD6CE), hex(0x9F2DAD), hex(0x41B936),
    hex(0x2724C4), hex(0xEFF347), hex(0x9F4815), hex(0x5E3500), hex(0xDA5F66), hex(0x474747),
    hex(0x787878), hex(0x91FF84), hex(0x6864FF), hex(0xAEAEAE)};
constexpr ByteTable palette_vice_rgb = {hex(0x000000), hex(0xFDFEFC), hex(0xBE1A24), hex(0x30E6C6),
                                        hex(0xB41AE2), hex(0x1FD21E), hex(0x211BAE), hex(0xDFF60A),
                                        hex(0xB84104), hex(0x6A3304), hex(0xFE4A57), hex(0x424540),
                                        hex(0x70746F), hex(0x59FE59), hex(0x5F53FE), hex(0xA4A7A2)};

constexpr std::array<PaletteKnown, 7> known_palettes = {{
    {"Pepto", &palette_rgb},
    {"High contrast", &palette_hc_rgb},
    {"Pixcen", &palette_pixcen_rgb},
    {"CCS64", &palette_ccs64_rgb},
    {"Colodore", &palette_colodore_rgb},
    {"VICE Colodore", &palette_vice_colodore_rgb},
    {"VICE", &palette_vice_rgb},
}};

constexpr std::array<const char *, palette_colour_count> colour_names = {
    "black", "white",       "red",        "cyan",      "purple",    "green",
    "blue",  "yellow",      "orange",     "brown",     "light red", "dark grey",
    "grey",  "light green", "light blue", "light grey"};

// cairo wants fractions of full intensity; deriving them keeps both forms of a palette equal.
constexpr DoubleTable as_fractions(const ByteTable &bytes) {
    DoubleTable fractions{};
    for (int index = 0; index < palette_colour_count; ++index) {
        for (int component = 0; component < 3; ++component) {
            fractions[index][component] = bytes[index][component] / 255.0;
        }
    }
    return fractions;
}

constexpr DoubleTable palette_rgb_double = as_fractions(palette_rgb);
constexpr DoubleTable palette_hc_rgb_double = as_fractions(palette_hc_rgb);
constexpr DoubleTable palette_pixcen_rgb_double = as_fractions(palette_pixcen_rgb);
constexpr DoubleTable palette_ccs64_rgb_double = as_fractions(palette_ccs64_rgb);

// The reverse lookup relies on every colour of a palette being distinct.
constexpr bool all_distinct(ByteTable table) {
    std::ranges::sort(table);
    return std::ranges::adjacent_find(table) == table.end();
}
static_assert(all_distinct(palette_rgb) && all_distinct(palette_hc_rgb) &&
              all_distinct(palette_pixcen_rgb) && all_distinct(palette_ccs64_rgb) &&
              all_distinct(palette_colodore_rgb) && all_distinct(palette_vice_colodore_rgb) &&
              all_distinct(palette_vice_rgb));

struct Palette {
    const ByteTable &bytes;
    const DoubleTable &fractions;
};

// In the order of the values of options_palette.
constexpr std::array<Palette, 4> palettes = {{{palette_rgb, palette_rgb_double},
                                              {palette_hc_rgb, palette_hc_rgb_double},
                                              {palette_pixcen_rgb, palette_pixcen_rgb_double},
                                              {palette_ccs64_rgb, palette_ccs64_rgb_double}}};

const Palette *current_palette() {
    if (options_palette < 0 || options_palette >= static_cast<int>(palettes.size())) {
        return nullptr;
    }
    return &palettes[options_palette];
}

// Colour bytes may carry junk in the high nibble; only the low four bits name a colour.
constexpr int colour_of(int index) {
    return index & (palette_colour_count - 1);
}

template <typename Colour, typename Out> void write_colour(const Colour &colour, Out *out) {
    out[0] = colour[0];
    out[1] = colour[1];
    out[2] = colour[2];
}

} // namespace

void palette_get_rgb_at_index(int index, std::uint8_t *rgb) {
    if (const Palette *palette = current_palette()) {
        write_colour(palette->bytes[colour_of(index)], rgb);
    }
}

PaletteRgb palette_get_rgb(int index) {
    PaletteRgb rgb{};
    palette_get_rgb_at_index(index, rgb.data());
    return rgb;
}

std::uint32_t palette_get_rgba_fill(int index) {
    const PaletteRgb rgb = palette_get_rgb(index);
    return std::uint32_t{rgb[0]} << 24 | std::uint32_t{rgb[1]} << 16 | std::uint32_t{rgb[2]} << 8 |
           opaque_alpha;
}

void palette_put_opaque_pixel(std::uint8_t *pixel, const PaletteRgb &rgb) {
    pixel[0] = rgb[0];
    pixel[1] = rgb[1];
    pixel[2] = rgb[2];
    pixel[3] = opaque_alpha;
}

void palette_get_rgb_double_at_index(int index, double *rgb) {
    if (const Palette *palette = current_palette()) {
        write_colour(palette->fractions[colour_of(index)], rgb);
    }
}

void palette_get_pepto_rgb_at_index(int index, std::uint8_t *rgb) {
    write_colour(palette_rgb[colour_of(index)], rgb);
}

unsigned palette_get_index_for_rgb(const std::uint8_t *rgb) {
    const Palette *palette = current_palette();
    if (palette == nullptr) {
        return 0;
    }
    const ByteColour wanted = {rgb[0], rgb[1], rgb[2]};
    const auto found = std::ranges::find(palette->bytes, wanted);
    return found == palette->bytes.end() ? 0
                                         : static_cast<unsigned>(found - palette->bytes.begin());
}

const char *palette_get_colour_name(int index) {
    return colour_names[colour_of(index)];
}

std::span<const PaletteKnown> palette_get_known_palettes() {
    return known_palettes;
}
