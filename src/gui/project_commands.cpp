#include "gui/project_commands.hpp"

#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/pngreader.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/edit_commands.hpp"
#include "gui/file_follow.hpp"
#include "gui/fileopen.hpp"
#include "gui/painting.hpp"
#include "gui/support.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>

int picture_loaded = 0;
int sprites_loaded = 0;
gchar *utf8_path_and_filename_project = nullptr;
gchar *utf8_path_and_filename_sprites = nullptr;
int border_color_index = 0;
gchar *project_backup_data = nullptr;
int project_backup_pending_restore = 0;

namespace {

constexpr const char *reset_question = "Are you sure you want to reset all data?";
constexpr const char *nothing_to_save = "First load a picture and sprites or open a project";

// A fresh sprite is light green, as the sprite store makes it.
constexpr std::uint8_t fresh_sprite_colour = 13;
// The sprite list shows eight sprites a row, five rows at a time.
constexpr unsigned sprite_list_columns = 8;
constexpr gdouble sprite_list_page_rows = 5;

// The open borders round the picture, which show its background colour.
constexpr std::array<const char *, 4> border_areas{
    "drawingarea_upper_border",
    "drawingarea_left_border",
    "drawingarea_right_border",
    "drawingarea_lower_border",
};
constexpr std::array<const char *, 4> colour_swatches{
    "drawingarea_color_sprite_bit_pair_00",
    "drawingarea_color_sprite_bit_pair_01",
    "drawingarea_color_sprite_bit_pair_10",
    "drawingarea_color_sprite_bit_pair_11",
};

void queue_draw(const char *name) {
    gtk_widget_queue_draw(app_lookup_widget(name));
}

void report_info(const char *message) {
    const GCharPtr text{g_strdup_printf(tr(" Info: %s"), tr(message))};
    controls_update_main_statusbar(text.get());
}

// Takes the error over: the status bar gets it and a dialog shows the bare message.
void report_error(GError *error) {
    const GErrorPtr owned{error};
    const GCharPtr text{g_strdup_printf(tr(" Error: %s"), owned->message)};
    controls_update_main_statusbar(text.get());
    controls_show_message_dialog(owned->message, GTK_MESSAGE_ERROR);
}

// A PNG that breaks the C64's rules was loaded as its nearest fit: the status bar counts the
// places, which the screen outlines, and a dialog lists them.
void report_offences(bool picture, bool sprites) {
    const std::span<const PngreaderOffence> cells =
        picture ? std::span<const PngreaderOffence>(pngreader_picture_offences)
                : std::span<const PngreaderOffence>();
    const std::span<const PngreaderOffence> slots =
        sprites ? std::span<const PngreaderOffence>(pngreader_sprite_offences)
                : std::span<const PngreaderOffence>();
    const std::size_t count = cells.size() + slots.size();
    if (count == 0) {
        return;
    }
    const GCharPtr counted{
        g_strdup_printf(tr_count("%u place breaks the C64's rules: it is outlined, loaded as the "
                                 "nearest fit",
                                 "%u places break the C64's rules: they are outlined, loaded as "
                                 "the nearest fit",
                                 count),
                        static_cast<unsigned>(count))};
    const GCharPtr text{g_strdup_printf(tr(" Info: %s"), counted.get())};
    controls_update_main_statusbar(text.get());
    controls_show_message_dialog(pngreader_describe_offences(cells, slots).c_str(),
                                 GTK_MESSAGE_WARNING);
}

void replace_path(gchar **variable, const gchar *utf8_path) {
    gchar *copy = g_strdup(utf8_path);
    g_free(*variable);
    *variable = copy;
}

void set_title_from(const gchar *utf8_project_path) {
    const GCharPtr base{g_path_get_basename(utf8_project_path)};
    controls_update_main_window_title(base.get());
}

int load_picture_file(const gchar *utf8_path) {
    return open_picture(utf8_path, TRUE) ? 1 : 0;
}

// Reads a sprite file with the user's attribute byte format; a failure is reported.
int decode_sprites(const gchar *utf8_path, int initialise) {
    GError *error = nullptr;
    const int decoded = spritesdecoder_decode_sprites_file(
        utf8_path, options_sprite_attribute_byte_format, initialise, &error);
    if (decoded != 1) {
        report_error(error);
    }
    return decoded;
}

bool first_sprite_is_multicolor() {
    std::int32_t multicolor = 0;
    sprites_get_multicolor_at_index(0, &multicolor);
    return multicolor == 1;
}

void queue_swatches() {
    for (const char *swatch : colour_swatches) {
        queue_draw(swatch);
    }
}

// The picture and its open borders show the new picture, the sprites its background colour.
void show_picture() {
    for (const char *area : border_areas) {
        queue_draw(area);
    }
    queue_draw("drawingarea_picture");
    set_background_color_for_sprites();
}

// Shows what an opened or restored project brought: the editor's multicolour switch and sprite
// colour swatch follow sprite 0.
void show_project() {
    for (const char *area : border_areas) {
        queue_draw(area);
    }
    if (picture_loaded == 1) {
        queue_draw("drawingarea_picture");
        set_background_color_for_sprites();
    }
    if (sprites_loaded == 1) {
        edit_commands_show_multicolour_switch(first_sprite_is_multicolor());
        std::uint8_t colour = 0;
        sprites_get_color_at_index(0, &colour);
        color_index_sprite_bit_pair_10 = colour;
    }
    // The project's colours reached the store even when its sprite file did not load.
    repaint_sprite_views();
    queue_swatches();
}

// The list scroll bar covers one step per row of eight sprites and pages by five rows.
void configure_sprite_list_scrollbar() {
    GtkAdjustment *adjustment =
        gtk_range_get_adjustment(GTK_RANGE(app_lookup_widget("vscrollbar_sprites")));
    const unsigned rows =
        (sprites_get_array_size() + sprite_list_columns - 1) / sprite_list_columns;
    // Each setter leaves the value where it is.
    gtk_adjustment_set_lower(adjustment, 0);
    gtk_adjustment_set_upper(adjustment, rows);
    gtk_adjustment_set_step_increment(adjustment, 1);
    gtk_adjustment_set_page_increment(adjustment, sprite_list_page_rows);
    gtk_adjustment_set_page_size(adjustment, sprite_list_page_rows);
}

// False when the file is no key file (reported), which changes nothing.
bool open_project(const gchar *utf8_project_path) {
    const EditCommandsLoading loading;
    GError *error = nullptr;
    const GCharPtr filename = glib_filename_from_utf8(utf8_project_path, &error);
    const GKeyFilePtr key_file{g_key_file_new()};
    if (!filename || !g_key_file_load_from_file(key_file.get(), filename.get(),
                                                G_KEY_FILE_KEEP_COMMENTS, &error)) {
        report_error(error);
        return false;
    }
    set_title_from(utf8_project_path);

    // The stored absolute paths first, then the same names beside the project file.
    std::string picture;
    if (project_get_named_file(key_file.get(), project_picture_group, utf8_project_path,
                               &picture)) {
        picture_loaded = load_picture_file(picture.c_str());
    }
    std::string sprites;
    if (project_get_named_file(key_file.get(), project_sprites_group, utf8_project_path,
                               &sprites)) {
        sprites_loaded = decode_sprites(sprites.c_str(), 1);
        if (sprites_loaded == 1) {
            replace_path(&utf8_path_and_filename_sprites, sprites.c_str());
        }
    }
    // The project's colours override those the sprite file brought.
    sprites_init_from_key_file(key_file.get());
    project_read_border_color(key_file.get(), &border_color_index);
    show_project();

    report_info("Project opened");
    report_offences(true, true);
    options_save_to_file();
    return true;
}

bool has_picture_and_sprites() {
    if (picture_loaded == 1 && sprites_loaded == 1) {
        return true;
    }
    report_info(nothing_to_save);
    return false;
}

bool load_picture_command(const gchar *utf8_path) {
    picture_loaded = load_picture_file(utf8_path);
    if (picture_loaded != 1) {
        return false;
    }
    edit_commands_mark_unsaved();
    report_info("Picture data loaded");
    options_save_to_file();
    show_picture();
    repaint_sprite_views();
    file_follow_sync();
    return true;
}

bool load_sprites_command(const gchar *utf8_path) {
    const EditCommandsLoading loading;
    sprites_loaded = decode_sprites(utf8_path, 1);
    if (sprites_loaded != 1) {
        return false;
    }
    replace_path(&utf8_path_and_filename_sprites, utf8_path);
    report_info("Sprite data loaded");
    options_save_to_file();
    configure_sprite_list_scrollbar();
    // The switch shows sprite 0 but keeps each sprite's own flag: SpritePad's files mix them.
    edit_commands_show_multicolour_switch(first_sprite_is_multicolor());
    repaint_sprite_views();
    queue_swatches();
    edit_commands_start_history(false);
    file_follow_sync();
    return true;
}

// A file given or dropped that is no sprite file leaves the sprites in use as they were.
bool load_sprites_keeping_old(const gchar *utf8_path) {
    const int were_loaded = sprites_loaded;
    if (load_sprites_command(utf8_path)) {
        return true;
    }
    sprites_loaded = were_loaded;
    return false;
}

} // namespace

