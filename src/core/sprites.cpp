#include "core/sprites.hpp"

#include "core/glib_ptr.hpp"
#include "core/palette.hpp"
#include "core/spritepixbufs.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

// C64 colour numbers of the defaults.
constexpr std::uint8_t colour_blue = 6;
constexpr std::uint8_t colour_light_red = 10;

constexpr std::uint8_t default_sprite_colour = sprites_fresh_colour;
constexpr std::uint8_t default_linked_colour = colour_light_red;
constexpr std::uint8_t default_background_colour = colour_blue;
constexpr std::uint8_t default_multicolor0 = sprites_default_multicolor0;
constexpr std::uint8_t default_multicolor1 = sprites_default_multicolor1;

constexpr std::int32_t no_anchor = -1;
constexpr unsigned sprite_bytes_per_row = 3;

// The template is drawn in double-width pixels on a 12 x 21 grid, like a multicolour sprite.
constexpr unsigned grid_columns = 12;
constexpr unsigned glyph_height = 6;
using Glyph = std::array<std::string_view, glyph_height>;

constexpr std::array<Glyph, 10> digit_glyphs = {{
    {"XXX", "X.X", "X.X", "X.X", "X.X", "XXX"},
    {".X.", "XX.", ".X.", ".X.", ".X.", "XXX"},
    {"XXX", "X.X", "..X", ".X.", "X..", "XXX"},
    {"XXX", "..X", ".XX", "..X", "..X", "XXX"},
    {"X.X", "X.X", "X.X", "XXX", "..X", "..X"},
    {"XXX", "X..", "XXX", "..X", "..X", "XXX"},
    {"XXX", "X..", "XXX", "X.X", "X.X", "XXX"},
    {"XXX", "..X", "..X", "..X", "..X", "..X"},
    {"XXX", "X.X", "XXX", "X.X", "X.X", "XXX"},
    {"XXX", "X.X", "X.X", "XXX", "..X", "XXX"},
}};
constexpr Glyph glyph_left = {"X..", "X..", "X..", "X..", "X..", "XXX"};
constexpr Glyph glyph_right = {"XXX", "X.X", "XX.", "X.X", "X.X", "X.X"};

constexpr unsigned letter_column = 4;
constexpr unsigned letter_row = 3;
constexpr unsigned tens_column = 2;
constexpr unsigned units_column = 6;
constexpr unsigned number_row = 11;
constexpr unsigned top_rows_cleared = 8;          // entries 0-3: rows 0-7
constexpr unsigned first_bottom_row_cleared = 19; // entries 36-39: rows 19 and 20
constexpr std::uint8_t template_unused_byte = 1;

using TemplateEntry = std::array<std::uint8_t, sprite_slot_size>;

constexpr void set_cell(TemplateEntry &entry, unsigned column, unsigned row) {
    // Cell k covers pixels 2k and 2k+1: one bit pair, most significant pair leftmost.
    entry[sprite_bytes_per_row * row + column / 4] |=
        static_cast<std::uint8_t>(3u << (6 - 2 * (column % 4)));
}

constexpr void clear_row(TemplateEntry &entry, unsigned row) {
    for (unsigned b = 0; b < sprite_bytes_per_row; b++)
        entry[sprite_bytes_per_row * row + b] = 0;
}

constexpr void draw_glyph(TemplateEntry &entry, const Glyph &glyph, unsigned column, unsigned row) {
    for (unsigned r = 0; r < glyph_height; r++)
        for (unsigned c = 0; c < glyph[r].size(); c++)
            if (glyph[r][c] == 'X')
                set_cell(entry, column + c, row + r);
}

