#include "gui/painting.hpp"

#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/pngreader.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/project_commands.hpp"
#include "gui/screen_geometry.hpp"
#include "gui/support.hpp"

#include <array>
#include <memory>
#include <vector>

GdkPixbuf *pixbuf_picture = nullptr;
GdkPixbuf *pixbuf_sprites = nullptr;
GdkPixbuf *pixbuf_left_border = nullptr;
GdkPixbuf *pixbuf_right_border = nullptr;
gchar *utf8_path_and_filename_picture = nullptr;

namespace {

constexpr int no_border_color = -1;
constexpr int c64_colour_count = 16;
// The sprite list shows its sprites twice as large as the borders do.
constexpr int list_zoom_factor = 2;

// The areas whose size follows the zoom, in the order they are resized.
struct AreaSize {
    const char *name;
    int width;
    int height;
};

constexpr std::array<AreaSize, 7> zoomed_areas{{
    {"drawingarea_upper_border", picture_width, open_border_height},
    {"drawingarea_lower_border", picture_width, open_border_height},
    {"drawingarea_left_border", side_border_width, side_border_height},
    {"drawingarea_right_border", side_border_width, side_border_height},
    {"drawingarea_picture", picture_width, picture_height},
    {"drawingarea_sprites", sprite_list_width, sprite_list_height},
    {"drawingarea_sprite_palette", palette_strip_width, palette_strip_height},
}};

GtkWidget *drawingarea_picture = nullptr;
GtkWidget *drawingarea_upper_border = nullptr;
GtkWidget *drawingarea_lower_border = nullptr;
GtkWidget *drawingarea_left_border = nullptr;
GtkWidget *drawingarea_right_border = nullptr;
GtkWidget *drawingarea_sprites = nullptr;

CairoPtr cairo_for(GtkWidget *widget) {
    return CairoPtr{gdk_cairo_create(gtk_widget_get_window(widget))};
}

void queue_draw(GtkWidget *widget) {
    if (widget != nullptr)
        gtk_widget_queue_draw(widget);
}

// The list page the scroll bar shows: its value is the first list row, cut to a whole row.
unsigned first_list_row() {
    if (window_main == nullptr)
        return 0;
    GtkWidget *scrollbar = lookup_widget(window_main, "vscrollbar_sprites");
    const int first = static_cast<int>(gtk_range_get_value(GTK_RANGE(scrollbar)));
    return first > 0 ? static_cast<unsigned>(first) : 0;
}

void paint_display_background(cairo_t *cr) {
    painting_set_source_colour(cr, painting_get_display_background_index());
    cairo_paint(cr);
}

// Puts image, enlarged zoom times without smoothing, into the exposed rectangle. Cairo enlarges
// while it paints, so only the small zoom-1 image travels to the X server.
void paint_zoomed(cairo_t *cr, const GdkPixbuf *image, int zoom, const GdkRectangle &exposed) {
    cairo_save(cr);
    gdk_cairo_rectangle(cr, &exposed);
    cairo_clip(cr);
    cairo_scale(cr, zoom, zoom);
    gdk_cairo_set_source_pixbuf(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, gdk_pixbuf_get_width(image), gdk_pixbuf_get_height(image));
    cairo_fill(cr);
    cairo_restore(cr);
}

struct FrameColour {
    double red;
    double green;
    double blue;
};
constexpr FrameColour selection_white = {1.0, 1.0, 1.0};
// Places of a PNG that break the C64's rules: magenta, which no C64 palette has, so the outline
// cannot be taken for part of the drawing.
constexpr FrameColour offence_magenta = {1.0, 0.0, 1.0};

// One frame: a one-pixel outline, sharp at every zoom.
void draw_rectangle_in_widget_with_cairo(cairo_t *cr, const SpriteviewsRect &frame,
                                         const FrameColour &colour) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, colour.red, colour.green, colour.blue);
    cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
    cairo_stroke(cr);
}

void draw_frames(cairo_t *cr, const std::vector<SpriteviewsRect> &frames,
                 const FrameColour &colour = selection_white) {
    for (const SpriteviewsRect &frame : frames)
        draw_rectangle_in_widget_with_cairo(cr, frame, colour);
}

