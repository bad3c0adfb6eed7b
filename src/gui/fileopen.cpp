#include "gui/fileopen.hpp"

#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/spritepad.hpp"
#include "gui/support.hpp"

#include <array>
#include <memory>
#include <span>
#include <vector>

namespace {

constexpr int dialog_border = 5;

struct FilterEntry {
    const char *name;
    std::span<const char *const> patterns;
};

// C64 picture formats are offered in lower case only; PNG and the other extensions in the three
// ways people write them.
constexpr std::array picture_patterns{"*.a64", "*.blp", "*.pi",  "*.koa", "*.kla",
                                      "*.vid", "*.pet", "*.png", "*.PNG", "*.Png"};
constexpr std::array prg_patterns{"*.PRG", "*.Prg", "*.prg"};
constexpr std::array sprite_patterns{"*.PRG",  "*.Prg", "*.prg", "*.PMAP", "*.Pmap",
                                     "*.pmap", "*.SPR", "*.Spr", "*.spr",  "*.SPD",
                                     "*.Spd",  "*.spd", "*.PNG", "*.Png",  "*.png"};
constexpr std::array project_patterns{"*.INI", "*.Ini", "*.ini"};
constexpr std::array png_patterns{"*.PNG", "*.Png", "*.png"};
constexpr std::array c64_picture_patterns{"*.koa", "*.kla", "*.pet"};
constexpr std::array all_patterns{"*"};

constexpr FilterEntry all_files{"  All files (*) ", all_patterns};
constexpr std::array picture_filters{
    FilterEntry{"  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet;.png) ",
                picture_patterns},
    FilterEntry{"  Image files as non-executable PRG files (.prg) ", prg_patterns},
    all_files,
};
constexpr std::array sprite_filters{
    FilterEntry{"  Supported sprite files (.prg;.pmap;.spr;.spd;.png) ", sprite_patterns},
    all_files,
};
constexpr std::array project_filters{
    FilterEntry{"  Project files (.ini) ", project_patterns},
    all_files,
};
constexpr std::array png_filters{
    FilterEntry{"  PNG files (.png) ", png_patterns},
    all_files,
};
constexpr std::array c64_picture_filters{
    FilterEntry{"  Koala Painter and PETSCII Vellum files (.koa;.kla;.pet) ", c64_picture_patterns},
    all_files,
};
constexpr std::array spritepad_patterns{"*.SPR", "*.Spr", "*.spr"};
// The file type chosen decides what is written (see fileopen_save_c64_sprites_file).
constexpr std::array c64_sprites_filters{
    FilterEntry{"  Sprite files (.prg) ", prg_patterns},
    FilterEntry{"  SpritePad 1.x files with their colours (.spr) ", spritepad_patterns},
    all_files,
};
constexpr int spritepad_filter = 1;
constexpr std::array executable_filters{
    FilterEntry{"  PRG files (.prg) ", prg_patterns},
    all_files,
};

// Which filter was active when the user last confirmed; kept while the editor runs.
int picture_filter_lastopen = 0;
int sprites_filter_lastopen = 0;
int c64_sprites_filter_lastopen = 0;

constexpr std::array picture_folder{&options_picture_dir_string};
constexpr std::array sprites_folder{&options_sprites_dir_string};
constexpr std::array project_folders{&options_picture_dir_string, &options_sprites_dir_string};
constexpr std::array png_folder{&options_export_png_dir_string};
constexpr std::array executable_folder{&options_export_dir_string};

enum class Template { open, save };

struct ChooserTask {
    Template kind;
    const char *title;
    std::span<const FilterEntry> filters;
    gchar **start_folder;
    std::span<gchar **const> remembered_folders; // replaced by the folder shown on confirmation
    int *filter_lastopen;                        // null: always start with the first filter
    bool preview;
};

constexpr ChooserTask picture_chooser{Template::open,
                                      "Select a picture file",
                                      picture_filters,
                                      &options_picture_dir_string,
                                      picture_folder,
                                      &picture_filter_lastopen,
                                      true};
constexpr ChooserTask sprites_chooser{
    Template::open, "Select a sprite data file", sprite_filters, &options_sprites_dir_string,
    sprites_folder, &sprites_filter_lastopen,    false};
constexpr ChooserTask open_project_chooser{Template::open,
                                           "Open a project file",
                                           project_filters,
                                           &options_picture_dir_string,
                                           picture_folder,
                                           nullptr,
                                           false};
constexpr ChooserTask save_project_chooser{Template::save,
                                           "Save project file",
                                           project_filters,
                                           &options_picture_dir_string,
                                           project_folders,
                                           nullptr,
                                           false};
constexpr ChooserTask png_chooser{Template::save, "Save screenshot file",
                                  png_filters,    &options_export_png_dir_string,
                                  png_folder,     nullptr,
                                  false};
constexpr ChooserTask executable_chooser{Template::save,
                                         "Save executable file",
                                         executable_filters,
                                         &options_export_dir_string,
                                         executable_folder,
                                         nullptr,
                                         false};

constexpr ChooserTask c64_picture_chooser{Template::save,
                                          "Save picture as C64 file",
                                          c64_picture_filters,
                                          &options_picture_dir_string,
                                          picture_folder,
                                          nullptr,
                                          false};
constexpr ChooserTask c64_sprites_chooser{Template::save,
                                          "Save sprites as C64 file",
                                          c64_sprites_filters,
                                          &options_sprites_dir_string,
                                          sprites_folder,
                                          &c64_sprites_filter_lastopen,
                                          false};

// A dialog lives until the chooser returns, whichever way it returns.
struct DialogDestroyer {
    void operator()(GtkWidget *dialog) const { gtk_widget_destroy(dialog); }
};

gchar *to_utf8(const gchar *filename) {
    return filename == nullptr ? nullptr : glib_filename_to_utf8(filename).release();
}

// The cancel (-6) and confirm (-5) buttons of both templates.
GtkWidget *create_template(GtkFileChooserAction action, const char *title,
                           const char *confirm_stock, const char *dialog_name,
                           const char *vbox_name, const char *action_area_name,
                           const char *cancel_name, const char *confirm_name) {
    GtkWidget *dialog = gtk_file_chooser_dialog_new(title, nullptr, action, nullptr, nullptr);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), dialog_border);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);

    GtkWidget *vbox = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_widget_show(vbox);
    GtkWidget *action_area = gtk_dialog_get_action_area(GTK_DIALOG(dialog));
    gtk_widget_show(action_area);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(action_area), GTK_BUTTONBOX_END);

    GtkWidget *cancel = add_dialog_button(dialog, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL);
    GtkWidget *confirm = add_dialog_button(dialog, confirm_stock, GTK_RESPONSE_OK);

    hookup_object_no_ref(dialog, dialog, dialog_name);
    hookup_object_no_ref(dialog, vbox, vbox_name);
    hookup_object_no_ref(dialog, action_area, action_area_name);
    hookup_object(dialog, cancel, cancel_name);
    hookup_object(dialog, confirm, confirm_name);
    gtk_widget_grab_default(confirm);
    return dialog;
}

