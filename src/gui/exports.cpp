#include "gui/exports.hpp"

#include "core/executable.hpp"
#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/project.hpp"
#include "core/spritepad.hpp"
#include "core/spritesdecoder.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/fileopen.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <glib/gstdio.h>
#include <signal.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <vector>

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

// The file's base name with the given extension instead of its own.
GCharPtr renamed(const gchar *utf8_path, const char *extension) {
    const GCharPtr base(g_path_get_basename(utf8_path != nullptr ? utf8_path : ""));
    return GCharPtr(g_strconcat(project_strip_extension(base.get()).c_str(), extension, nullptr));
}

// Writes bytes in one piece and says so, or reports why not.
void write_c64_file(const gchar *utf8_path, std::span<const std::uint8_t> bytes, const char *done) {
    GError *error = nullptr;
    if (!executable_write_file(utf8_path, bytes, &error)) {
        const GErrorPtr owned(error);
        report_error(owned.get());
        return;
    }
    post_info(done);
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

// The main window shows the watch cursor while the cruncher runs.
void set_watch_cursor(bool busy) {
    GdkWindow *window = window_main != nullptr ? gtk_widget_get_window(window_main) : nullptr;
    if (window == nullptr) {
        return;
    }
    if (busy) {
        GdkCursor *watch = gdk_cursor_new(GDK_WATCH);
        gdk_window_set_cursor(window, watch);
        gdk_cursor_unref(watch);
    } else {
        gdk_window_set_cursor(window, nullptr);
    }
}

// The running cruncher and its progress dialog. The child watch and the Cancel button both end
// the dialog's nested main loop, which keeps the window painted meanwhile.
struct CrunchRun {
    GPid pid = 0;
    bool finished = false;
    gint wait_status = 0;
    GtkWidget *dialog = nullptr;
};

constexpr guint pulse_interval_ms = 100;
constexpr gint response_finished = 1;

void on_cruncher_exit(GPid pid, gint wait_status, gpointer data) {
    auto *run = static_cast<CrunchRun *>(data);
    g_spawn_close_pid(pid);
    run->finished = true;
    run->wait_status = wait_status;
    if (run->dialog != nullptr) {
        gtk_dialog_response(GTK_DIALOG(run->dialog), response_finished);
    }
}

gboolean pulse_progress(gpointer bar) {
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar));
    return TRUE;
}