constexpr TemplateEntry build_template_entry(unsigned index) {
    TemplateEntry entry{};
    for (unsigned row = 0; row < sprite_height; row++) {
        set_cell(entry, 0, row);
        set_cell(entry, grid_columns - 1, row);
    }
    for (unsigned column = 0; column < grid_columns; column++) {
        set_cell(entry, column, 0);
        set_cell(entry, column, sprite_height - 1);
    }
    draw_glyph(entry, sprites_is_left_index(index) ? glyph_left : glyph_right, letter_column,
               letter_row);
    // Each border holds two sprites per row, numbered 00-19 from the top.
    const unsigned number = 2 * (index / 4) + index % 2;
    draw_glyph(entry, digit_glyphs[number / 10], tens_column, number_row);
    draw_glyph(entry, digit_glyphs[number % 10], units_column, number_row);
    if (index < 4)
        for (unsigned row = 0; row < top_rows_cleared; row++)
            clear_row(entry, row);
    if (index >= sprites_border_count - 4)
        for (unsigned row = first_bottom_row_cleared; row < sprite_height; row++)
            clear_row(entry, row);
    entry[sprite_data_size] = template_unused_byte;
    return entry;
}

constexpr std::array<TemplateEntry, sprites_border_count> build_template() {
    std::array<TemplateEntry, sprites_border_count> entries{};
    for (unsigned i = 0; i < sprites_border_count; i++)
        entries[i] = build_template_entry(i);
    return entries;
}

constexpr std::array<TemplateEntry, sprites_border_count> sprite_template = build_template();

std::array<SpriteRecord, sprites_capacity> sprite_array;
unsigned n_sprites = sprites_border_count;
std::uint8_t background_color_index = default_background_colour;
std::uint8_t multicolor0_index = default_multicolor0;
std::uint8_t multicolor1_index = default_multicolor1;
std::int32_t last_selected_sprite_index = no_anchor;
std::int32_t last_selected_sprite_index_left = no_anchor;
std::int32_t last_selected_sprite_index_right = no_anchor;

// The linked sprites and the sprites they follow start light red.
constexpr bool has_linked_default_colour(unsigned index) {
    return sprites_is_linked_index(index) ||
           sprites_is_linked_index(index + sprites_linked_distance);
}

void load_template() {
    for (unsigned i = 0; i < sprites_capacity; i++)
        sprites_template_at_index(i);
    for (unsigned i = 0; i < sprites_border_count; i++) {
        std::memcpy(sprite_array[i].data, sprite_template[i].data(), sprite_data_size);
        if (has_linked_default_colour(i))
            sprite_array[i].color = default_linked_colour;
    }
    n_sprites = sprites_border_count;
    background_color_index = default_background_colour;
    multicolor0_index = default_multicolor0;
    multicolor1_index = default_multicolor1;
}

void clear_anchors() {
    last_selected_sprite_index = no_anchor;
    last_selected_sprite_index_left = no_anchor;
    last_selected_sprite_index_right = no_anchor;
}

void clear_all_selected() {
    for (auto &record : sprite_array)
        record.selected = 0;
}

std::int32_t &side_anchor_of(unsigned index) {
    return sprites_is_left_index(index) ? last_selected_sprite_index_left
                                        : last_selected_sprite_index_right;
}

void anchor_at(unsigned index) {
    last_selected_sprite_index = static_cast<std::int32_t>(index);
    side_anchor_of(index) = static_cast<std::int32_t>(index);
}

enum class RangeSides { both, left, right };

// Selects the indices between index and anchor (both included) that lie on the given side.
int select_range(unsigned index, std::int32_t anchor, std::int32_t value, std::int32_t clear,
                 RangeSides sides) {
    if (index >= n_sprites || anchor < 0)
        return 0;
    if (clear == 1) {
        clear_all_selected();
        if (sides != RangeSides::both)
            last_selected_sprite_index = no_anchor;
        if (sides != RangeSides::left)
            last_selected_sprite_index_left = no_anchor;
        if (sides != RangeSides::right)
            last_selected_sprite_index_right = no_anchor;
    }
    if (value != 1)
        return 0;
    const unsigned first = std::min(index, static_cast<unsigned>(anchor));
    const unsigned last = std::max(index, static_cast<unsigned>(anchor));
    for (unsigned i = first; i <= last; i++) {
        const bool wanted =
            sides == RangeSides::both || (sides == RangeSides::left) == sprites_is_left_index(i);
        if (wanted)
            sprite_array[i].selected = 1;
    }
    return 1;
}

} // namespace

