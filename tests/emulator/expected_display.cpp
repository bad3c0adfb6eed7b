#include "expected_display.hpp"

#include "emulator.hpp"

#include <functional>

namespace {

constexpr int picture_x = 48;
constexpr int picture_y = 48;
constexpr int picture_width = 320;
constexpr int picture_height = 200;
constexpr int sprite_area_y = 40;
constexpr int sprite_width = 24;
constexpr int sprite_height = 21;
constexpr unsigned cells_across = 40;
constexpr std::uint8_t low_nibble = 0x0F;

// Rows 5 and 8 show the colours of the row above them.
unsigned colour_source(unsigned index) {
    const unsigned row = index / 4;
    return (row == 5 || row == 8) ? index - 4 : index;
}

void put(ExpectedDisplay &display, int x, int y, std::uint8_t colour) {
    display.colours[static_cast<std::size_t>(y * display_width + x)] = colour & low_nibble;
}

// Fills the picture area from a function of the picture pixel.
void draw_picture(ExpectedDisplay &display, const std::function<std::uint8_t(int, int)> &pixel) {
    for (int y = 0; y < picture_height; ++y) {
        for (int x = 0; x < picture_width; ++x) {
            put(display, picture_x + x, picture_y + y, pixel(x, y));
        }
    }
}

void draw_sprites(ExpectedDisplay &display, const TestSprites &sprites) {
    for (unsigned i = 0; i < test_sprite_count; ++i) {
        const auto &bitmap = sprites.bitmaps[i];
        const std::uint8_t colour = sprites.colours[colour_source(i)];
        const bool multicolour = sprites.multicolour[i % 4];
        for (int row = 0; row < sprite_height; ++row) {
            for (int x = 0; x < sprite_width; ++x) {
                const std::uint8_t byte = bitmap[static_cast<std::size_t>(row * 3 + x / 8)];
                int value = 0;
                if (multicolour) {
                    const int pair = (byte >> (6 - (x % 8) / 2 * 2)) & 3;
                    const std::uint8_t pair_colours[] = {0, sprites.multicolour0, colour,
                                                         sprites.multicolour1};
                    if (pair == 0) {
                        continue;
                    }
                    value = pair_colours[pair];
                } else {
                    if (((byte >> (7 - x % 8)) & 1) == 0) {
                        continue;
                    }
                    value = colour;
                }
                put(display, sprite_display_x(i) + x, sprite_display_y(i) + row,
                    static_cast<std::uint8_t>(value));
            }
        }
    }
}

ExpectedDisplay background_display(std::uint8_t background) {
    return {std::vector<std::uint8_t>(display_width * display_height, background & low_nibble)};
}

} // namespace

int sprite_display_x(unsigned index) {
    const unsigned column = index % 4;
    return static_cast<int>(column) * sprite_width + (column >= 2 ? picture_width : 0);
}

int sprite_display_y(unsigned index) {
    return sprite_area_y + static_cast<int>(index / 4) * sprite_height;
}

ExpectedDisplay expected_display_mc(const TestMcPicture &picture, const TestSprites &sprites,
                                    bool with_sprites) {
    ExpectedDisplay display = background_display(picture.background);
    draw_picture(display, [&](int x, int y) -> std::uint8_t {
        const unsigned cell = static_cast<unsigned>((y / 8) * cells_across + x / 8);
        const std::uint8_t byte = picture.bitmap[cell * 8 + static_cast<unsigned>(y % 8)];
        switch ((byte >> (6 - (x % 8) / 2 * 2)) & 3) {
        case 1:
            return picture.screen[cell] >> 4;
        case 2:
            return picture.screen[cell] & low_nibble;
        case 3:
            return picture.colour[cell];
        default:
            return picture.background;
        }
    });
    if (with_sprites) {
        draw_sprites(display, sprites);
    }
    return display;
}

ExpectedDisplay expected_display_petscii(const TestPetsciiPicture &picture,
                                         const TestSprites &sprites,
                                         const std::vector<std::uint8_t> &charset_rom,
                                         bool with_sprites) {
    constexpr unsigned lower_case_set = 2048;
    ExpectedDisplay display = background_display(picture.background);
    const unsigned set = picture.lower_case ? lower_case_set : 0;
    draw_picture(display, [&](int x, int y) -> std::uint8_t {
        const unsigned cell = static_cast<unsigned>((y / 8) * cells_across + x / 8);
        const std::uint8_t glyph_row =
            charset_rom[set + picture.screen[cell] * 8u + static_cast<unsigned>(y % 8)];
        return ((glyph_row >> (7 - x % 8)) & 1) ? picture.colour[cell] : picture.background;
    });
    if (with_sprites) {
        draw_sprites(display, sprites);
    }
    return display;
}
