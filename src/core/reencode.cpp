#include "core/reencode.hpp"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr int columns = 40;
constexpr int rows = 25;
constexpr int cell_width = 4; // double-wide pixels per cell row
constexpr int cell_height = 8;
constexpr int image_width = reencode_image_width;
constexpr int image_height = reencode_image_height;
static_assert(image_width == columns * cell_width && image_height == rows * cell_height);

// A pair colour that no colour index equals: the pair never held a colour. Its low nibble
// (13) is what lands in screen and colour RAM for a pair that no pixel of the cell uses.
constexpr std::uint8_t pair_unused = 0xBD;

// Bit pairs of a multicolour byte: 00 background, 01 screen high nibble, 10 screen low
// nibble, 11 colour RAM.
constexpr std::uint8_t bits_background = 0;
constexpr std::uint8_t bits_pair1 = 1;
constexpr std::uint8_t bits_pair2 = 2;
constexpr std::uint8_t bits_pair3 = 3;

constexpr int pixel_shift(int x) {
    return 6 - 2 * x;
} // leftmost pixel in bits 7-6

std::size_t pixel_index(int cell, int k, int x) {
    const int row = cell / columns * cell_height + k;
    const int column = cell % columns * cell_width + x;
    return static_cast<std::size_t>(row) * image_width + static_cast<std::size_t>(column);
}

std::vector<std::uint8_t> expand(const PictureData &input, std::uint8_t background) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(image_width) * image_height);
    for (int cell = 0; cell < picture_cell_count; ++cell) {
        const auto colours = std::to_array<std::uint8_t>(
            {background, static_cast<std::uint8_t>(input.screen_ram[cell] >> 4),
             static_cast<std::uint8_t>(input.screen_ram[cell] & 0x0F),
             static_cast<std::uint8_t>(input.color_ram[cell] & 0x0F)});
        for (int k = 0; k < cell_height; ++k) {
            const std::uint8_t byte = input.bitmap[cell * cell_height + k];
            for (int x = 0; x < cell_width; ++x) {
                image[pixel_index(cell, k, x)] = colours[(byte >> pixel_shift(x)) & 3];
            }
        }
    }
    return image;
}

// Colours of bit pairs 01, 10 and 11, carried from cell to cell.
using PairColours = std::array<std::uint8_t, 3>;

// Bubble sort with n - 1 passes; the second compare drops out of the last pass, so with two
// colours only pairs 01 and 10 are ordered.
void sort_pairs(PairColours &p, int n) {
    for (int k = n; k >= 2; --k) {
        if (p[0] > p[1]) {
            std::swap(p[0], p[1]);
        }
        if (k != 2 && p[1] > p[2]) {
            std::swap(p[1], p[2]);
        }
    }
}

std::uint8_t bits_for(std::uint8_t c, std::uint8_t background, const PairColours &p) {
    if (c == background) {
        return bits_background;
    }
    if (c == p[0]) {
        return bits_pair1;
    }
    if (c == p[1]) {
        return bits_pair2;
    }
    return bits_pair3;
}

} // namespace

void reencode_process_picture_mc(const PictureData *input, PictureData *output) {
    const std::uint8_t background = input->background_color & 0x0F;
    reencode_process_image_mc(expand(*input, background), background, output);
}

void reencode_process_image_mc(std::span<const std::uint8_t> image, std::uint8_t background,
                               PictureData *output) {
    PairColours p{pair_unused, pair_unused, pair_unused};

    for (int cell = 0; cell < picture_cell_count; ++cell) {
        std::array<bool, std::tuple_size_v<PairColours>> used{};
        int n = 0;

        // Colours that already sit in a pair keep it, so equal neighbours encode alike.
        for (int k = 0; k < cell_height; ++k) {
            for (int x = 0; x < cell_width; ++x) {
                const std::uint8_t c = image[pixel_index(cell, k, x)];
                for (int pair = 0; pair < 3; ++pair) {
                    if (!used[pair] && c == p[pair]) {
                        used[pair] = true;
                        ++n;
                        break;
                    }
                }
            }
        }

        // New colours take the free pairs in order.
        for (int k = 0; k < cell_height; ++k) {
            for (int x = 0; x < cell_width; ++x) {
                const std::uint8_t c = image[pixel_index(cell, k, x)];
                if ((used[0] && c == p[0]) || (used[1] && c == p[1]) || (used[2] && c == p[2]) ||
                    c == background) {
                    continue;
                }
                ++n;
                for (int pair = 0; pair < 3; ++pair) {
                    if (!used[pair]) {
                        p[pair] = c;
                        used[pair] = true;
                        break;
                    }
                }
            }
        }

        if (n >= 2) {
            sort_pairs(p, n);
        }

        for (int k = 0; k < cell_height; ++k) {
            std::uint8_t byte = 0;
            for (int x = 0; x < cell_width; ++x) {
                const std::uint8_t c = image[pixel_index(cell, k, x)];
                byte |= static_cast<std::uint8_t>(bits_for(c, background, p) << pixel_shift(x));
            }
            output->bitmap[cell * cell_height + k] = byte;
        }
        output->screen_ram[cell] = static_cast<std::uint8_t>((p[0] << 4) | (p[1] & 0x0F));
        output->color_ram[cell] = p[2] & 0x0F;
    }
    output->background_color = background;
}