std::span<const std::uint8_t, sprite_slot_size> sprites_get_template_entry(unsigned index) {
    return sprite_template.at(index);
}

void sprites_module_init() {
    for (auto &record : sprite_array)
        record.selected = 1;
    load_template();
    clear_anchors();
}

void sprites_set_template() {
    load_template();
}

int sprites_set_array_size(unsigned count) {
    if (count > sprites_capacity)
        return 0;
    n_sprites = count;
    return 1;
}

unsigned sprites_get_array_size() {
    return n_sprites;
}

void sprites_init_at_index(unsigned index) {
    sprites_template_at_index(index);
    sprite_array[index].selected = 1;
}

void sprites_template_at_index(unsigned index) {
    SpriteRecord &record = sprite_array[index];
    std::memset(record.data, 0, sprite_data_size);
    record.multicolor = 0;
    record.color = default_sprite_colour;
}

void sprites_cleanup() {
    for (unsigned i = 0; i < n_sprites; i++)
        sprites_init_at_index(i);
    n_sprites = 0;
}

void sprites_delete_sprite_at_index(unsigned index) {
    if (index >= n_sprites)
        return;
    sprites_init_at_index(index);
    // Later sprites move up one place; the selection stays where it was on screen.
    for (unsigned j = index; j + 1 < n_sprites; j++) {
        std::memcpy(sprite_array[j].data, sprite_array[j + 1].data, sprite_data_size);
        sprite_array[j].multicolor = sprite_array[j + 1].multicolor;
        sprite_array[j].color = sprite_array[j + 1].color;
    }
    n_sprites--;
}

int sprites_set_data_at_index(unsigned index, const std::uint8_t *bytes) {
    if (index >= n_sprites)
        return 0;
    std::memcpy(sprite_array[index].data, bytes, sprite_data_size);
    return 1;
}

int sprites_set_multicolor_at_index(unsigned index, std::int32_t flag) {
    if (index >= n_sprites)
        return 0;
    sprite_array[index].multicolor = flag;
    return 1;
}

int sprites_set_color_at_index(unsigned index, std::uint8_t colour) {
    if (index >= n_sprites)
        return 0;
    sprite_array[index].color = colour;
    return 1;
}

int sprites_get_multicolor_at_index(unsigned index, std::int32_t *out) {
    const bool in_use = index < n_sprites;
    *out = in_use ? sprite_array[index].multicolor : 0;
    return in_use ? 1 : 0;
}

int sprites_get_color_at_index(unsigned index, std::uint8_t *out) {
    const bool in_use = index < n_sprites;
    *out = in_use ? sprite_array[index].color : 0;
    return in_use ? 1 : 0;
}

int sprites_get_selected_at_index(unsigned index, std::int32_t *out) {
    const bool in_use = index < n_sprites;
    *out = in_use ? sprite_array[index].selected : 0;
    return in_use ? 1 : 0;
}

const SpriteRecord *sprites_get_record_at_index(unsigned index) {
    return index < n_sprites ? &sprite_array[index] : nullptr;
}

void sprites_set_background_color(std::uint8_t colour) {
    background_color_index = colour;
}
void sprites_set_multicolor0(std::uint8_t colour) {
    multicolor0_index = colour;
}
void sprites_set_multicolor1(std::uint8_t colour) {
    multicolor1_index = colour;
}
std::uint8_t sprites_get_background_color() {
    return background_color_index;
}
std::uint8_t sprites_get_multicolor0() {
    return multicolor0_index;
}
std::uint8_t sprites_get_multicolor1() {
    return multicolor1_index;
}

void sprites_set_multicolor_for_all(std::int32_t flag) {
    for (auto &record : sprite_array)
        record.multicolor = flag;
}

