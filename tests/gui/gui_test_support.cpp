#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"
#include "gui/window_main.hpp"

#include <X11/Xlib.h>

#include <array>
#include <sstream>

namespace {

// The per-process configuration folder (XDG_CONFIG_HOME), made by main.
fs::path config_home;

constexpr guint dialog_poll_ms = 20;
// A dialog that never gets ready is cancelled after this long, so a failing test cannot hang.
constexpr gint64 dialog_patience_us = 15 * G_USEC_PER_SEC;

void collect_labels(GtkWidget *widget, bool shown_only, std::vector<std::string> *texts) {
    if (GTK_IS_LABEL(widget) && (!shown_only || gtk_widget_get_mapped(widget)))
        texts->emplace_back(gtk_label_get_label(GTK_LABEL(widget)));
    if (GTK_IS_CONTAINER(widget)) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList *child = children; child != nullptr; child = child->next)
            collect_labels(GTK_WIDGET(child->data), shown_only, texts);
        g_list_free(children);
    }
}

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

// A handler that takes the press stops the emission, so this runs only for presses left alone.
gboolean note_unhandled_press(GtkWidget *, GdkEventButton *, gpointer reached) {
    *static_cast<bool *>(reached) = true;
    return FALSE;
}

guchar *pixel_at(GdkPixbuf *image, int x, int y) {
    return gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
           x * gdk_pixbuf_get_n_channels(image);
}

std::uint32_t pixel_rgb(const GdkPixbuf *image, int x, int y) {
    const guchar *pixel = pixel_at(const_cast<GdkPixbuf *>(image), x, y);
    return std::uint32_t{pixel[0]} << 16 | std::uint32_t{pixel[1]} << 8 | pixel[2];
}

std::string chooser_filename(GtkWidget *dialog) {
    const GCharPtr filename{gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))};
    return filename ? filename.get() : "";
}

std::string message_text(GtkWidget *dialog) {
    gchar *text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    const GCharPtr owned{text};
    return owned ? owned.get() : "";
}

} // namespace

void process_events(int milliseconds) {
    const gint64 end = g_get_monotonic_time() + milliseconds * G_GINT64_CONSTANT(1000);
    do {
        gdk_display_sync(gdk_display_get_default());
        while (gtk_events_pending())
            gtk_main_iteration();
        if (milliseconds > 0)
            g_usleep(1000);
    } while (g_get_monotonic_time() < end);
}

void flush_redraws() {
    process_events();
    gdk_window_process_all_updates();
}

bool take_queued_redraw(const char *widget_name) {
    GdkWindow *window = gtk_widget_get_window(lookup_widget(window_main, widget_name));
    GdkRegion *queued = gdk_window_get_update_area(window);
    if (queued == nullptr)
        return false;
    gdk_region_destroy(queued);
    return true;
}

std::vector<std::string> label_texts(GtkWidget *container, bool shown_only) {
    std::vector<std::string> texts;
    collect_labels(container, shown_only, &texts);
    return texts;
}

void choose(const char *menuitem) {
    gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(window_main, menuitem)));
    process_events(50);
}

void choose_zoom(int zoom) {
    choose(("menuitem_zoom_" + std::to_string(zoom) + "x").c_str());
}

bool send_key(guint keyval, GdkModifierType modifiers) {
    // GTK's key sender needs a child window; the toplevel hands the key to its accelerators
    // before the focused widget sees it.
    return gtk_test_widget_send_key(lookup_widget(window_main, "drawingarea_sprites"), keyval,
                                    modifiers);
}

void press(guint keyval) {
    ASSERT_TRUE(send_key(keyval, GdkModifierType(0)));
    process_events(50);
}

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

