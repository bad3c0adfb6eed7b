#include "core/spriteviews.hpp"

#include "core/hiresdecoder.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace {

constexpr int slot_rows = 10;
constexpr int slots_per_row = 4;
// The first sprite row starts eight lines above the picture; rows follow without a gap.
constexpr int first_slot_y = 40;
constexpr int slot_width = sprite_width;
constexpr int slot_height = sprite_height;
constexpr int second_column_x = slot_width;

// The viewer opens the side borders on 201 raster lines from one line above the picture. Each
// $D016 write opens that line's right border and the next line's left border, so the left band
// is the right band moved down one line.
constexpr int band_height = 201;
constexpr int left_band_top = 48;
constexpr int right_band_top = 47;

constexpr guint32 list_fill_black = 0x000000FF;
constexpr int transparent_background = 1;
constexpr int opaque_background = 0;

SpriteviewsRect intersect(const SpriteviewsRect &a, const SpriteviewsRect &b) {
    const int x0 = std::max(a.x, b.x);
    const int y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width);
    const int y1 = std::min(a.y + a.height, b.y + b.height);
    return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

bool is_empty(const SpriteviewsRect &rect) {
    return rect.width <= 0 || rect.height <= 0;
}

SpriteviewsRect bounds_of(const GdkPixbuf *pixbuf) {
    return {0, 0, gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf)};
}

// Source over destination, unscaled, with the origin of source at (x, y) of dest.
void composite_limited(const GdkPixbuf *source, GdkPixbuf *dest, const SpriteviewsRect &region,
                       int x, int y, int alpha) {
    gdk_pixbuf_composite(source, dest, region.x, region.y, region.width, region.height, x, y, 1.0,
                         1.0, GDK_INTERP_NEAREST, alpha);
}

void paint_sprite(GdkPixbuf *dest, unsigned index, const SpriteviewsRect &slot,
                  const SpriteviewsRect &region, int transparent, int method) {
    if (is_empty(region))
        return;
    const PixbufPtr image{sprites_get_as_pixbuf_at_index(index, transparent)};
    if (!image)
        return;
    std::int32_t selected{};
    sprites_get_selected_at_index(index, &selected);
    composite_limited(image.get(), dest, region, slot.x, slot.y,
                      spriteviews_get_sprite_alpha(method, selected));
}

// Index of the sprite in the slot at x 0 of a border row; the slot at x 24 holds the next one.
unsigned border_row_first_index(SpriteviewsSide side, int row) {
    return slots_per_row * static_cast<unsigned>(row) + (side == SpriteviewsSide::left ? 0 : 2);
}

bool is_selected_in_use(unsigned index) {
    std::int32_t selected{};
    return sprites_get_selected_at_index(index, &selected) && selected == 1;
}

PixbufPtr new_rgba(int width, int height) {
    return PixbufPtr{gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height)};
}

} // namespace

int spriteviews_get_sprite_alpha(int method, std::int32_t selected) {
    const bool dims_unselected =
        method == spriteviews_method_alpha || method == spriteviews_method_both;
    return (selected == 1 || !dims_unselected) ? spriteviews_alpha_selected
                                               : spriteviews_alpha_unselected;
}

bool spriteviews_method_draws_frames(int method) {
    return method == spriteviews_method_frame || method == spriteviews_method_both;
}

std::uint8_t spriteviews_get_display_background_index(int picture_loaded, int picture_format,
                                                      std::uint8_t picture_background) {
    if (picture_loaded && !picture_format_is_hires(picture_format))
        return picture_background;
    return sprites_get_background_color();
}

SpriteviewsSide spriteviews_get_side_of_index(unsigned index) {
    return sprites_is_left_index(index) ? SpriteviewsSide::left : SpriteviewsSide::right;
}

SpriteviewsRect spriteviews_get_border_slot(unsigned index) {
    const int row = static_cast<int>(index / slots_per_row);
    const int x = (index % 2) ? second_column_x : 0;
    return {x, first_slot_y + slot_height * row, slot_width, slot_height};
}

SpriteviewsRect spriteviews_get_visible_band(SpriteviewsSide side) {
    const int top = side == SpriteviewsSide::left ? left_band_top : right_band_top;
    return {0, top, spriteviews_border_width, band_height};
}

SpriteviewsRect spriteviews_get_frame_rect(int x, int y, int zoom) {
    // A one-pixel stroke inside the zoomed slot, so neighbouring frames do not overlap.
    return {x * zoom + 1, y * zoom + 1, slot_width * zoom - 1, slot_height * zoom - 1};
}

std::vector<SpriteviewsRect> spriteviews_get_border_frames(SpriteviewsSide side, int method,
                                                           int zoom) {
    std::vector<SpriteviewsRect> frames;
    if (!spriteviews_method_draws_frames(method))
        return frames;
    for (int row = 0; row < slot_rows; row++) {
        const unsigned first = border_row_first_index(side, row);
        for (const unsigned index : {first, first + 1}) {
            if (!is_selected_in_use(index))
                continue;
            const SpriteviewsRect slot = spriteviews_get_border_slot(index);
            frames.push_back(spriteviews_get_frame_rect(slot.x, slot.y, zoom));
        }
    }
    return frames;
}