GtkWidget *new_crunch_dialog(GtkWidget **bar) {
    GtkWidget *dialog = gtk_dialog_new_with_buttons(
        tr("Crunching"), window_main != nullptr ? GTK_WINDOW(window_main) : nullptr,
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
    gtk_widget_set_name(dialog, "dialog_crunch");
    GtkWidget *box = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_pack_start(GTK_BOX(box), gtk_label_new(tr("Packing the program with Exomizer...")),
                       FALSE, FALSE, 6);
    *bar = gtk_progress_bar_new();
    gtk_box_pack_start(GTK_BOX(box), *bar, FALSE, FALSE, 6);
    gtk_widget_show_all(dialog);
    return dialog;
}

enum class CrunchOutcome { crunched, failed, not_started, cancelled };

// Runs the cruncher on the file behind a modal progress dialog. Cancel stops it and puts the
// uncrunched program back, as the cruncher may have begun to write its output.
CrunchOutcome crunch_with_progress(const gchar *utf8_path, int start_address, GError **error) {
    const GCharPtr filename = glib_filename_from_utf8(utf8_path, error);
    gchar *uncrunched = nullptr;
    gsize uncrunched_size = 0;
    if (!filename || !g_file_get_contents(filename.get(), &uncrunched, &uncrunched_size, error)) {
        return CrunchOutcome::not_started;
    }
    const GCharPtr owned_uncrunched(uncrunched);
    const GCharPtr command(executable_cruncher_command_line(start_address, filename.get()));
    gchar **argv = nullptr;
    CrunchRun run;
    if (!g_shell_parse_argv(command.get(), nullptr, &argv, error)) {
        return CrunchOutcome::not_started;
    }
    const gboolean started =
        g_spawn_async(nullptr, argv, nullptr,
                      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                      nullptr, nullptr, &run.pid, error);
    g_strfreev(argv);
    if (!started) {
        return CrunchOutcome::not_started;
    }
    g_child_watch_add(run.pid, on_cruncher_exit, &run);
    set_watch_cursor(true);
    GtkWidget *bar = nullptr;
    run.dialog = new_crunch_dialog(&bar);
    const guint pulse = g_timeout_add(pulse_interval_ms, pulse_progress, bar);
    bool cancelled = false;
    while (!run.finished) {
        if (gtk_dialog_run(GTK_DIALOG(run.dialog)) != response_finished && !run.finished) {
            cancelled = true;
            kill(run.pid, SIGTERM);
            while (!run.finished) {
                g_main_context_iteration(nullptr, TRUE);
            }
        }
    }
    g_source_remove(pulse);
    gtk_widget_destroy(run.dialog);
    run.dialog = nullptr;
    set_watch_cursor(false);
    if (cancelled) {
        g_file_set_contents(filename.get(), uncrunched, static_cast<gssize>(uncrunched_size),
                            nullptr);
        return CrunchOutcome::cancelled;
    }
    return g_spawn_check_wait_status(run.wait_status, nullptr) ? CrunchOutcome::crunched
                                                               : CrunchOutcome::failed;
}

// Writes the program for the loaded picture; its start address, or 0 when the picture's format
// has no viewer or the file could not be written (reported).
int write_program_for_picture(const gchar *utf8_path) {
    if (picture_data.format == picture_format_petscii) {
        return export_petscii_to_executable(utf8_path) ? executable_start_address_petscii : 0;
    }
    if (picture_format_is_multicolor(picture_data.format)) {
        return export_mc_to_executable(utf8_path) ? executable_start_address_mc : 0;
    }
    return 0;
}

// The emulator Run in emulator starts: x64sc, else x64; null when neither is on PATH.
GCharPtr find_emulator() {
    GCharPtr found(g_find_program_in_path("x64sc"));
    return found ? std::move(found) : GCharPtr(g_find_program_in_path("x64"));
}

// The temporary folder of a program handed to the emulator goes when the emulator ends; the
// watch frees its name.
void on_emulator_exit(GPid pid, gint, gpointer folder) {
    g_spawn_close_pid(pid);
    std::error_code ignored;
    std::filesystem::remove_all(static_cast<gchar *>(folder), ignored);
}

} // namespace

gboolean export_screen_to_png(const gchar *utf8_path, GError **error) {
    // The border images are built from the store as the editing surface builds its own, so the
    // file does not depend on whether the border areas have been shown yet.
    return spriteviews_save_screen_png(utf8_path, pixbuf_picture, options_selection_method,
                                       painting_get_display_background_index(), error);
}

gboolean export_mc_to_executable(const gchar *utf8_path) {
    return write_program(utf8_path, executable_build_mc(picture_data, options_transition,
                                                        options_reencode_graphics == TRUE));
}

