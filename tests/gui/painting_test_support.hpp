#pragma once
// Reading what the drawing areas show, pressing the mouse on them as the X server would, and
// the editor with a picture and sprites loaded from real files.

#include "core/glib_ptr.hpp"
#include "gui_test_support.hpp"

#include <gtk/gtk.h>

#include <cstdint>
#include <ostream>
#include <string>

// What the area shows once GTK has let it paint itself whole: its expose handler draws into a
// pixmap, so this works at every zoom, also where the window reaches past the screen's edge.
PixbufPtr area_pixels(GtkWidget *area);
// Whether GTK has part of the area waiting to be painted; the waiting part is taken away.
bool area_take_queued_draw(GtkWidget *area);

// A colour that no C64 palette has.
constexpr std::uint32_t marker_rgb = 0x12FE34;

void area_press(GtkWidget *area, double x, double y, guint button = 1,
                GdkEventType type = GDK_BUTTON_PRESS);

std::uint32_t pixel_rgb(const GdkPixbuf *image, int x, int y);
void pixel_set_rgb(GdkPixbuf *image, int x, int y, std::uint32_t rgb);
std::uint32_t palette_rgb(std::uint8_t colour_index);

// Each pixel of image repeated zoom times across and down.
PixbufPtr pixels_enlarged(const GdkPixbuf *image, int zoom);
// A white outline on the outermost pixels of the rectangle.
void pixels_draw_outline(GdkPixbuf *image, int x, int y, int width, int height);
// Empty when both images have the same size and colours, else where they first differ.
std::string pixels_first_difference(const GdkPixbuf *actual, const GdkPixbuf *expected);

// A file of the repository's examples folder.
std::string example_path(const char *name);
// A file of the shared pictures made by other people, or empty when they are not there.
std::string shared_picture_path(const char *name);

// The editor with what the File menu would load put in place by the same calls, and the
// picture forgotten again afterwards.
class PaintingTest : public EditorTest {
  protected:
    void TearDown() override;
    // Opens the picture as loading does: corner colour, sprite background, repaint.
    void load_picture(const std::string &path);
    void load_sprites(const std::string &path);
    // Chooses a menu item as the user does, and lets the areas paint.
    void choose(const char *menuitem);
    void choose_zoom(int zoom);
};

// Table cases print and name their tests by their name field.
namespace painting_test {
template <typename Case>
requires requires(const Case &test_case) {
    test_case.name;
}
void PrintTo(const Case &test_case, std::ostream *out) {
    *out << test_case.name;
}
} // namespace painting_test
inline constexpr auto case_name = [](const auto &info) { return std::string{info.param.name}; };
