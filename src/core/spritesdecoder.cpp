#include "core/spritesdecoder.hpp"

#include "core/glib_ptr.hpp"
#include "core/pngreader.hpp"
#include "core/sprites.hpp"

#include <algorithm>
#include <cstdint>
#include <span>

namespace {

constexpr gsize load_address_size = 2;
// The attribute byte closes each 64-byte slot: bit 7 multicolour, bits 0-3 the sprite colour.
constexpr gsize attribute_offset = sprite_data_size;
constexpr std::uint8_t attribute_multicolor_bit = 0x80;
constexpr std::uint8_t attribute_colour_mask = 0x0f;
// Written files load at $2000: in the VIC's first bank, clear of its character ROM image at
// $1000-$1FFF, so a C64 sprite editor can show them where they land.
constexpr std::uint16_t written_load_address = 0x2000;

void set_failure(GError **error, const char *message) {
    g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, message);
}

// The border sprites of a PNG frame. They carry their colours as Sprite Pad attribute bytes do,
// one flag per sprite, and the shared multicolours besides.
int decode_png(std::span<const std::uint8_t> file, int initialise, GError **error) {
    PngreaderImage image;
    if (!pngreader_read_bytes(file, &image, error))
        return 0;
    if (!image.has_sprites) {
        set_failure(error, "A 320×200 image holds no sprites: only a 416×272 frame has the side "
                           "borders");
        return 0;
    }
    sprites_set_array_size(sprites_border_count);
    for (unsigned k = 0; k < sprites_border_count; k++) {
        const PngreaderSprite &sprite = image.sprites[k];
        if (initialise == 1) {
            sprites_init_at_index(k);
            sprites_set_multicolor_at_index(k, sprite.multicolor ? 1 : 0);
            sprites_set_color_at_index(k, sprite.colour);
        }
        sprites_set_data_at_index(k, sprite.data.data());
    }
    if (initialise == 1) {
        sprites_set_multicolor0(image.multicolor0);
        sprites_set_multicolor1(image.multicolor1);
    }
    pngreader_sprite_offences = image.sprite_offences;
    return 1;
}

} // namespace

int spritesdecoder_decode_sprites_file(const gchar *utf8_path, int attribute_byte_format,
                                       int initialise, GError **error) {
    const GCharPtr filename = glib_filename_from_utf8(utf8_path, error);
    if (!filename)
        return 0;
    gchar *raw = nullptr;
    gsize length{};
    if (!g_file_get_contents(filename.get(), &raw, &length, error))
        return 0;
    const GCharPtr contents{raw};
    const std::span<const std::uint8_t> bytes{reinterpret_cast<const std::uint8_t *>(raw), length};
    if (pngreader_has_signature(bytes))
        return decode_png(bytes, initialise, error);

    // At least one whole slot and nothing after the last one.
    if (length < load_address_size + sprite_slot_size ||
        (length - load_address_size) % sprite_slot_size != 0) {
        set_failure(error, "Unknown file format");
        return 0;
    }
    const auto count = static_cast<unsigned>(
        std::min<gsize>((length - load_address_size) / sprite_slot_size, G_MAXUINT));
    if (!sprites_set_array_size(count)) {
        set_failure(error, "Too many sprites in input file");
        return 0;
    }

    const std::span<const std::uint8_t> slots = bytes.subspan(load_address_size);
    const auto slot = [&](unsigned k) { return slots.subspan(sprite_slot_size * k); };
    // One multicolour setting for the whole file, as the editor has one check button for it.
    const std::int32_t multicolor = (slot(0)[attribute_offset] & attribute_multicolor_bit) ? 1 : 0;

    for (unsigned k = 0; k < count; k++) {
        if (initialise == 1) {
            sprites_init_at_index(k);
            if (attribute_byte_format == sprites_attribute_format_sprite_pad) {
                const std::uint8_t attribute =
                    slot(sprites_get_colour_source_index(k))[attribute_offset];
                sprites_set_multicolor_at_index(k, multicolor);
                sprites_set_color_at_index(k, attribute & attribute_colour_mask);
            }
        }
        sprites_set_data_at_index(k, slot(k).data());
    }
    pngreader_sprite_offences.clear();
    return 1;
}

std::vector<std::uint8_t> spritesdecoder_build_sprites_file() {
    const unsigned count = sprites_get_array_size();
    std::vector<std::uint8_t> file(load_address_size + sprite_slot_size * count);
    file[0] = static_cast<std::uint8_t>(written_load_address);
    file[1] = static_cast<std::uint8_t>(written_load_address >> 8);
    for (unsigned k = 0; k < count; k++) {
        const SpriteRecord *record = sprites_get_record_at_index(k);
        const auto slot =
            file.begin() + static_cast<std::ptrdiff_t>(load_address_size + sprite_slot_size * k);
        std::copy_n(record->data, sprite_data_size, slot);
        slot[attribute_offset] =
            static_cast<std::uint8_t>((record->multicolor == 1 ? attribute_multicolor_bit : 0) |
                                      (record->color & attribute_colour_mask));
    }
    return file;
}