void sprites_set_multicolor_for_selection(std::int32_t flag) {
    for (auto &record : sprite_array)
        if (record.selected == 1)
            record.multicolor = flag;
}

void sprites_set_color_for_selection(std::uint8_t colour) {
    for (auto &record : sprite_array)
        if (record.selected == 1)
            record.color = colour;
}

unsigned sprites_get_selected_count() {
    return static_cast<unsigned>(std::ranges::count_if(
        sprite_array, [](const SpriteRecord &record) { return record.selected == 1; }));
}

unsigned sprites_copy_bitmaps(std::uint8_t *dest, unsigned max) {
    const unsigned count = std::min(n_sprites, max);
    for (unsigned i = 0; i < count; i++)
        std::memcpy(dest + sprite_slot_size * i, sprite_array[i].data, sprite_data_size);
    return count;
}

int sprites_set_selected_at_index(unsigned index, std::int32_t value) {
    if (index >= n_sprites)
        return 0;
    sprite_array[index].selected = value;
    if (value == 1)
        anchor_at(index);
    else
        clear_anchors();
    return 1;
}

int sprites_toggle_selected_at_index(unsigned index) {
    if (index >= n_sprites)
        return 0;
    return sprites_set_selected_at_index(index, sprite_array[index].selected == 1 ? 0 : 1);
}

void sprites_select_none() {
    clear_all_selected();
    clear_anchors();
}

void sprites_select_all() {
    for (auto &record : sprite_array)
        record.selected = 1;
    clear_anchors();
}

void sprites_select_all_left() {
    for (unsigned i = 0; i < sprites_capacity; i++)
        if (sprites_is_left_index(i))
            sprite_array[i].selected = 1;
    last_selected_sprite_index = no_anchor;
    last_selected_sprite_index_left = no_anchor;
}

void sprites_select_all_right() {
    for (unsigned i = 0; i < sprites_capacity; i++)
        if (!sprites_is_left_index(i))
            sprite_array[i].selected = 1;
    last_selected_sprite_index = no_anchor;
    last_selected_sprite_index_right = no_anchor;
}

int sprites_set_selected_to_index(unsigned index, std::int32_t value, std::int32_t clear) {
    return select_range(index, last_selected_sprite_index, value, clear, RangeSides::both);
}

int sprites_set_selected_to_index_left(unsigned index, std::int32_t value, std::int32_t clear) {
    return select_range(index, last_selected_sprite_index_left, value, clear, RangeSides::left);
}

int sprites_set_selected_to_index_right(unsigned index, std::int32_t value, std::int32_t clear) {
    return select_range(index, last_selected_sprite_index_right, value, clear, RangeSides::right);
}

int sprites_set_selected_at_displaced_index_from_last(std::int32_t displacement, std::int32_t value,
                                                      unsigned *out) {
    if (last_selected_sprite_index < 0)
        return 0;
    // 64-bit so that no displacement can overflow the sum.
    const std::int64_t target = std::int64_t{last_selected_sprite_index} + displacement;
    const bool acting = displacement >= 0 ? target < std::int64_t{n_sprites} : target >= 0;
    if (!acting)
        return 0;
    const auto t = static_cast<unsigned>(target);
    clear_all_selected();
    *out = t;
    last_selected_sprite_index_left = no_anchor;
    last_selected_sprite_index_right = no_anchor;
    if (t >= n_sprites)
        return 0;
    sprite_array[t].selected = value;
    if (value == 1)
        anchor_at(t);
    else
        last_selected_sprite_index = no_anchor;
    return 1;
}

std::int32_t sprites_get_last_selected_index() {
    return last_selected_sprite_index;
}
std::int32_t sprites_get_last_selected_index_left() {
    return last_selected_sprite_index_left;
}
std::int32_t sprites_get_last_selected_index_right() {
    return last_selected_sprite_index_right;
}