void send_delete_event(GtkWidget *window) {
    GdkEvent *event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

DialogAnswer::DialogAnswer(std::string title, gint response, bool close_window)
    : title(std::move(title)), response(response), close_window(close_window) {
    source = g_timeout_add(dialog_poll_ms, poll, this);
}

DialogAnswer::~DialogAnswer() {
    if (source != 0)
        g_source_remove(source);
}

gboolean DialogAnswer::poll(gpointer data) {
    auto *self = static_cast<DialogAnswer *>(data);
    GList *toplevels = gtk_window_list_toplevels();
    GtkWidget *dialog = nullptr;
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        GtkWidget *candidate = GTK_WIDGET(element->data);
        const gchar *candidate_title = gtk_window_get_title(GTK_WINDOW(candidate));
        if (GTK_IS_DIALOG(candidate) && gtk_widget_get_mapped(candidate) &&
            candidate_title != nullptr && self->title == candidate_title)
            dialog = candidate;
    }
    g_list_free(toplevels);
    if (dialog == nullptr)
        return TRUE;
    if (!self->inspected) {
        self->inspected = true;
        self->first_seen = g_get_monotonic_time();
        if (self->inspect)
            self->inspect(dialog);
    }
    bool give_up = false;
    if (self->ready && !self->ready(dialog)) {
        if (g_get_monotonic_time() - self->first_seen < dialog_patience_us)
            return TRUE;
        ADD_FAILURE() << "dialog \"" << self->title << "\" never got ready";
        give_up = true;
    }
    self->source = 0;
    self->answered++;
    if (self->close_window && !give_up)
        send_delete_event(dialog);
    else
        gtk_dialog_response(GTK_DIALOG(dialog), give_up ? GTK_RESPONSE_CANCEL : self->response);
    return FALSE;
}

GtkFileFilter *filter_named(GtkWidget *dialog, const std::string &name) {
    GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
    GtkFileFilter *found = nullptr;
    for (GSList *filter = filters; filter != nullptr; filter = filter->next)
        if (gtk_file_filter_get_name(GTK_FILE_FILTER(filter->data)) == name)
            found = GTK_FILE_FILTER(filter->data);
    g_slist_free(filters);
    return found;
}

void pick(DialogAnswer &answer, const fs::path &file, const char *filter) {
    answer.inspect = [file, filter](GtkWidget *dialog) {
        if (filter != nullptr)
            gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, filter));
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(dialog), file.c_str());
    };
    answer.ready = [file](GtkWidget *dialog) { return chooser_filename(dialog) == file.string(); };
}

void type_name(DialogAnswer &answer, const fs::path &folder, const std::string &name,
               std::string shown) {
    answer.inspect = [folder, name](GtkWidget *dialog) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder.c_str());
        if (!name.empty())
            gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
    };
    const std::string expected = (folder / (shown.empty() ? name : shown)).string();
    answer.ready = [expected](GtkWidget *dialog) { return chooser_filename(dialog) == expected; };
}

std::string status_text() {
    const std::vector<std::string> texts = label_texts(gtk_statusbar_get_message_area(
        GTK_STATUSBAR(lookup_widget(window_main, "statusbar_main"))));
    return texts.empty() ? "" : texts.front();
}

std::string window_title() {
    const gchar *title = gtk_window_get_title(GTK_WINDOW(window_main));
    return title != nullptr ? title : "";
}

std::string yes_no_question(GtkWidget *dialog) {
    return gtk_label_get_label(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
}

std::vector<GtkWidget *> message_dialogs(GtkMessageType only) {
    std::vector<GtkWidget *> found;
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        GtkMessageType type = GTK_MESSAGE_OTHER;
        if (GTK_IS_MESSAGE_DIALOG(element->data) &&
            gtk_widget_get_visible(GTK_WIDGET(element->data))) {
            g_object_get(element->data, "message-type", &type, nullptr);
            if (only == GTK_MESSAGE_OTHER || type == only)
                found.push_back(GTK_WIDGET(element->data));
        }
    }
    g_list_free(toplevels);
    return found;
}

std::vector<std::string> take_messages() {
    process_events();
    std::vector<std::string> texts;
    for (GtkWidget *dialog : message_dialogs()) {
        texts.push_back(message_text(dialog));
        gtk_widget_destroy(dialog);
    }
    return texts;
}

std::string taken_error() {
    const std::vector<std::string> messages = take_messages();
    const std::string status = status_text();
    const std::string prefix = " Error: ";
    EXPECT_EQ(status.rfind(prefix, 0), 0u) << status;
    EXPECT_EQ(messages,
              std::vector<std::string>{status.substr(std::min(status.size(), prefix.size()))});
    return messages.size() == 1 ? messages[0] : "";
}