std::vector<SpriteviewsRect> spriteviews_get_list_frames(unsigned first_row, int method, int zoom) {
    std::vector<SpriteviewsRect> frames;
    if (!spriteviews_method_draws_frames(method))
        return frames;
    for (int k = 0; k < spriteviews_list_rows; k++)
        for (int c = 0; c < spriteviews_list_columns; c++) {
            const std::uint64_t index =
                spriteviews_list_columns * (std::uint64_t{first_row} + k) + c;
            if (index >= sprites_capacity || !is_selected_in_use(static_cast<unsigned>(index)))
                continue;
            frames.push_back(spriteviews_get_frame_rect(slot_width * c, slot_height * k, zoom));
        }
    return frames;
}

void spriteviews_paint_border(GdkPixbuf *pixbuf, SpriteviewsSide side, int method) {
    const unsigned count = sprites_get_array_size();
    const SpriteviewsRect band = intersect(spriteviews_get_visible_band(side), bounds_of(pixbuf));
    for (int row = 0; row < slot_rows; row++) {
        const unsigned first = border_row_first_index(side, row);
        for (const unsigned index : {first + 1, first}) {
            if (index >= count)
                continue;
            const SpriteviewsRect slot = spriteviews_get_border_slot(index);
            paint_sprite(pixbuf, index, slot, intersect(slot, band), transparent_background,
                         method);
        }
    }
}

void spriteviews_repaint_border(GdkPixbuf *pixbuf, SpriteviewsSide side, int method,
                                std::uint8_t background) {
    gdk_pixbuf_fill(pixbuf, palette_get_rgba_fill(background));
    spriteviews_paint_border(pixbuf, side, method);
}

void spriteviews_paint_list(GdkPixbuf *pixbuf, unsigned first_row, int method) {
    const unsigned count = sprites_get_array_size();
    const SpriteviewsRect bounds = bounds_of(pixbuf);
    for (int k = 0; k < spriteviews_list_rows; k++)
        for (int c = 0; c < spriteviews_list_columns; c++) {
            const std::uint64_t index =
                spriteviews_list_columns * (std::uint64_t{first_row} + k) + c;
            if (index >= count)
                continue;
            const SpriteviewsRect slot = {slot_width * c, slot_height * k, slot_width, slot_height};
            paint_sprite(pixbuf, static_cast<unsigned>(index), slot, intersect(slot, bounds),
                         opaque_background, method);
        }
}

void spriteviews_repaint_list(GdkPixbuf *pixbuf, unsigned first_row, int method) {
    gdk_pixbuf_fill(pixbuf, list_fill_black);
    spriteviews_paint_list(pixbuf, first_row, method);
}

PixbufPtr spriteviews_new_border_pixbuf(SpriteviewsSide side, int method, std::uint8_t background) {
    PixbufPtr pixbuf = new_rgba(spriteviews_border_width, spriteviews_border_height);
    if (pixbuf)
        spriteviews_repaint_border(pixbuf.get(), side, method, background);
    return pixbuf;
}

PixbufPtr spriteviews_new_list_pixbuf(unsigned first_row, int method) {
    PixbufPtr pixbuf = new_rgba(spriteviews_list_width, spriteviews_list_height);
    if (pixbuf)
        spriteviews_repaint_list(pixbuf.get(), first_row, method);
    return pixbuf;
}

PixbufPtr spriteviews_compose_screen_pixbuf(const GdkPixbuf *left_border,
                                            const GdkPixbuf *right_border, const GdkPixbuf *picture,
                                            std::uint8_t background) {
    PixbufPtr screen = new_rgba(spriteviews_screen_width, spriteviews_border_height);
    if (!screen)
        return screen;
    gdk_pixbuf_fill(screen.get(), palette_get_rgba_fill(background));
    const SpriteviewsRect bounds = bounds_of(screen.get());
    const auto place = [&](const GdkPixbuf *source, int x, int y) {
        if (source == nullptr)
            return;
        const SpriteviewsRect area = {x, y, gdk_pixbuf_get_width(source),
                                      gdk_pixbuf_get_height(source)};
        const SpriteviewsRect region = intersect(area, bounds);
        if (!is_empty(region))
            composite_limited(source, screen.get(), region, x, y, spriteviews_alpha_selected);
    };
    place(left_border, 0, 0);
    place(right_border, spriteviews_right_border_x, 0);
    place(picture, spriteviews_picture_x, spriteviews_picture_y);
    // The sub-image holds a reference to the composed one, which it shares pixels with.
    return PixbufPtr{gdk_pixbuf_new_subpixbuf(screen.get(), 0, spriteviews_export_top,
                                              spriteviews_screen_width, spriteviews_export_height)};
}

gboolean spriteviews_save_screen_png(const gchar *utf8_path, const GdkPixbuf *picture, int method,
                                     std::uint8_t background, GError **error) {
    const PixbufPtr left = spriteviews_new_border_pixbuf(SpriteviewsSide::left, method, background);
    const PixbufPtr right =
        spriteviews_new_border_pixbuf(SpriteviewsSide::right, method, background);
    const PixbufPtr screen =
        spriteviews_compose_screen_pixbuf(left.get(), right.get(), picture, background);
    if (!left || !right || !screen) {
        g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "Could not create pixbuf");
        return FALSE;
    }
    const GCharPtr filename = glib_filename_from_utf8(utf8_path, error);
    gchar *buffer = nullptr;
    gsize size{};
    if (!filename ||
        !gdk_pixbuf_save_to_buffer(screen.get(), &buffer, &size, "png", error, nullptr)) {
        return FALSE;
    }
    const GCharPtr owned_buffer(buffer);
    return g_file_set_contents(filename.get(), buffer, static_cast<gssize>(size), error);
}
