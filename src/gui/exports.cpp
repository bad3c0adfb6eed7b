#include "gui/exports.hpp"

#include "core/executable.hpp"
#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/fileopen.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <cstdint>
#include <cstring>
#include <span>

namespace {

void post_info(const char *text) {
    const GCharPtr status(g_strdup_printf(tr(" Info: %s"), tr(text)));
    controls_update_main_statusbar(status.get());
}

void report_error(const GError *error) {
    const GCharPtr status(g_strdup_printf(tr(" Error: %s"), error->message));
    controls_update_main_statusbar(status.get());
    controls_show_message_dialog(error->message, GTK_MESSAGE_ERROR);
}

// Both exports need the whole project; says so in the status bar when something is missing.
bool project_is_complete() {
    if (picture_loaded == 1 && sprites_loaded == 1) {
        return true;
    }
    post_info("First load a picture and sprites or open a project");
    return false;
}

// The project's name, else the picture's, without extension, in the given format ("%s.png").
// Names may come from Windows, so a dot before the last backslash is no extension.
GCharPtr suggest_file_name(const char *format) {
    const gchar *source = utf8_path_and_filename_project != nullptr
                              ? utf8_path_and_filename_project
                              : utf8_path_and_filename_picture;
    const GCharPtr base(g_path_get_basename(source != nullptr ? source : ""));
    gchar *dot = std::strrchr(base.get(), '.');
    const gchar *backslash = std::strrchr(base.get(), '\\');
    if (dot != nullptr && (backslash == nullptr || dot > backslash)) {
        *dot = '\0';
    }
    return GCharPtr(g_strdup_printf(format, base.get()));
}

// The chosen name as it is when it ends in the extension (all lower or all upper case), else
// with the lower case extension appended.
GCharPtr with_extension(const gchar *chosen, const char *lower, const char *upper) {
    if (g_str_has_suffix(chosen, lower) || g_str_has_suffix(chosen, upper)) {
        return GCharPtr(g_strdup(chosen));
    }
    return GCharPtr(g_strconcat(chosen, lower, nullptr));
}

gboolean write_program(const gchar *utf8_path, std::span<const std::uint8_t> program) {
    GError *error = nullptr;
    if (executable_write_file(utf8_path, program, &error)) {
        return TRUE;
    }
    const GErrorPtr owned(error);
    report_error(owned.get());
    return FALSE;
}

// The cruncher blocks the main loop, so the watch cursor has to reach the X server before it
// starts.
void set_watch_cursor(bool busy) {
    GdkWindow *window = window_main != nullptr ? gtk_widget_get_window(window_main) : nullptr;
    if (window == nullptr) {
        return;
    }
    if (busy) {
        GdkCursor *watch = gdk_cursor_new(GDK_WATCH);
        gdk_window_set_cursor(window, watch);
        gdk_cursor_unref(watch);
        gdk_flush();
    } else {
        gdk_window_set_cursor(window, nullptr);
    }
}

} // namespace

gboolean export_screen_to_png(const gchar *utf8_path, GError **error) {
    const std::uint8_t background = painting_get_display_background_index();
    // The border images are built from the store as the editing surface builds its own, so the
    // file does not depend on whether the border areas have been shown yet.
    const int method = options_selection_method;
    const PixbufPtr left = spriteviews_new_border_pixbuf(SpriteviewsSide::left, method, background);
    const PixbufPtr right =
        spriteviews_new_border_pixbuf(SpriteviewsSide::right, method, background);
    const PixbufPtr screen =
        spriteviews_compose_screen_pixbuf(left.get(), right.get(), pixbuf_picture, background);
    if (!left || !right || !screen) {
        g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "Could not create pixbuf");
        return FALSE;
    }
    const GCharPtr filename(g_filename_from_utf8(utf8_path, -1, nullptr, nullptr, error));
    if (!filename) {
        return FALSE;
    }
    return gdk_pixbuf_save(screen.get(), filename.get(), "png", error, nullptr);
}

gboolean export_mc_to_executable(const gchar *utf8_path) {
    return write_program(utf8_path, executable_build_mc(picture_data, options_transition,
                                                        options_reencode_graphics == TRUE));
}

gboolean export_petscii_to_executable(const gchar *utf8_path) {
    return write_program(utf8_path, executable_build_petscii(picture_data, options_transition));
}

gboolean export_crunch_executable(const gchar *utf8_path, int start_address, gint *wait_status,
                                  GError **error) {
    const GCharPtr filename(g_filename_from_utf8(utf8_path, -1, nullptr, nullptr, error));
    if (!filename) {
        return FALSE;
    }
    const GCharPtr command(executable_cruncher_command_line(start_address, filename.get()));
    return g_spawn_command_line_sync(command.get(), nullptr, nullptr, wait_status, error);
}

void on_menuitem_export_to_png_activate(GtkMenuItem *, gpointer) {
    if (!project_is_complete()) {
        return;
    }
    const GCharPtr suggested = suggest_file_name("%s.png");
    gchar *chosen = nullptr;
    if (!fileopen_save_png_file(suggested.get(), &chosen)) {
        return;
    }
    const GCharPtr owned_chosen(chosen);
    const GCharPtr path = with_extension(chosen, ".png", ".PNG");
    GError *error = nullptr;
    if (!export_screen_to_png(path.get(), &error)) {
        const GErrorPtr owned(error);
        report_error(owned.get());
        return;
    }
    post_info("Project exported to PNG");
}

void on_menuitem_export_activate(GtkMenuItem *, gpointer) {
    if (!project_is_complete()) {
        return;
    }
    const GCharPtr suggested = suggest_file_name("%s.prg");
    gchar *chosen = nullptr;
    if (!fileopen_save_executable_file(suggested.get(), &chosen)) {
        return;
    }
    const GCharPtr owned_chosen(chosen);
    const GCharPtr path = with_extension(chosen, ".prg", ".PRG");

    int start_address = 0;
    gboolean written = FALSE;
    if (picture_data.format == picture_format_petscii) {
        start_address = executable_start_address_petscii;
        written = export_petscii_to_executable(path.get());
    } else if (picture_format_is_multicolor(picture_data.format)) {
        start_address = executable_start_address_mc;
        written = export_mc_to_executable(path.get());
    }
    if (!written) {
        return;
    }

    set_watch_cursor(true);
    gint wait_status = 0;
    GError *error = nullptr;
    const gboolean started =
        export_crunch_executable(path.get(), start_address, &wait_status, &error);
    const GErrorPtr owned(error);
    if (!started) {
        report_error(owned.get());
    }
    set_watch_cursor(false);
    // Any other outcome leaves the unpacked program on disk for the user to crunch by hand.
    if (started && g_spawn_check_wait_status(wait_status, nullptr)) {
        post_info("Successfully exported to executable PRG");
    }
}
