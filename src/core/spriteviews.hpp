#pragma once
// The pixel side of the sprite views: the two side-border images and the sprite-list page at
// zoom 1, where the slots lie, the selection frames' geometry, and the composed screen that the
// PNG export saves. Display-free; the GUI only scales these images and strokes the frames.

#include "core/glib_ptr.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <vector>

// The whole display in hires pixels: 48-pixel side borders around the 320x200 picture, with
// 48-pixel open strips above and below it.
constexpr int spriteviews_border_width = 48;
constexpr int spriteviews_border_height = 296;
constexpr int spriteviews_screen_width = 416;
constexpr int spriteviews_picture_x = 48;
constexpr int spriteviews_picture_y = 48;
constexpr int spriteviews_right_border_x = 368;
// The sprite list page: 8 columns by 5 rows of sprite slots.
constexpr int spriteviews_list_columns = 8;
constexpr int spriteviews_list_rows = 5;
constexpr int spriteviews_list_width = 192;
constexpr int spriteviews_list_height = 105;
// The PNG export keeps the rows of the display a monitor normally shows.
constexpr int spriteviews_export_top = 13;
constexpr int spriteviews_export_height = 272;

// options_selection_method: how selected sprites stand out.
constexpr int spriteviews_method_frame = 0;
constexpr int spriteviews_method_alpha = 1;
constexpr int spriteviews_method_both = 2;

constexpr int spriteviews_alpha_selected = 255;
constexpr int spriteviews_alpha_unselected = 192;

enum class SpriteviewsSide { left, right };

struct SpriteviewsRect {
    int x;
    int y;
    int width;
    int height;
    bool operator==(const SpriteviewsRect &) const = default;
};

// Overall alpha a sprite is composited with.
int spriteviews_get_sprite_alpha(int method, std::int32_t selected);
bool spriteviews_method_draws_frames(int method);

// The picture's background when a picture that is not hires is loaded, else the sprites'.
std::uint8_t spriteviews_get_display_background_index(int picture_loaded, int picture_format,
                                                      std::uint8_t picture_background);

SpriteviewsSide spriteviews_get_side_of_index(unsigned index);
// Slot of a border sprite (index below 40) in its border's image.
SpriteviewsRect spriteviews_get_border_slot(unsigned index);
// The rows of a border image in which sprites show; slot parts outside keep the fill.
SpriteviewsRect spriteviews_get_visible_band(SpriteviewsSide side);
// The rectangle to stroke round the slot at (x, y) shown at the given zoom.
SpriteviewsRect spriteviews_get_frame_rect(int x, int y, int zoom);
// Frames of the selected sprites in use, in zoomed area coordinates; empty when the method
// marks selection by alpha only.
std::vector<SpriteviewsRect> spriteviews_get_border_frames(SpriteviewsSide side, int method,
                                                           int zoom);
std::vector<SpriteviewsRect> spriteviews_get_list_frames(unsigned first_row, int method, int zoom);

// Composites the sprites of one border into its image, each limited to its slot and the band.
void spriteviews_paint_border(GdkPixbuf *pixbuf, SpriteviewsSide side, int method);
// Fills the border image with the background colour, then paints its sprites.
void spriteviews_repaint_border(GdkPixbuf *pixbuf, SpriteviewsSide side, int method,
                                std::uint8_t background);
// Composites the list page starting at first_row, sprites drawn on their own background.
void spriteviews_paint_list(GdkPixbuf *pixbuf, unsigned first_row, int method);
// Fills the list image with opaque black, then paints the page.
void spriteviews_repaint_list(GdkPixbuf *pixbuf, unsigned first_row, int method);

PixbufPtr spriteviews_new_border_pixbuf(SpriteviewsSide side, int method, std::uint8_t background);
PixbufPtr spriteviews_new_list_pixbuf(unsigned first_row, int method);

// The 416x272 exported screen: both border images and the picture on the background colour.
// Null sources are left out.
PixbufPtr spriteviews_compose_screen_pixbuf(const GdkPixbuf *left_border,
                                            const GdkPixbuf *right_border, const GdkPixbuf *picture,
                                            std::uint8_t background);

// Writes the exported screen of the store's border sprites and the picture image as a PNG
// file, replacing any old file in one step so that a failed write leaves nothing half-written.
gboolean spriteviews_save_screen_png(const gchar *utf8_path, const GdkPixbuf *picture, int method,
                                     std::uint8_t background, GError **error);