Bytes sprite_file(unsigned count, std::uint8_t fill, std::uint8_t first_attribute) {
    Bytes bytes{0x00, 0x30};
    for (unsigned k = 0; k < count; k++) {
        bytes.insert(bytes.end(), sprite_data_size, static_cast<std::uint8_t>(fill + k));
        bytes.push_back(k == 0 ? first_attribute : static_cast<std::uint8_t>(k % 16));
    }
    return bytes;
}

std::set<std::string> files_in(const fs::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string expected_text(const char *name) {
    return read_text(fs::path(SIDEWELL_SOURCE_DIR) / "tests/gui/expected" / name);
}

void pixel_set_rgb(GdkPixbuf *image, int x, int y, std::uint32_t rgb) {
    guchar *pixel = pixel_at(image, x, y);
    pixel[0] = static_cast<guchar>(rgb >> 16);
    pixel[1] = static_cast<guchar>(rgb >> 8);
    pixel[2] = static_cast<guchar>(rgb);
}

std::uint32_t palette_rgb(std::uint8_t colour_index) {
    std::array<std::uint8_t, 3> rgb{};
    palette_get_rgb_at_index(colour_index, rgb.data());
    return std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
}

PixbufPtr pixels_enlarged(const GdkPixbuf *image, int zoom) {
    const int width = gdk_pixbuf_get_width(image);
    const int height = gdk_pixbuf_get_height(image);
    PixbufPtr enlarged{gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width * zoom, height * zoom)};
    for (int y = 0; y < height * zoom; y++)
        for (int x = 0; x < width * zoom; x++)
            pixel_set_rgb(enlarged.get(), x, y, pixel_rgb(image, x / zoom, y / zoom));
    return enlarged;
}

void pixels_draw_outline(GdkPixbuf *image, int x, int y, int width, int height, std::uint32_t rgb) {
    for (int i = 0; i < width; i++) {
        pixel_set_rgb(image, x + i, y, rgb);
        pixel_set_rgb(image, x + i, y + height - 1, rgb);
    }
    for (int j = 0; j < height; j++) {
        pixel_set_rgb(image, x, y + j, rgb);
        pixel_set_rgb(image, x + width - 1, y + j, rgb);
    }
}

std::string pixels_first_difference(const GdkPixbuf *actual, const GdkPixbuf *expected) {
    std::ostringstream text;
    const int width = gdk_pixbuf_get_width(expected);
    const int height = gdk_pixbuf_get_height(expected);
    if (actual == nullptr || gdk_pixbuf_get_width(actual) != width ||
        gdk_pixbuf_get_height(actual) != height) {
        text << "size " << (actual ? gdk_pixbuf_get_width(actual) : 0) << "x"
             << (actual ? gdk_pixbuf_get_height(actual) : 0) << ", expected " << width << "x"
             << height;
        return text.str();
    }
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            if (pixel_rgb(actual, x, y) != pixel_rgb(expected, x, y)) {
                text << "pixel (" << x << ", " << y << ") is " << std::hex
                     << pixel_rgb(actual, x, y) << ", expected " << pixel_rgb(expected, x, y);
                return text.str();
            }
    return text.str();
}

PixbufPtr decoded_picture(const std::string &path) {
    GdkPixbuf *pixbuf = nullptr;
    GError *error = nullptr;
    hiresdecoder_decode_hires_screen_file(path.c_str(), picture_format_none, &pixbuf, nullptr,
                                          &error);
    const GErrorPtr owned_error{error};
    return PixbufPtr{pixbuf};
}

namespace {

// Display geometry: where the picture and the right border start, where the border slot rows
// start, and the 201 lines from one above the picture on which the borders are open (the left
// border's band starts a line later: one $D016 write opens a right border and the next left).
constexpr int picture_left = 48, picture_top = 48, right_border_left = 368, slots_top = 40;
constexpr int band_height = 201, left_band_top = 48, right_band_top = 47;
constexpr int unselected_alpha = 192;

// The colour index of the sprite's pixel, -1 where it lets the background through.
int sprite_colour_at(const SpriteRecord &sprite, int x, int y) {
    const std::uint8_t byte = sprite.data[y * 3 + x / 8];
    const int bit = 7 - x % 8;
    const int pair = (byte >> (bit & ~1)) & 3;
    const int colours[] = {-1, sprites_get_multicolor0(), sprite.color, sprites_get_multicolor1()};
    return sprite.multicolor == 1 ? colours[pair] : ((byte >> bit) & 1 ? sprite.color : -1);
}

} // namespace

