#pragma once
// The drawing areas as the user meets them: button and key events delivered as X delivers them,
// what the areas show read back from the screen, and the files the File menu would load.

#include "core/glib_ptr.hpp"
#include "gui_test_support.hpp"

#include <gtk/gtk.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// A button event at (x, y) in the area's window, dispatched by GTK as one from the X server;
// true when a handler of the area took it.
bool send_button(GtkWidget *area, double x, double y, guint state = 0,
                 GdkEventType type = GDK_BUTTON_PRESS, guint button = 1);
// A key event for the main window, which passes it to its focus widget as the keyboard would.
void send_key_event(guint keyval, guint state, GdkEventType type);
void tap_key(guint keyval, guint state = 0); // press and release
// Chooses a menu item of the main window as the user does, and lets the areas paint.
void choose(const char *menuitem);
void choose_zoom(int zoom);
// Where the main window is, once the window manager has had its say.
std::pair<int, int> window_position();

// Handles every pending event and draws every queued redraw now, so that a redraw found
// queued afterwards was queued afterwards.
void flush_redraws();
// True when a redraw of the main-window widget is queued and not yet drawn; takes it off the
// queue. Looked at right after a command, it tells what the command itself queued.
bool take_queued_redraw(const char *widget_name);

// The four colour swatches of the sprite bit pairs 00, 01, 10 and 11.
inline constexpr const char *colour_swatches[] = {
    "drawingarea_color_sprite_bit_pair_00", "drawingarea_color_sprite_bit_pair_01",
    "drawingarea_color_sprite_bit_pair_10", "drawingarea_color_sprite_bit_pair_11"};

// The sprites in use whose selected flag is 1, in rising order.
std::vector<unsigned> selected_sprites();

// What the area shows once GTK has let it paint itself whole: its expose handler draws into a
// pixmap, so this works at every zoom, also where the window reaches past the screen's edge.
PixbufPtr area_pixels(GtkWidget *area);
std::uint32_t pixel_rgb(const GdkPixbuf *image, int x, int y);
void pixel_set_rgb(GdkPixbuf *image, int x, int y, std::uint32_t rgb);
std::uint32_t palette_rgb(std::uint8_t colour_index);
// Each pixel of image repeated zoom times across and down.
PixbufPtr pixels_enlarged(const GdkPixbuf *image, int zoom);
// A white outline on the outermost pixels of the rectangle.
void pixels_draw_outline(GdkPixbuf *image, int x, int y, int width, int height);
// Empty when both images have the same size and colours, else where they first differ.
std::string pixels_first_difference(const GdkPixbuf *actual, const GdkPixbuf *expected);
// Empty when every pixel the area shows has the one colour, else where the first does not.
std::string area_first_pixel_not(GtkWidget *area, std::uint32_t rgb);

// A file of the repository's examples folder.
std::string example_path(const char *name);
// A file of the shared pictures made by other people, or empty when they are not there.
std::string shared_picture_path(const char *name);

// The picture as the decoder renders it on its own in the current palette, without the
// editor's state; null when it does not decode.
PixbufPtr decoded_picture(const std::string &path);

// The editor with what the File menu would load put in place by the same calls, and all of it
// forgotten again afterwards.
class AreaTest : public EditorTest {
  protected:
    void TearDown() override;
    // Opens the picture as loading does: corner colour, sprite background, repaint.
    void load_picture(const std::filesystem::path &path);
    void load_sprites(const std::filesystem::path &path);
};

// Table cases print and name their tests by their name field.
namespace area_test {
template <typename Case>
requires requires(const Case &test_case) {
    test_case.name;
}
void PrintTo(const Case &test_case, std::ostream *out) {
    *out << test_case.name;
}
} // namespace area_test
inline constexpr auto case_name = [](const auto &info) { return std::string{info.param.name}; };
