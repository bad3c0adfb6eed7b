#pragma once
// The sprite store: 128 sprite records, the three shared sprite colours, the selection with its
// anchors, and the built-in numbered template.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include <cstdint>
#include <span>

constexpr unsigned sprites_capacity = 128;
constexpr unsigned sprite_data_size = 63;
constexpr unsigned sprite_width = 24;
constexpr unsigned sprite_height = 21;
constexpr unsigned sprites_border_count = 40; // sprites 0-39 stand in the side borders
constexpr unsigned sprite_slot_size = 64;     // a sprite slot in C64 memory: bitmap plus one byte

// A fresh record's colour (light green) and the shared multicolours of a fresh store (purple,
// light red).
constexpr std::uint8_t sprites_fresh_colour = 13;
constexpr std::uint8_t sprites_default_multicolor0 = 4;
constexpr std::uint8_t sprites_default_multicolor1 = 10;

struct SpriteRecord {
    std::uint8_t data[sprite_data_size];
    std::int32_t multicolor;
    std::uint8_t color;
    std::int32_t selected;
};

constexpr bool sprites_is_left_index(unsigned index) {
    return (index & 2) == 0;
}

// Sprites 20-23 and 32-35 follow the colour of the sprite four places earlier: the viewer
// program has no colour registers of its own for them.
constexpr unsigned sprites_linked_distance = 4;
constexpr bool sprites_is_linked_index(unsigned index) {
    return (index >= 20 && index <= 23) || (index >= 32 && index <= 35);
}
constexpr unsigned sprites_get_colour_source_index(unsigned index) {
    return sprites_is_linked_index(index) ? index - sprites_linked_distance : index;
}

// Entry i (0-39) of the built-in template: bytes 0-62 a bitmap, byte 63 unused (always 1).
std::span<const std::uint8_t, sprite_slot_size> sprites_get_template_entry(unsigned index);

void sprites_module_init();
void sprites_set_template();
int sprites_set_array_size(unsigned count);
unsigned sprites_get_array_size();
void sprites_init_at_index(unsigned index);
void sprites_template_at_index(unsigned index);
void sprites_cleanup();
void sprites_delete_sprite_at_index(unsigned index);

int sprites_set_data_at_index(unsigned index, const std::uint8_t *bytes);
int sprites_set_multicolor_at_index(unsigned index, std::int32_t flag);
int sprites_set_color_at_index(unsigned index, std::uint8_t colour);
int sprites_get_multicolor_at_index(unsigned index, std::int32_t *out);
int sprites_get_color_at_index(unsigned index, std::uint8_t *out);
int sprites_get_selected_at_index(unsigned index, std::int32_t *out);
// The record itself, for readers that need the bitmap; null out of range.
const SpriteRecord *sprites_get_record_at_index(unsigned index);

void sprites_set_background_color(std::uint8_t colour);
void sprites_set_multicolor0(std::uint8_t colour);
void sprites_set_multicolor1(std::uint8_t colour);
std::uint8_t sprites_get_background_color();
std::uint8_t sprites_get_multicolor0();
std::uint8_t sprites_get_multicolor1();

void sprites_set_multicolor_for_all(std::int32_t flag);
void sprites_set_multicolor_for_selection(std::int32_t flag);
void sprites_set_color_for_selection(std::uint8_t colour);
unsigned sprites_get_selected_count();

unsigned sprites_copy_bitmaps(std::uint8_t *dest, unsigned max);

int sprites_set_selected_at_index(unsigned index, std::int32_t value);
int sprites_toggle_selected_at_index(unsigned index);
void sprites_select_none();
void sprites_select_all();
void sprites_select_all_left();
void sprites_select_all_right();
int sprites_set_selected_to_index(unsigned index, std::int32_t value, std::int32_t clear);
int sprites_set_selected_to_index_left(unsigned index, std::int32_t value, std::int32_t clear);
int sprites_set_selected_to_index_right(unsigned index, std::int32_t value, std::int32_t clear);
int sprites_set_selected_at_displaced_index_from_last(std::int32_t displacement, std::int32_t value,
                                                      unsigned *out);
// The three anchors, for tests and the key handlers: -1 when unset.
std::int32_t sprites_get_last_selected_index();
std::int32_t sprites_get_last_selected_index_left();
std::int32_t sprites_get_last_selected_index_right();

void sprites_get_config_string(GString *text);
void sprites_init_from_key_file(GKeyFile *key_file);

// Images of single records (see spritepixbufs.hpp); the caller owns the result.
GdkPixbuf *sprites_get_as_pixbuf_at_index(unsigned index, std::int32_t transparent);
GdkPixbuf *sprites_get_at_index_mono(unsigned index, std::uint8_t background, std::uint8_t colour,
                                     std::int32_t transparent);
GdkPixbuf *sprites_get_at_index_as_multicolor(unsigned index, const std::uint8_t *colours,
                                              std::int32_t transparent);