gboolean run_chooser(const ChooserTask &task, const gchar *suggested_name, gchar **out) {
    GtkWidget *dialog = task.kind == Template::open ? create_filechooserdialog_open()
                                                    : create_filechooserdialog_save();
    const std::unique_ptr<GtkWidget, DialogDestroyer> owner{dialog};
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    gtk_window_set_title(GTK_WINDOW(dialog), tr(task.title));

    std::vector<GtkFileFilter *> filters;
    for (const FilterEntry &filter_entry : task.filters) {
        GtkFileFilter *filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, tr(filter_entry.name));
        for (const char *pattern : filter_entry.patterns) {
            gtk_file_filter_add_pattern(filter, pattern);
        }
        gtk_file_chooser_add_filter(chooser, filter);
        filters.push_back(filter);
    }
    if (task.filter_lastopen != nullptr && *task.filter_lastopen >= 0 &&
        static_cast<std::size_t>(*task.filter_lastopen) < filters.size()) {
        gtk_file_chooser_set_filter(chooser,
                                    filters[static_cast<std::size_t>(*task.filter_lastopen)]);
    }
    if (*task.start_folder != nullptr) {
        const GCharPtr folder = glib_filename_from_utf8(*task.start_folder);
        if (folder) {
            gtk_file_chooser_set_current_folder(chooser, folder.get());
        }
    }
    if (task.kind == Template::save) {
        if (suggested_name != nullptr) {
            gtk_file_chooser_set_current_name(chooser, suggested_name);
        }
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    }
    if (task.preview) {
        GtkWidget *image = gtk_image_new();
        gtk_file_chooser_set_preview_widget(chooser, image);
        g_signal_connect(chooser, "update-preview", G_CALLBACK(fileopen_update_hires_preview_cb),
                         image);
    }

    GCharPtr filename;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK) {
        filename.reset(gtk_file_chooser_get_filename(chooser));
    }
    gchar *utf8_filename = to_utf8(filename.get());
    if (utf8_filename == nullptr) {
        return FALSE;
    }
    *out = utf8_filename;
    GCharPtr folder{gtk_file_chooser_get_current_folder(chooser)};
    for (gchar **remembered : task.remembered_folders) {
        g_free(*remembered);
        *remembered = to_utf8(folder.get());
    }
    if (task.filter_lastopen != nullptr) {
        GtkFileFilter *active = gtk_file_chooser_get_filter(chooser);
        for (std::size_t i = 0; i < filters.size(); i++) {
            if (filters[i] == active) {
                *task.filter_lastopen = static_cast<int>(i);
            }
        }
    }
    return TRUE;
}

} // namespace

