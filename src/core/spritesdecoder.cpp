#include "core/spritesdecoder.hpp"

#include "core/glib_ptr.hpp"
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

void set_failure(GError **error, const char *message) {
    g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, message);
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

    const std::span<const std::uint8_t> slots{reinterpret_cast<const std::uint8_t *>(raw) +
                                                  load_address_size,
                                              length - load_address_size};
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
    return 1;
}