gboolean export_petscii_to_executable(const gchar *utf8_path) {
    return write_program(utf8_path, executable_build_petscii(picture_data, options_transition));
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

void on_menuitem_save_picture_as_c64_activate(GtkMenuItem *, gpointer) {
    if (picture_loaded != 1) {
        post_info("First load a picture");
        return;
    }
    const bool petscii = picture_data.format == picture_format_petscii;
    const char *lower = petscii ? ".pet" : ".koa";
    const char *upper = petscii ? ".PET" : ".KOA";
    const std::vector<std::uint8_t> file = hiresdecoder_build_picture_file(
        picture_data, static_cast<std::uint8_t>(border_color_index & 0x0F));
    gchar *chosen = nullptr;
    if (fileopen_save_c64_picture_file(renamed(utf8_path_and_filename_picture, lower).get(),
                                       &chosen)) {
        const GCharPtr owned_chosen(chosen);
        write_c64_file(with_extension(chosen, lower, upper).get(), file,
                       "Picture saved as a C64 file");
    }
}

void on_menuitem_save_sprites_as_c64_activate(GtkMenuItem *, gpointer) {
    if (sprites_loaded != 1) {
        post_info("First load sprites");
        return;
    }
    gchar *chosen = nullptr;
    if (!fileopen_save_c64_sprites_file(renamed(utf8_path_and_filename_sprites, ".prg").get(),
                                        &chosen)) {
        return;
    }
    // A name ending in ".spr" (the SpritePad type gives one) gets a SpritePad file.
    const GCharPtr owned_chosen(chosen);
    const GCharPtr folded(g_utf8_casefold(chosen, -1));
    const GCharPtr path = g_str_has_suffix(folded.get(), spritepad_v1_extension)
                              ? GCharPtr(g_strdup(chosen))
                              : with_extension(chosen, ".prg", ".PRG");
    write_c64_file(path.get(), spritesdecoder_build_file_for_name(path.get()),
                   "Sprites saved as a C64 file");
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
    export_program_to(path.get());
}

void export_program_to(const gchar *utf8_path) {
    const int start_address = write_program_for_picture(utf8_path);
    if (start_address == 0) {
        return;
    }
    GError *error = nullptr;
    const CrunchOutcome outcome = crunch_with_progress(utf8_path, start_address, &error);
    const GErrorPtr owned(error);
    // A failed run leaves the unpacked program on disk for the user to crunch by hand.
    switch (outcome) {
    case CrunchOutcome::crunched:
        post_info("Successfully exported to executable PRG");
        break;
    case CrunchOutcome::not_started:
        report_error(owned.get());
        break;
    case CrunchOutcome::cancelled:
        post_info("Crunching cancelled: the program was written uncrunched");
        break;
    case CrunchOutcome::failed:
        break;
    }
}

void on_menuitem_run_in_emulator_activate(GtkMenuItem *, gpointer) {
    const GCharPtr emulator = find_emulator();
    if (!emulator) {
        post_info("Neither x64sc nor x64 was found on PATH");
        return;
    }
    if (!project_is_complete()) {
        return;
    }
    GError *error = nullptr;
    GCharPtr folder(g_dir_make_tmp("c64-sidewell-XXXXXX", &error));
    if (!folder) {
        const GErrorPtr owned(error);
        report_error(owned.get());
        return;
    }
    const GCharPtr utf8_folder = glib_filename_to_utf8(folder.get());
    const GCharPtr suggested = suggest_file_name("%s.prg");
    const GCharPtr path(g_build_filename(utf8_folder.get(), suggested.get(), nullptr));
    const int start_address = write_program_for_picture(path.get());
    bool self_starting = false;
    if (start_address != 0) {
        const GCharPtr exomizer(g_find_program_in_path("exomizer"));
        self_starting = exomizer && crunch_with_progress(path.get(), start_address, nullptr) ==
                                        CrunchOutcome::crunched;
        if (!self_starting) {
            // Without the cruncher's BASIC line the program needs one of its own.
            const ExecutableProgram program = executable_build(picture_data, options_transition,
                                                               options_reencode_graphics == TRUE);
            self_starting = write_program(
                path.get(), executable_make_self_starting(program.bytes, start_address));
        }
    }
    const GCharPtr filename = glib_filename_from_utf8(path.get());
    gchar *argv[] = {emulator.get(), filename.get(), nullptr};
    GPid pid = 0;
    if (!self_starting || !g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                         nullptr, &pid, &error)) {
        std::error_code ignored;
        std::filesystem::remove_all(folder.get(), ignored);
        if (error != nullptr) {
            const GErrorPtr owned(error);
            report_error(owned.get());
        }
        return;
    }
    g_child_watch_add_full(G_PRIORITY_DEFAULT, pid, on_emulator_exit, folder.release(), g_free);
    post_info("Started the project in the emulator");
}

void on_menuitem_file_activate(GtkMenuItem *, gpointer) {
    const GCharPtr emulator = find_emulator();
    gtk_widget_set_sensitive(lookup_widget(window_main, "menuitem_run_in_emulator"),
                             emulator ? TRUE : FALSE);
}