void expose_border(GtkWidget *widget, const GdkEventExpose *event, const GdkPixbuf *image,
                   SpriteviewsSide side) {
    const CairoPtr cr = cairo_for(widget);
    if (image != nullptr)
        paint_zoomed(cr.get(), image, options_expansion, event->area);
    else
        paint_display_background(cr.get());
    draw_frames(cr.get(),
                spriteviews_get_border_frames(side, options_selection_method, options_expansion));
    draw_frames(cr.get(), pngreader_get_slot_outlines(side, options_expansion), offence_magenta);
}

void configure_border(GtkWidget *widget, GtkWidget **slot, GdkPixbuf **image,
                      SpriteviewsSide side) {
    painting_remember_widget(slot, widget);
    if (*image == nullptr)
        *image = spriteviews_new_border_pixbuf(side, options_selection_method,
                                               painting_get_display_background_index())
                     .release();
}

void repaint_border(GdkPixbuf *image, SpriteviewsSide side, GtkWidget *area) {
    if (image == nullptr)
        return;
    spriteviews_repaint_border(image, side, options_selection_method,
                               painting_get_display_background_index());
    queue_draw(area);
}

} // namespace

std::uint8_t painting_get_display_background_index() {
    return spriteviews_get_display_background_index(picture_loaded == 1, picture_data.format,
                                                    picture_data.background_color);
}

void painting_set_source_colour(cairo_t *cr, std::uint8_t colour_index) {
    std::array<double, 3> rgb{};
    palette_get_rgb_double_at_index(colour_index, rgb.data());
    cairo_set_source_rgb(cr, rgb[0], rgb[1], rgb[2]);
}

void painting_remember_widget(GtkWidget **slot, GtkWidget *widget) {
    if (*slot != nullptr)
        return;
    // A new main window brings new areas; the old ones must not be drawn to once destroyed.
    *slot = widget;
    g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer *>(slot));
}

gboolean painting_replace_picture(const gchar *utf8_path, gboolean take_border, GError **error) {
    auto decoded = std::make_unique<PictureData>(picture_data);
    decoded->format = picture_format_none;
    decoded->border_color = no_border_color;
    GdkPixbuf *image = nullptr;
    if (!hiresdecoder_decode_hires_screen_file(utf8_path, picture_format_none, &image,
                                               decoded.get(), error)) {
        return FALSE;
    }
    if (pixbuf_picture != nullptr) {
        g_object_unref(pixbuf_picture);
    }
    pixbuf_picture = image;
    picture_data = *decoded;
    gchar *path = g_strdup(utf8_path);
    g_free(utf8_path_and_filename_picture);
    utf8_path_and_filename_picture = path;
    if (take_border == 1 && picture_data.border_color != no_border_color) {
        border_color_index = picture_data.border_color % c64_colour_count;
    }
    return TRUE;
}

gboolean open_picture(const gchar *utf8_path, gboolean take_border) {
    GError *error = nullptr;
    if (painting_replace_picture(utf8_path, take_border, &error)) {
        return TRUE;
    }
    // A picture that failed to load leaves none.
    if (pixbuf_picture != nullptr) {
        g_object_unref(pixbuf_picture);
        pixbuf_picture = nullptr;
    }
    picture_data.format = picture_format_none;
    picture_data.border_color = no_border_color;
    GErrorPtr owned{error};
    GCharPtr status{g_strdup_printf(tr(" Error: %s"), owned->message)};
    controls_update_main_statusbar(status.get());
    controls_show_message_dialog(owned->message, GTK_MESSAGE_ERROR);
    return FALSE;
}

void set_zoom_level() {
    const int zoom = options_expansion;
    for (const AreaSize &area : zoomed_areas) {
        gtk_widget_set_size_request(lookup_widget(window_main, area.name), area.width * zoom,
                                    area.height * zoom);
    }
}