std::uint32_t screen_pixel_rgb(const GdkPixbuf *picture, int x, int y, std::uint8_t background,
                               int method) {
    const std::uint32_t back = palette_rgb(background);
    if (x >= picture_left && x < right_border_left) {
        const bool inside = picture != nullptr && y >= picture_top && y < picture_top + 200;
        return inside ? pixel_rgb(picture, x - picture_left, y - picture_top) : back;
    }
    const bool left = x < picture_left;
    const int band_top = left ? left_band_top : right_band_top;
    if (y < band_top || y >= band_top + band_height)
        return back;
    const int border_x = left ? x : x - right_border_left;
    const SpriteRecord *sprite = sprites_get_record_at_index(
        static_cast<unsigned>(4 * ((y - slots_top) / 21) + (left ? 0 : 2) + border_x / 24));
    const int colour = sprite ? sprite_colour_at(*sprite, border_x % 24, (y - slots_top) % 21) : -1;
    if (colour < 0)
        return back;
    const int alpha = (method != 0 && sprite->selected != 1) ? unselected_alpha : 255;
    const std::uint32_t front = palette_rgb(static_cast<std::uint8_t>(colour));
    std::uint32_t blended = 0;
    for (const int shift : {16, 8, 0}) {
        const std::uint32_t f = front >> shift & 0xFF, b = back >> shift & 0xFF;
        blended |= (alpha * f + (255 - alpha) * b) / 255 << shift;
    }
    return blended;
}

std::string borders_first_difference() {
    const auto background = static_cast<std::uint8_t>(
        picture_loaded == 1 && !picture_format_is_hires(picture_data.format)
            ? picture_data.background_color % 16
            : sprites_get_background_color());
    std::string differences;
    for (const auto &[image, left] :
         {std::pair{pixbuf_left_border, 0}, std::pair{pixbuf_right_border, right_border_left}}) {
        if (image == nullptr)
            return "no border image";
        PixbufPtr expected{gdk_pixbuf_copy(image)};
        for (int y = 0; y < gdk_pixbuf_get_height(image); y++)
            for (int x = 0; x < gdk_pixbuf_get_width(image); x++)
                pixel_set_rgb(
                    expected.get(), x, y,
                    screen_pixel_rgb(nullptr, left + x, y, background, options_selection_method));
        differences += pixels_first_difference(image, expected.get());
    }
    return differences;
}

void EditorTest::SetUp() {
    fs::remove_all(config_home / "c64-sidewell");
    options_reset_to_start_values();
    reset_project_state();
    dir = GCharPtr{g_dir_make_tmp("sidewell-gui-test-XXXXXX", nullptr)}.get();
    start();
}

void EditorTest::TearDown() {
    take_messages();
    stop();
    fs::remove_all(dir);
    reset_project_state();
    options_reset_to_start_values();
}

void EditorTest::reset_project_state() {
    picture_loaded = 0;
    sprites_loaded = 0;
    for (gchar **path : {&utf8_path_and_filename_project, &utf8_path_and_filename_picture,
                         &utf8_path_and_filename_sprites, &project_backup_data})
        set_path(path);
    picture_data.format = picture_format_none;
    project_backup_pending_restore = 0;
    border_color_index = 0;
    color_index_sprite_bit_pair_10 = 13;
}

void EditorTest::start(const std::function<void()> &before_first_frame) {
    int argc = 1;
    char program[] = "sidewell_gui_tests";
    char *arguments[] = {program, nullptr};
    char **argv = arguments;
    ASSERT_TRUE(app_start(&argc, &argv));
    if (before_first_frame)
        before_first_frame();
    window = window_main;
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
    // The menus are filled once the first frame is painted.
    const gint64 give_up = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (!window_main_has_all_menus(window) && g_get_monotonic_time() < give_up)
        process_events(10);
    ASSERT_TRUE(window_main_has_all_menus(window)) << "no menus after the first frame";
    process_events(50);
}

void EditorTest::stop() {
    if (window != nullptr) {
        // Tests run without the application's main loop, which "destroy" would try to end.
        g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(gtk_main_quit),
                                             nullptr);
        g_object_remove_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
        gtk_widget_destroy(window);
        window = nullptr;
    }
    window_main = nullptr;
    cleanup_before_quitting();
    process_events();
}

