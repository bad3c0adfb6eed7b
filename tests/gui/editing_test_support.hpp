#pragma once
// Input for the editing surface as X delivers it (button presses in an area's own window, keys
// through the main window to the focused area), and small C64 files written for the tests.

#include <gtk/gtk.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

// A button event at (x, y) in the area's window, dispatched by GTK as one from the X server;
// true when a handler of the area took it.
bool send_button(GtkWidget *area, double x, double y, guint state = 0,
                 GdkEventType type = GDK_BUTTON_PRESS, guint button = 1);
// A key event for the main window, which passes it to its focus widget as the keyboard would.
void send_key_event(guint keyval, guint state, GdkEventType type);
// Press and release.
void tap_key(guint keyval, guint state = 0);

// Counts the events of one type that main-window widgets receive while the object lives. It
// listens on the generic "event" signal, which GTK emits before the specific one, because the
// editor's own handlers end the specific signal's emission by returning TRUE.
class EventCounter {
  public:
    EventCounter(GdkEventType type, std::span<const char *const> widget_names);
    ~EventCounter();
    EventCounter(const EventCounter &) = delete;
    EventCounter &operator=(const EventCounter &) = delete;

    std::map<std::string, int> counts; // by widget name

  private:
    std::vector<std::pair<GtkWidget *, gulong>> handlers;
};

// Handles every pending event and draws every queued redraw now, so that a redraw found
// queued afterwards was queued afterwards.
void flush_redraws();
// True when a redraw of the main-window widget is queued and not yet drawn; takes it off the
// queue. Looked at right after a command, it tells what the command itself queued.
bool take_queued_redraw(const char *widget_name);

// The four colour swatches of the sprite bit pairs 00, 01, 10 and 11.
inline constexpr const char *colour_swatches[] = {
    "drawingarea_color_sprite_bit_pair_00",
    "drawingarea_color_sprite_bit_pair_01",
    "drawingarea_color_sprite_bit_pair_10",
    "drawingarea_color_sprite_bit_pair_11",
};

// The sprites in use whose selected flag is 1, in rising order.
std::vector<unsigned> selected_sprites();

// A temporary folder removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &path() const { return root; }

  private:
    std::filesystem::path root;
};

void write_file(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes);

// A PETSCII Vellum screen: every cell shows the same character in the same colour.
std::vector<std::uint8_t> petscii_file(std::uint8_t border, std::uint8_t background,
                                       std::uint8_t character, std::uint8_t colour);
// A sprite file of count sprites; sprite k has the byte value k + 1 in its bitmap rows and the
// attribute byte attributes[k] (or 0).
std::vector<std::uint8_t> sprite_file(unsigned count,
                                      const std::vector<std::uint8_t> &attributes = {});