void on_menuitem_load_picture_activate(GtkMenuItem *, gpointer) {
    gchar *chosen = nullptr;
    if (fileopen_open_picture_file(&chosen)) {
        const GCharPtr path{chosen};
        project_commands_load_picture(path.get());
    }
}

void project_commands_load_picture(const gchar *utf8_path) {
    if (load_picture_command(utf8_path)) {
        report_offences(true, false);
    }
}

void project_commands_load_frame(const gchar *utf8_path) {
    const bool picture = load_picture_command(utf8_path);
    const bool sprites = load_sprites_keeping_old(utf8_path);
    report_offences(picture, sprites);
}

void project_commands_add_sprites(const gchar *utf8_path) {
    if (load_sprites_keeping_old(utf8_path)) {
        report_offences(false, true);
    }
}

void on_menuitem_load_sprites_activate(GtkMenuItem *, gpointer) {
    gchar *chosen = nullptr;
    if (fileopen_open_sprites_file(&chosen)) {
        const GCharPtr path{chosen};
        project_commands_load_sprites(path.get());
    }
}

int project_commands_load_sprites(const gchar *utf8_path) {
    if (!load_sprites_command(utf8_path)) {
        return 0;
    }
    report_offences(false, true);
    return 1;
}

void on_menuitem_new_project_activate(GtkMenuItem *, gpointer) {
    if ((picture_loaded == 1 || sprites_loaded == 1) &&
        !controls_get_user_confirmation(tr(reset_question))) {
        return;
    }
    const EditCommandsLoading loading;
    picture_loaded = 0;
    sprites_loaded = 0;
    replace_path(&utf8_path_and_filename_project, nullptr);
    replace_path(&utf8_path_and_filename_picture, nullptr);
    replace_path(&utf8_path_and_filename_sprites, nullptr);

    color_index_sprite_bit_pair_10 = fresh_sprite_colour;
    edit_commands_show_multicolour_switch(false);
    sprites_module_init();
    pngreader_picture_offences.clear();
    pngreader_sprite_offences.clear();

    if (pixbuf_picture != nullptr) {
        g_object_unref(pixbuf_picture);
        pixbuf_picture = nullptr;
    }
    queue_draw("drawingarea_picture");
    queue_draw("drawingarea_upper_border");
    queue_draw("drawingarea_lower_border");
    repaint_sprite_views();
    queue_swatches();
    edit_commands_start_history(true);
    file_follow_sync();
}