void EditorTest::restart(const std::function<void()> &before_first_frame) {
    stop();
    options_reset_to_start_values();
    start(before_first_frame);
}

fs::path EditorTest::config_file() {
    return config_home / "c64-sidewell" / "user.ini";
}

GtkWidget *EditorTest::widget(const char *name) {
    return lookup_widget(window_main, name);
}

void EditorTest::put_picture(const fs::path &file) {
    ASSERT_TRUE(open_picture(file.c_str(), TRUE)) << file;
    picture_loaded = 1;
    set_background_color_for_sprites();
    repaint_sprite_views();
    process_events(50);
}

void EditorTest::put_sprites(const fs::path &file) {
    GError *error = nullptr;
    const int decoded = spritesdecoder_decode_sprites_file(
        file.c_str(), options_sprite_attribute_byte_format, 1, &error);
    const GErrorPtr owned{error};
    ASSERT_EQ(decoded, 1) << file << ": " << (owned ? owned->message : "");
    sprites_loaded = 1;
    set_path(&utf8_path_and_filename_sprites, file);
    repaint_sprite_views();
    process_events(50);
}

// The test program: GTK in test mode (warnings and criticals abort) under an X server, with a
// configuration folder of its own.

namespace {

constexpr int display_attempts = 100;
constexpr gulong display_retry_us = 100000;

// Xvfb resets itself when its last client leaves, and refuses connections meanwhile. With test
// processes coming and going, one may start in that moment: wait for the server, and keep a
// connection of our own so that it cannot reset under us.
Display *hold_display() {
    for (int attempt = 0; attempt < display_attempts; attempt++) {
        if (Display *display = XOpenDisplay(nullptr)) {
            return display;
        }
        g_usleep(display_retry_us);
    }
    return nullptr;
}

} // namespace

int main(int argc, char **argv) {
    // GLib reads these once, at first use: set them before anything asks.
    GCharPtr home{g_dir_make_tmp("sidewell-gui-XXXXXX", nullptr)};
    if (!home) {
        return 1;
    }
    const fs::path root = home.get();
    config_home = root / "config";
    std::filesystem::create_directories(config_home);
    // The file choosers record chosen files in the data folder; GTK warns when it is missing.
    std::filesystem::create_directories(root / "data");
    g_setenv("XDG_CONFIG_HOME", config_home.c_str(), TRUE);
    g_setenv("XDG_DATA_HOME", (root / "data").c_str(), TRUE);
    g_setenv("HOME", root.c_str(), TRUE);

    Display *held = hold_display();
    gtk_test_init(&argc, &argv, nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (held != nullptr) {
        XCloseDisplay(held);
    }
    std::filesystem::remove_all(root);
    return result;
}

PixbufPtr widget_pixels(GtkWidget *widget) {
    GdkPixmap *pixmap = gtk_widget_get_snapshot(widget, nullptr);
    if (pixmap == nullptr)
        return nullptr;
    int width = 0;
    int height = 0;
    gdk_drawable_get_size(pixmap, &width, &height);
    PixbufPtr pixels{gdk_pixbuf_get_from_drawable(
        nullptr, pixmap, gdk_drawable_get_colormap(pixmap), 0, 0, 0, 0, width, height)};
    g_object_unref(pixmap);
    return pixels;
}

std::string shown_display_first_difference(const GdkPixbuf *picture, std::uint8_t background,
                                           int method) {
    process_events(50);
    const PixbufPtr shown = widget_pixels(window_main);
    if (!shown)
        return "no window pixels";
    PixbufPtr expected{gdk_pixbuf_copy(shown.get())};
    int left = 0, top = 0;
    gtk_widget_translate_coordinates(lookup_widget(window_main, "drawingarea_left_border"),
                                     window_main, 0, 0, &left, &top);
    const int z = options_expansion;
    for (int y = 0; y < display_height * z; y++)
        for (int x = 0; x < display_width * z; x++)
            pixel_set_rgb(expected.get(), left + x, top + y,
                          screen_pixel_rgb(picture, x / z, y / z, background, method));
    return pixels_first_difference(shown.get(), expected.get());
}
