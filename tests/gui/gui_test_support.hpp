#pragma once
// Drives the real editor window under X as its user does: menu items, keys and button presses
// delivered as X delivers them, modal dialogs answered from timeouts, files written and read in
// a folder of the test's own, and what the window shows read back from the screen.

#include "../common.hpp"
#include "core/glib_ptr.hpp"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// Lets GTK handle everything the X server has for it, for at least the given time.
void process_events(int milliseconds = 0);
// Handles every pending event and draws every queued redraw now.
void flush_redraws();
// True when a redraw of the main-window widget is queued and not yet drawn; takes it off.
bool take_queued_redraw(const char *widget_name);
// The markup source of every label in container, or of those on screen.
std::vector<std::string> label_texts(GtkWidget *container, bool shown_only = false);

// Chooses a menu item of the main window as the user does, and lets the areas paint.
void choose(const char *menuitem);
void choose_zoom(int zoom);
// A key through GTK's key sender, as the keyboard would; the handler and any dialog it runs
// are done when this returns.
bool send_key(guint keyval, GdkModifierType modifiers);
void press(guint keyval);
// A key event for the main window, which passes it to its focus widget.
void send_key_event(guint keyval, guint state, GdkEventType type);
void tap_key(guint keyval, guint state = 0); // press and release
// A button event at (x, y) in the area's window; true when a handler of the area took it.
bool send_button(GtkWidget *area, double x, double y, guint state = 0,
                 GdkEventType type = GDK_BUTTON_PRESS, guint button = 1);
// The close request the window manager sends for the window's close button.
void send_delete_event(GtkWidget *window);

// Waits for a visible dialog with the given title, lets inspect look at it (once), waits until
// ready agrees, then answers it with response, or closes its window when close_window is set.
class DialogAnswer {
  public:
    DialogAnswer(std::string title, gint response, bool close_window = false);
    ~DialogAnswer();
    DialogAnswer(const DialogAnswer &) = delete;
    DialogAnswer &operator=(const DialogAnswer &) = delete;

    std::function<void(GtkWidget *)> inspect;
    std::function<bool(GtkWidget *)> ready;
    int times_answered() const { return answered; }

  private:
    static gboolean poll(gpointer self);
    std::string title;
    gint response;
    bool close_window;
    int answered = 0;
    bool inspected = false;
    gint64 first_seen = 0;
    guint source = 0;
};

GtkFileFilter *filter_named(GtkWidget *dialog, const std::string &name);
// Answers an open dialog by picking file (under the named filter, if any) once it shows it.
void pick(DialogAnswer &answer, const fs::path &file, const char *filter = nullptr);
// Answers a save dialog by typing name, when there is one, and confirming once the chooser
// shows shown (the name typed, by default) in folder.
void type_name(DialogAnswer &answer, const fs::path &folder, const std::string &name,
               std::string shown = "");
std::string status_text();
std::string window_title();
std::string yes_no_question(GtkWidget *dialog);
// The message dialogs on screen of the given type, or of any type.
std::vector<GtkWidget *> message_dialogs(GtkMessageType only = GTK_MESSAGE_OTHER);
// The texts of the message dialogs on screen, which are closed.
std::vector<std::string> take_messages();
// The one error reported, in the status bar and in a dialog; empty when there was none.
std::string taken_error();

// count sprite slots after a load address; slot k is filled with fill + k and its attribute
// byte holds colour k mod 16, except the first, which is first_attribute.
Bytes sprite_file(unsigned count, std::uint8_t fill, std::uint8_t first_attribute = 1);
std::set<std::string> files_in(const fs::path &folder);
// A whole expected output kept in tests/gui/expected, as reviewed: window layouts and the
// transcripts of scenarios.
std::string expected_text(const char *name);

void pixel_set_rgb(GdkPixbuf *image, int x, int y, std::uint32_t rgb);
std::uint32_t palette_rgb(std::uint8_t colour_index);
// Each pixel of image repeated zoom times across and down.
PixbufPtr pixels_enlarged(const GdkPixbuf *image, int zoom);
// An outline, white unless told, on the outermost pixels of the rectangle.
void pixels_draw_outline(GdkPixbuf *image, int x, int y, int width, int height,
                         std::uint32_t rgb = 0xFFFFFF);
// Empty when both images have the same size and colours, else where they first differ.
std::string pixels_first_difference(const GdkPixbuf *actual, const GdkPixbuf *expected);
// The picture as the decoder renders it on its own in the current palette; null when it does
// not decode.
PixbufPtr decoded_picture(const std::string &path);

// Starts the editor as main() does, with a fresh preferences folder, nothing loaded and a
// folder for the test's files; removes all of it afterwards.
class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The window goes away as after quitting, and the editor starts again on the same folder;
    // before_first_frame sees the window before it has handled any event.
    void restart(const std::function<void()> &before_first_frame = {});
    static fs::path config_file();
    GtkWidget *widget(const char *name);

    // Puts what the File menu would load in place by the calls it makes, without the chooser.
    static void put_picture(const fs::path &file);
    static void put_sprites(const fs::path &file);

    fs::path dir;

  private:
    void start(const std::function<void()> &before_first_frame = {});
    void stop();
    static void reset_project_state();
    GtkWidget *window = nullptr; // follows window_main, cleared when GTK destroys it
};

// Table cases name their tests by their name field.
inline constexpr auto case_name = [](const auto &info) { return std::string{info.param.name}; };

// What the C64 shows at display pixel (x, y), 416 across and 296 down, worked out here from
// the picture image and the sprite store: the picture at (48, 48), sprites in their side border
// slots (24x21, four a row from line 40) only on the lines the viewer opens the borders on,
// unselected ones blended at 192/255 when the method marks selection by alpha.
std::uint32_t screen_pixel_rgb(const GdkPixbuf *picture, int x, int y, std::uint8_t background,
                               int method);
// Empty when the editor's side border images hold the screen composed from the store behind
// the current picture's background, else where they first differ.
std::string borders_first_difference();

inline constexpr int display_width = 416, display_height = 296;
// What a widget shows once GTK has let it paint itself whole (drawn into a pixmap, so it works
// also where the window reaches past the screen's edge).
PixbufPtr widget_pixels(GtkWidget *widget);
// Empty when the window's display column, as the screen shows it at the current zoom, is the C64
// screen composed from picture (the decoder's image) and the store, with no frames drawn (all
// sprites selected or the alpha method); else where it first differs.
std::string shown_display_first_difference(const GdkPixbuf *picture, std::uint8_t background,
                                           int method);
