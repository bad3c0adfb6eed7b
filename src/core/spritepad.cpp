#include "core/spritepad.hpp"

#include "core/sprites.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// 1.x: background, multicolour 1, multicolour 2, then the slots.
constexpr std::size_t v1_header_size = 3;

constexpr std::string_view spd_magic = "SPD";
constexpr std::size_t spd_version_offset = 3;

// Where an SPD version keeps its sprite count and colours, and where its slots start.
struct SpdLayout {
    std::uint8_t version;
    std::size_t count_offset;
    bool count_is_16_bits;      // little-endian; a single byte holds the count less one
    std::size_t colours_offset; // background, multicolour 1, multicolour 2
    std::size_t slots_offset;
};

// Versions 1 and 2: magic, version, sprites - 1, animations - 1, the colours. Version 5 (SpritePad
// 2): magic, version, flags, sprites and tiles (16 bits each), animation counts, tile size, the
// colours at 15-17 and the overlay distance, 20 bytes in all.
constexpr std::array spd_layouts{
    SpdLayout{1, 4, false, 6, 9},
    SpdLayout{2, 4, false, 6, 9},
    SpdLayout{5, 5, true, 15, 20},
};

void set_failure(GError **error, const gchar *message) {
    g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, message);
}

bool has_spd_magic(std::span<const std::uint8_t> bytes) {
    return bytes.size() > spd_version_offset &&
           std::equal(spd_magic.begin(), spd_magic.end(), bytes.begin());
}

} // namespace

bool spritepad_is_spritepad(std::span<const std::uint8_t> bytes) {
    return has_spd_magic(bytes) || (bytes.size() >= v1_header_size + sprite_slot_size &&
                                    (bytes.size() - v1_header_size) % sprite_slot_size == 0);
}

gboolean spritepad_read_sheet(std::span<const std::uint8_t> bytes, SpritePadSheet *sheet,
                              GError **error) {
    std::size_t colours_offset = 0;
    std::size_t slots_offset = v1_header_size;
    sheet->count = static_cast<unsigned>((bytes.size() - v1_header_size) / sprite_slot_size);
    if (has_spd_magic(bytes)) {
        const std::uint8_t version = bytes[spd_version_offset];
        const auto layout = std::find_if(spd_layouts.begin(), spd_layouts.end(),
                                         [&](const SpdLayout &l) { return l.version == version; });
        if (layout == spd_layouts.end()) {
            g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                        "SpritePad SPD version %u cannot be read (versions 1, 2 and 5 can)",
                        version);
            return FALSE;
        }
        if (bytes.size() < layout->slots_offset) {
            set_failure(error, "The SpritePad file ends before its first sprite");
            return FALSE;
        }
        const std::uint8_t *count = &bytes[layout->count_offset];
        sheet->count = layout->count_is_16_bits ? count[0] | count[1] << 8 : count[0] + 1u;
        colours_offset = layout->colours_offset;
        slots_offset = layout->slots_offset;
        if (sheet->count == 0) {
            set_failure(error, "The SpritePad file holds no sprites");
            return FALSE;
        }
        if (bytes.size() - slots_offset < std::size_t{sheet->count} * sprite_slot_size) {
            set_failure(error, "The SpritePad file ends before its last sprite");
            return FALSE;
        }
    }
    sheet->background = bytes[colours_offset] & spritepad_attribute_colour_mask;
    sheet->multicolor1 = bytes[colours_offset + 1] & spritepad_attribute_colour_mask;
    sheet->multicolor2 = bytes[colours_offset + 2] & spritepad_attribute_colour_mask;
    sheet->slots = bytes.subspan(slots_offset, std::size_t{sheet->count} * sprite_slot_size);
    return TRUE;
}

std::vector<std::uint8_t> spritepad_write_v1(std::uint8_t background, std::uint8_t multicolor1,
                                             std::uint8_t multicolor2,
                                             std::span<const std::uint8_t> slots) {
    std::vector<std::uint8_t> file(v1_header_size + slots.size());
    file[0] = background;
    file[1] = multicolor1;
    file[2] = multicolor2;
    std::copy(slots.begin(), slots.end(), file.begin() + v1_header_size);
    return file;
}