void repaint_sprite_views() {
    if (pixbuf_sprites != nullptr) {
        spriteviews_repaint_list(pixbuf_sprites, first_list_row(), options_selection_method);
        queue_draw(drawingarea_sprites);
    }
    repaint_border(pixbuf_left_border, SpriteviewsSide::left, drawingarea_left_border);
    repaint_border(pixbuf_right_border, SpriteviewsSide::right, drawingarea_right_border);
}

void set_background_color_for_sprites() {
    GtkWidget *pair_00 = lookup_widget(window_main, "radiobutton_color_sprite_bit_pair_00");
    if (picture_loaded == 1 && picture_format_is_hires(picture_data.format)) {
        // A hires picture has no background colour of its own: the user picks the sprites'.
        gtk_widget_set_sensitive(pair_00, TRUE);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(pair_00), TRUE);
    } else {
        gtk_widget_set_sensitive(pair_00, FALSE);
        gtk_toggle_button_set_active(
            GTK_TOGGLE_BUTTON(lookup_widget(window_main, "radiobutton_color_sprite_bit_pair_10")),
            TRUE);
        sprites_set_background_color(picture_data.background_color);
    }
    // The transparent swatch shows the display background, which may just have changed.
    gtk_widget_queue_draw(lookup_widget(window_main, "drawingarea_color_sprite_bit_pair_00"));
}

gboolean on_drawingarea_left_border_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                    gpointer) {
    configure_border(widget, &drawingarea_left_border, &pixbuf_left_border, SpriteviewsSide::left);
    return TRUE;
}

gboolean on_drawingarea_left_border_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                 gpointer) {
    expose_border(widget, event, pixbuf_left_border, SpriteviewsSide::left);
    return TRUE;
}

gboolean on_drawingarea_right_border_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                     gpointer) {
    configure_border(widget, &drawingarea_right_border, &pixbuf_right_border,
                     SpriteviewsSide::right);
    return TRUE;
}

gboolean on_drawingarea_right_border_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                  gpointer) {
    expose_border(widget, event, pixbuf_right_border, SpriteviewsSide::right);
    return TRUE;
}

gboolean on_drawingarea_upper_border_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                     gpointer) {
    painting_remember_widget(&drawingarea_upper_border, widget);
    return TRUE;
}

gboolean on_drawingarea_upper_border_expose_event(GtkWidget *widget, GdkEventExpose *, gpointer) {
    paint_display_background(cairo_for(widget).get());
    return TRUE;
}

gboolean on_drawingarea_lower_border_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                     gpointer) {
    painting_remember_widget(&drawingarea_lower_border, widget);
    return TRUE;
}

gboolean on_drawingarea_lower_border_expose_event(GtkWidget *widget, GdkEventExpose *, gpointer) {
    paint_display_background(cairo_for(widget).get());
    return TRUE;
}

gboolean on_drawingarea_picture_configure_event(GtkWidget *widget, GdkEventConfigure *, gpointer) {
    painting_remember_widget(&drawingarea_picture, widget);
    return TRUE;
}

gboolean on_drawingarea_picture_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer) {
    const CairoPtr cr = cairo_for(widget);
    if (pixbuf_picture != nullptr)
        paint_zoomed(cr.get(), pixbuf_picture, options_expansion, event->area);
    else
        paint_display_background(cr.get());
    draw_frames(cr.get(), pngreader_get_cell_outlines(options_expansion), offence_magenta);
    return TRUE;
}

gboolean on_drawingarea_sprites_configure_event(GtkWidget *widget, GdkEventConfigure *, gpointer) {
    painting_remember_widget(&drawingarea_sprites, widget);
    if (pixbuf_sprites == nullptr)
        pixbuf_sprites =
            spriteviews_new_list_pixbuf(first_list_row(), options_selection_method).release();
    return TRUE;
}

gboolean on_drawingarea_sprites_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer) {
    const int zoom = list_zoom_factor * options_expansion;
    const CairoPtr cr = cairo_for(widget);
    if (pixbuf_sprites != nullptr)
        paint_zoomed(cr.get(), pixbuf_sprites, zoom, event->area);
    else
        paint_display_background(cr.get());
    draw_frames(cr.get(),
                spriteviews_get_list_frames(first_list_row(), options_selection_method, zoom));
    return TRUE;
}
