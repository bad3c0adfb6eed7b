#include "core/spritesdecoder.hpp"

#include "core/glib_ptr.hpp"
#include "core/pngreader.hpp"
#include "core/spritepad.hpp"
#include "core/sprites.hpp"

#include <algorithm>
#include <cstdint>
#include <span>

namespace {

constexpr gsize load_address_size = 2;
// The attribute byte closes each 64-byte slot.
constexpr gsize attribute_offset = sprite_data_size;
// Written files load at $2000: in the VIC's first bank, clear of its character ROM image at
// $1000-$1FFF, so a C64 sprite editor can show them where they land.
constexpr std::uint16_t written_load_address = 0x2000;

// Where the records' colours and multicolour flags come from.
enum class Attributes {
    ignore,
    first_slot_multicolor, // one multicolour setting for the file, as the editor's check button
    own_multicolor,        // SpritePad's own files: every sprite its own flag
};

void set_failure(GError **error, const char *message) {
    g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, message);
}

std::span<const std::uint8_t> slot(std::span<const std::uint8_t> slots, unsigned k) {
    return slots.subspan(sprite_slot_size * k, sprite_slot_size);
}

bool holds_pixels(std::span<const std::uint8_t> slot) {
    return std::any_of(slot.begin(), slot.begin() + sprite_data_size,
                       [](std::uint8_t byte) { return byte != 0; });
}

// Records 0 to count - 1 from the slots; the store already holds count records.
void fill_records(std::span<const std::uint8_t> slots, unsigned count, int initialise,
                  Attributes attributes) {
    const bool first_multicolor =
        (slot(slots, 0)[attribute_offset] & spritepad_attribute_multicolor_bit) != 0;
    for (unsigned k = 0; k < count; k++) {
        if (initialise == 1) {
            sprites_init_at_index(k);
            if (attributes != Attributes::ignore) {
                const std::uint8_t own = slot(slots, k)[attribute_offset];
                const bool multicolor = attributes == Attributes::own_multicolor
                                            ? (own & spritepad_attribute_multicolor_bit) != 0
                                            : first_multicolor;
                const std::uint8_t colour =
                    slot(slots, sprites_get_colour_source_index(k))[attribute_offset];
                sprites_set_multicolor_at_index(k, multicolor ? 1 : 0);
                sprites_set_color_at_index(k, colour & spritepad_attribute_colour_mask);
            }
        }
        sprites_set_data_at_index(k, slot(slots, k).data());
    }
}

int decode_raw(std::span<const std::uint8_t> bytes, int attribute_byte_format, int initialise,
               GError **error) {
    // At least one whole slot and nothing after the last one.
    if (bytes.size() < load_address_size + sprite_slot_size ||
        (bytes.size() - load_address_size) % sprite_slot_size != 0) {
        set_failure(error, "Unknown file format");
        return 0;
    }
    const auto count = static_cast<unsigned>(
        std::min<gsize>((bytes.size() - load_address_size) / sprite_slot_size, G_MAXUINT));
    if (!sprites_set_array_size(count)) {
        set_failure(error, "Too many sprites in input file");
        return 0;
    }
    fill_records(bytes.subspan(load_address_size), count, initialise,
                 attribute_byte_format == sprites_attribute_format_sprite_pad
                     ? Attributes::first_slot_multicolor
                     : Attributes::ignore);
    return 1;
}

// SpritePad files carry their colours, whatever the attribute byte preference says.
int decode_spritepad(std::span<const std::uint8_t> bytes, int initialise, GError **error) {
    SpritePadSheet sheet{};
    if (!spritepad_read_sheet(bytes, &sheet, error)) {
        return 0;
    }
    // SpritePad saves all its slots: a tail beyond the store's capacity must be empty.
    unsigned count = sheet.count;
    if (count > sprites_capacity) {
        unsigned filled = 0;
        bool beyond = false;
        for (unsigned k = 0; k < count; k++) {
            if (holds_pixels(slot(sheet.slots, k))) {
                filled++;
                beyond = beyond || k >= sprites_capacity;
            }
        }
        if (beyond) {
            g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                        "Too many sprites in input file: %u hold pixels, at most %u fit", filled,
                        sprites_capacity);
            return 0;
        }
        count = sprites_capacity;
    }
    sprites_set_array_size(count);
    fill_records(sheet.slots, count, initialise, Attributes::own_multicolor);
    if (initialise == 1) {
        sprites_set_multicolor0(sheet.multicolor1);
        sprites_set_multicolor1(sheet.multicolor2);
    }
    return 1;
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
    const int decoded = spritepad_is_spritepad(bytes)
                            ? decode_spritepad(bytes, initialise, error)
                            : decode_raw(bytes, attribute_byte_format, initialise, error);
    if (decoded == 1)
        pngreader_sprite_offences.clear();
    return decoded;
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
        slot[attribute_offset] = static_cast<std::uint8_t>(
            (record->multicolor == 1 ? spritepad_attribute_multicolor_bit : 0) |
            (record->color & spritepad_attribute_colour_mask));
    }
    return file;
}

std::vector<std::uint8_t> spritesdecoder_build_spritepad_file() {
    const std::vector<std::uint8_t> raw = spritesdecoder_build_sprites_file();
    return spritepad_write_v1(sprites_get_background_color(), sprites_get_multicolor0(),
                              sprites_get_multicolor1(), std::span(raw).subspan(load_address_size));
}

std::vector<std::uint8_t> spritesdecoder_build_file_for_name(const gchar *utf8_path) {
    const GCharPtr folded{g_utf8_casefold(utf8_path, -1)};
    return g_str_has_suffix(folded.get(), spritepad_v1_extension)
               ? spritesdecoder_build_spritepad_file()
               : spritesdecoder_build_sprites_file();
}