void sprites_get_config_string(GString *text) {
    g_string_append_printf(text, "background_color_index=%d\n", background_color_index);
    g_string_append_printf(text, "multicolor0_index=%d\n", multicolor0_index);
    g_string_append_printf(text, "multicolor1_index=%d\n", multicolor1_index);
    g_string_append(text, "mc_flags=");
    for (unsigned i = 0; i < n_sprites; i++)
        g_string_append(text, sprite_array[i].multicolor == 1 ? "true;" : "false;");
    g_string_append(text, "\ncolor_indexes=");
    for (unsigned i = 0; i < n_sprites; i++)
        g_string_append_printf(text, "%d;", sprite_array[i].color);
    g_string_append(text, "\n");
}

namespace {

constexpr const char *config_group = "sprites";
constexpr std::uint8_t colour_index_mask = 15;

void read_shared_colour(GKeyFile *key_file, const char *key, std::uint8_t &colour) {
    if (!g_key_file_has_key(key_file, config_group, key, nullptr))
        return;
    // An unparsable value yields 0 from GLib, which is what it should read as.
    const gint value = g_key_file_get_integer(key_file, config_group, key, nullptr);
    colour = static_cast<std::uint8_t>(value & colour_index_mask);
}

} // namespace

void sprites_init_from_key_file(GKeyFile *key_file) {
    read_shared_colour(key_file, "background_color_index", background_color_index);
    read_shared_colour(key_file, "multicolor0_index", multicolor0_index);
    read_shared_colour(key_file, "multicolor1_index", multicolor1_index);

    gsize flag_count{};
    gsize colour_count{};
    std::unique_ptr<gboolean, GFreeDeleter> flags{
        g_key_file_get_boolean_list(key_file, config_group, "mc_flags", &flag_count, nullptr)};
    std::unique_ptr<gint, GFreeDeleter> colours{g_key_file_get_integer_list(
        key_file, config_group, "color_indexes", &colour_count, nullptr)};
    if (!flags)
        flag_count = 0;
    if (!colours)
        colour_count = 0;

    const gsize count = std::min({flag_count, colour_count, gsize{sprites_capacity}});
    for (gsize j = 0; j < count && j < n_sprites; j++) {
        sprite_array[j].multicolor = flags.get()[j] ? 1 : 0;
        // C++ remainder truncates toward zero: -1 stays -1 and is stored as the byte 255.
        sprite_array[j].color = static_cast<std::uint8_t>(colours.get()[j] % palette_colour_count);
    }
}

GdkPixbuf *sprites_get_at_index_mono(unsigned index, std::uint8_t background, std::uint8_t colour,
                                     std::int32_t transparent) {
    if (index >= n_sprites)
        return nullptr;
    GdkPixbuf *image = spritepixbufs_new_pixbuf();
    spritepixbufs_set_pixbuf_data_from_sprite_data_mono(image, sprite_array[index].data, background,
                                                        colour, transparent);
    return image;
}

GdkPixbuf *sprites_get_at_index_as_multicolor(unsigned index, const std::uint8_t *colours,
                                              std::int32_t transparent) {
    if (index >= n_sprites)
        return nullptr;
    GdkPixbuf *image = spritepixbufs_new_pixbuf();
    spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(image, sprite_array[index].data,
                                                              colours, transparent);
    return image;
}

GdkPixbuf *sprites_get_as_pixbuf_at_index(unsigned index, std::int32_t transparent) {
    if (index >= n_sprites)
        return nullptr;
    const SpriteRecord &record = sprite_array[index];
    if (record.multicolor == 0)
        return sprites_get_at_index_mono(index, background_color_index, record.color, transparent);
    // Bit pairs 00, 01, 10, 11: background, $D025, the sprite's own colour, $D026.
    const auto colours = std::to_array<std::uint8_t>(
        {background_color_index, multicolor0_index, record.color, multicolor1_index});
    return sprites_get_at_index_as_multicolor(index, colours.data(), transparent);
}