void on_menuitem_open_project_activate(GtkMenuItem *, gpointer) {
    gchar *chosen = nullptr;
    if (!fileopen_open_project_file(&chosen)) {
        return;
    }
    const GCharPtr path{chosen};
    project_commands_open_project(path.get());
}

void project_commands_open_project(const gchar *utf8_path) {
    if (open_project(utf8_path)) {
        edit_commands_start_history(true);
    }
    // Kept even when the file did not load, so that Save writes a good project over it.
    replace_path(&utf8_path_and_filename_project, utf8_path);
    file_follow_sync();
}

void on_menuitem_open_example_activate(GtkMenuItem *, gpointer) {
    const GCharPtr executable{g_file_read_link("/proc/self/exe", nullptr)};
    const std::string example = project_find_example(executable ? executable.get() : "");
    project_commands_open_project(example.c_str());
}

void on_menuitem_save_project_activate(GtkMenuItem *, gpointer) {
    if (!has_picture_and_sprites()) {
        return;
    }
    if (utf8_path_and_filename_project != nullptr) {
        save_project_to_file(utf8_path_and_filename_project);
    } else {
        choose_name_and_save_project_to_file();
    }
}

void on_menuitem_save_project_as_activate(GtkMenuItem *, gpointer) {
    if (has_picture_and_sprites()) {
        choose_name_and_save_project_to_file();
    }
}

void choose_name_and_save_project_to_file() {
    const std::string suggested = project_get_suggested_project_name(
        utf8_path_and_filename_project, utf8_path_and_filename_picture);
    gchar *chosen = nullptr;
    if (!fileopen_save_project_file(suggested.empty() ? nullptr : suggested.c_str(), &chosen)) {
        return;
    }
    const GCharPtr owned{chosen};
    const std::string name = project_add_ini_extension(owned.get());
    save_project_to_file(name.c_str());
    replace_path(&utf8_path_and_filename_project, name.c_str());
    file_follow_sync();
}