void fileopen_forget_filters() {
    picture_filter_lastopen = 0;
    sprites_filter_lastopen = 0;
    c64_sprites_filter_lastopen = 0;
}

GtkWidget *create_filechooserdialog_open() {
    return create_template(GTK_FILE_CHOOSER_ACTION_OPEN, tr("Open picture file"), GTK_STOCK_OPEN,
                           "filechooserdialog_open", "dialog_vbox1", "dialog_action_area1",
                           "button1", "button2");
}

GtkWidget *create_filechooserdialog_save() {
    return create_template(GTK_FILE_CHOOSER_ACTION_SAVE, tr("Save work to file"), GTK_STOCK_SAVE,
                           "filechooserdialog_save", "dialog_vbox2", "dialog_action_area2",
                           "button3", "button4");
}

gboolean fileopen_open_picture_file(gchar **out) {
    return run_chooser(picture_chooser, nullptr, out);
}

gboolean fileopen_open_sprites_file(gchar **out) {
    return run_chooser(sprites_chooser, nullptr, out);
}

gboolean fileopen_open_project_file(gchar **out) {
    return run_chooser(open_project_chooser, nullptr, out);
}

gboolean fileopen_save_project_file(const gchar *suggested_name, gchar **out) {
    return run_chooser(save_project_chooser, suggested_name, out);
}

gboolean fileopen_save_png_file(const gchar *suggested_name, gchar **out) {
    return run_chooser(png_chooser, suggested_name, out);
}

gboolean fileopen_save_executable_file(const gchar *suggested_name, gchar **out) {
    return run_chooser(executable_chooser, suggested_name, out);
}

gboolean fileopen_save_c64_picture_file(const gchar *suggested_name, gchar **out) {
    return run_chooser(c64_picture_chooser, suggested_name, out);
}

gboolean fileopen_save_c64_sprites_file(const gchar *suggested_name, gchar **out) {
    if (!run_chooser(c64_sprites_chooser, suggested_name, out)) {
        return FALSE;
    }
    // The SpritePad type names the file so; the others keep the name given.
    if (c64_sprites_filter_lastopen == spritepad_filter) {
        const GCharPtr folded{g_utf8_casefold(*out, -1)};
        if (!g_str_has_suffix(folded.get(), spritepad_v1_extension)) {
            glib_replace(*out, g_strconcat(*out, spritepad_v1_extension, nullptr));
        }
    }
    return TRUE;
}

void fileopen_update_hires_preview_cb(GtkFileChooser *chooser, gpointer image) {
    GCharPtr filename{gtk_file_chooser_get_preview_filename(chooser)};
    if (!filename) {
        gtk_file_chooser_set_preview_widget_active(chooser, FALSE);
        return;
    }
    // Render only: no picture record, so the loaded picture stays as it is.
    GCharPtr utf8_filename{to_utf8(filename.get())};
    GdkPixbuf *pixbuf = nullptr;
    GError *error = nullptr;
    const gboolean decoded =
        utf8_filename && hiresdecoder_decode_hires_screen_file(
                             utf8_filename.get(), picture_format_none, &pixbuf, nullptr, &error);
    GErrorPtr discarded{error};
    if (pixbuf != nullptr) {
        gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
        g_object_unref(pixbuf);
    }
    gtk_file_chooser_set_preview_widget_active(chooser, decoded);
}
