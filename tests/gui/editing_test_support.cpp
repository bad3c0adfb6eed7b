#include "editing_test_support.hpp"

#include "core/glib_ptr.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/support.hpp"

#include <fstream>

namespace {

// PETSCII Vellum: load address $1928, border, background, character set, screen, colour RAM.
constexpr std::uint8_t petscii_load_low = 0x28;
constexpr std::uint8_t petscii_load_high = 0x19;
constexpr std::size_t petscii_cells = 1000;
constexpr std::uint8_t uppercase_charset = 0;

// Sprite files as the C64 loads them into the VIC bank at $2000.
constexpr std::uint8_t sprite_load_low = 0x00;
constexpr std::uint8_t sprite_load_high = 0x20;

// The hardware key X would report for keyval, for the key bindings that look at it.
guint16 keycode_of(guint keyval, guint8 *group) {
    GdkKeymapKey *keys = nullptr;
    gint count = 0;
    guint16 keycode = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), keyval, &keys, &count) &&
        count > 0) {
        keycode = static_cast<guint16>(keys[0].keycode);
        *group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    return keycode;
}

struct CountedEvent {
    GdkEventType type;
    int *count;
};

gboolean count_event(GtkWidget *, GdkEvent *event, gpointer counted) {
    const auto *counting = static_cast<const CountedEvent *>(counted);
    if (event->type == counting->type) {
        ++*counting->count;
    }
    return FALSE;
}

void free_counted_event(gpointer counted, GClosure *) {
    delete static_cast<CountedEvent *>(counted);
}

// A handler that takes the press stops the emission, so this runs only for presses left alone.
gboolean note_unhandled_press(GtkWidget *, GdkEventButton *, gpointer reached) {
    *static_cast<bool *>(reached) = true;
    return FALSE;
}

} // namespace

bool send_button(GtkWidget *area, double x, double y, guint state, GdkEventType type,
                 guint button) {
    GdkWindow *window = gtk_widget_get_window(area);
    GdkEvent *event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    event->button.state = state;
    event->button.button = button;
    event->button.device = gdk_display_get_core_pointer(gdk_display_get_default());
    gint origin_x = 0;
    gint origin_y = 0;
    gdk_window_get_origin(window, &origin_x, &origin_y);
    event->button.x_root = origin_x + x;
    event->button.y_root = origin_y + y;
    bool unhandled = false;
    const gulong probe = g_signal_connect_after(area, "button-press-event",
                                                G_CALLBACK(note_unhandled_press), &unhandled);
    gtk_main_do_event(event);
    g_signal_handler_disconnect(area, probe);
    gdk_event_free(event);
    return !unhandled;
}

// Keys reach an area only through its toplevel, which hands them to its focus widget.
void send_key_event(guint keyval, guint state, GdkEventType type) {
    GdkEvent *event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window_main)));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.state = state;
    event->key.keyval = keyval;
    event->key.string = g_strdup("");
    event->key.hardware_keycode = keycode_of(keyval, &event->key.group);
    gtk_main_do_event(event);
    gdk_event_free(event);
}

void tap_key(guint keyval, guint state) {
    send_key_event(keyval, state, GDK_KEY_PRESS);
    send_key_event(keyval, state, GDK_KEY_RELEASE);
}

EventCounter::EventCounter(GdkEventType type, std::span<const char *const> widget_names) {
    for (const char *name : widget_names) {
        GtkWidget *widget = lookup_widget(window_main, name);
        auto *counted = new CountedEvent{type, &counts[name]};
        handlers.emplace_back(
            widget, g_signal_connect_data(widget, "event", G_CALLBACK(count_event), counted,
                                          free_counted_event, static_cast<GConnectFlags>(0)));
    }
}

EventCounter::~EventCounter() {
    for (const auto &[widget, handler] : handlers) {
        g_signal_handler_disconnect(widget, handler);
    }
}

void flush_redraws() {
    gdk_display_sync(gdk_display_get_default());
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
    gdk_window_process_all_updates();
}

bool take_queued_redraw(const char *widget_name) {
    GdkWindow *window = gtk_widget_get_window(lookup_widget(window_main, widget_name));
    GdkRegion *queued = gdk_window_get_update_area(window);
    if (queued == nullptr) {
        return false;
    }
    gdk_region_destroy(queued);
    return true;
}

std::vector<unsigned> selected_sprites() {
    std::vector<unsigned> indices;
    for (unsigned index = 0; index < sprites_get_array_size(); index++) {
        std::int32_t selected = 0;
        sprites_get_selected_at_index(index, &selected);
        if (selected == 1) {
            indices.push_back(index);
        }
    }
    return indices;
}

TempDir::TempDir() {
    GCharPtr made{g_dir_make_tmp("sidewell-editing-XXXXXX", nullptr)};
    if (made) {
        root = made.get();
    }
}

TempDir::~TempDir() {
    if (!root.empty()) {
        std::filesystem::remove_all(root);
    }
}

void write_file(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> petscii_file(std::uint8_t border, std::uint8_t background,
                                       std::uint8_t character, std::uint8_t colour) {
    std::vector<std::uint8_t> bytes{petscii_load_low, petscii_load_high, border, background,
                                    uppercase_charset};
    bytes.insert(bytes.end(), petscii_cells, character);
    bytes.insert(bytes.end(), petscii_cells, colour);
    return bytes;
}

std::vector<std::uint8_t> sprite_file(unsigned count, const std::vector<std::uint8_t> &attributes) {
    std::vector<std::uint8_t> bytes{sprite_load_low, sprite_load_high};
    for (unsigned k = 0; k < count; k++) {
        bytes.insert(bytes.end(), sprite_data_size, static_cast<std::uint8_t>(k + 1));
        bytes.push_back(k < attributes.size() ? attributes[k] : 0);
    }
    return bytes;
}