int save_project_to_file(const gchar *utf8_path) {
    const std::string text = project_get_file_text(
        utf8_path_and_filename_picture, utf8_path_and_filename_sprites, border_color_index);
    // GLib's writer lays the groups out; it replaces the file in one step, so a failed write
    // leaves the old project as it was.
    const GKeyFilePtr key_file{g_key_file_new()};
    if (!g_key_file_load_from_data(key_file.get(), text.c_str(), text.size(),
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        return 0;
    }
    GError *error = nullptr;
    const GCharPtr filename = glib_filename_from_utf8(utf8_path, &error);
    if (!filename || !g_key_file_save_to_file(key_file.get(), filename.get(), &error)) {
        report_error(error);
        return 0;
    }
    report_info("Project saved");
    edit_commands_mark_saved();
    options_save_to_file();
    set_title_from(utf8_path);
    file_follow_sync();
    return 1;
}

void on_menuitem_reload_graphics_activate(GtkMenuItem *, gpointer) {
    if (picture_loaded == 1) {
        // open_picture replaces the path it is given, so it gets a copy.
        const GCharPtr path{g_strdup(utf8_path_and_filename_picture)};
        picture_loaded = load_picture_file(path.get());
        if (picture_loaded == 1) {
            show_picture();
            repaint_sprite_views();
        }
    }
    if (sprites_loaded == 1) {
        // Bitmaps and count only: the artist's colours and multicolour flags stay.
        sprites_loaded = decode_sprites(utf8_path_and_filename_sprites, 0);
        if (sprites_loaded == 1) {
            repaint_sprite_views();
        }
    }
    if (picture_loaded == 1 || sprites_loaded == 1) {
        report_info("All graphics were reloaded");
        report_offences(picture_loaded == 1, sprites_loaded == 1);
        options_save_to_file();
    }
    file_follow_sync();
}

void restore_project_from_data() {
    const EditCommandsLoading loading;
    const GKeyFilePtr key_file{g_key_file_new()};
    if (project_backup_data == nullptr ||
        !g_key_file_load_from_data(key_file.get(), project_backup_data, static_cast<gsize>(-1),
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        return;
    }
    std::string named;
    if (project_get_file_value(key_file.get(), project_picture_group, &named) &&
        named != project_no_file) {
        picture_loaded = load_picture_file(project_get_path_from_uri(named.c_str()).c_str());
    }
    if (project_get_file_value(key_file.get(), project_sprites_group, &named) &&
        named != project_no_file) {
        const std::string sprites = project_get_path_from_uri(named.c_str());
        // The preview replaced only bitmaps and colours; the colours come back below.
        sprites_loaded = decode_sprites(sprites.c_str(), 0);
        if (sprites_loaded == 1) {
            replace_path(&utf8_path_and_filename_sprites, sprites.c_str());
        }
    }
    sprites_init_from_key_file(key_file.get());
    project_read_border_color(key_file.get(), &border_color_index);
    show_project();
    file_follow_sync();
}

gboolean project_commands_reload_changed_file(FollowedFile file, GError **error) {
    switch (file) {
    case FollowedFile::picture: {
        const GCharPtr path{g_strdup(utf8_path_and_filename_picture)};
        if (!painting_replace_picture(path.get(), TRUE, error)) {
            return FALSE;
        }
        show_picture();
        repaint_sprite_views();
        return TRUE;
    }
    case FollowedFile::sprites:
        if (!spritesdecoder_decode_sprites_file(utf8_path_and_filename_sprites,
                                                options_sprite_attribute_byte_format, 0, error)) {
            return FALSE;
        }
        configure_sprite_list_scrollbar();
        repaint_sprite_views();
        return TRUE;
    case FollowedFile::project: {
        // Checked first, so that a half-written project changes nothing and shows no dialog.
        const GCharPtr path{g_strdup(utf8_path_and_filename_project)};
        const GCharPtr filename = glib_filename_from_utf8(path.get(), error);
        const GKeyFilePtr key_file{g_key_file_new()};
        if (!filename ||
            !g_key_file_load_from_file(key_file.get(), filename.get(), G_KEY_FILE_NONE, error)) {
            return FALSE;
        }
        return open_project(path.get()) ? TRUE : FALSE;
    }
    }
    return FALSE;
}
