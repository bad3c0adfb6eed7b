#pragma once
// Drives the File menu against real files: pictures, sprite files and projects written into a
// folder of the test's own, the file choosers answered as a user would, and what the editor
// said in the status bar and its error dialogs.

#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace project_test {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// A Koala Painter file: load address $6000, bitmap, screen RAM, colour RAM, background colour.
inline Bytes koala_file(std::uint8_t background) {
    Bytes bytes{0x00, 0x60};
    bytes.resize(2 + 8000 + 1000 + 1000, 0x55);
    bytes.push_back(background);
    return bytes;
}

// A PETSCII Vellum screen: 40, 25, border, background, character set, codes, colours.
inline Bytes petscii_file(std::uint8_t border, std::uint8_t background) {
    Bytes bytes{40, 25, border, background, 0};
    bytes.resize(5 + 1000, 32);
    bytes.resize(5 + 2000, 1);
    return bytes;
}

// count sprite slots after a load address; slot k is filled with fill + k and its attribute
// byte holds colour k mod 16, except the first, which is first_attribute.
inline Bytes sprite_file(unsigned count, std::uint8_t fill, std::uint8_t first_attribute = 1) {
    Bytes bytes{0x00, 0x30};
    for (unsigned k = 0; k < count; k++) {
        bytes.insert(bytes.end(), sprite_data_size, static_cast<std::uint8_t>(fill + k));
        bytes.push_back(k == 0 ? first_attribute : static_cast<std::uint8_t>(k % 16));
    }
    return bytes;
}

inline fs::path write_file(const fs::path &path, const Bytes &bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline fs::path write_text(const fs::path &path, const std::string &text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

inline std::string read_text(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string file_uri(const fs::path &path) {
    const GCharPtr uri{g_filename_to_uri(path.c_str(), nullptr, nullptr)};
    return uri.get();
}

inline std::string chooser_filename(GtkWidget *dialog) {
    const GCharPtr filename{gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))};
    return filename ? filename.get() : "";
}

// Answers an open dialog by picking file (a folder too) once the chooser shows it picked.
inline void pick(DialogAnswer &answer, const fs::path &file) {
    answer.inspect = [file](GtkWidget *dialog) {
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(dialog), file.c_str());
    };
    answer.ready = [file](GtkWidget *dialog) { return chooser_filename(dialog) == file.string(); };
}

// Answers a save dialog by typing name in folder.
inline void type_name(DialogAnswer &answer, const fs::path &folder, const std::string &name) {
    answer.inspect = [folder, name](GtkWidget *dialog) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder.c_str());
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
    };
    const std::string expected = (folder / name).string();
    answer.ready = [expected](GtkWidget *dialog) { return chooser_filename(dialog) == expected; };
}

inline std::string status_text() {
    const std::vector<std::string> texts = label_texts(gtk_statusbar_get_message_area(
        GTK_STATUSBAR(lookup_widget(window_main, "statusbar_main"))));
    return texts.empty() ? "" : texts.front();
}

inline std::vector<GtkWidget *> error_dialogs() {
    std::vector<GtkWidget *> found;
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        if (GTK_IS_MESSAGE_DIALOG(element->data)) {
            GtkMessageType type = GTK_MESSAGE_OTHER;
            g_object_get(element->data, "message-type", &type, nullptr);
            if (type == GTK_MESSAGE_ERROR) {
                found.push_back(GTK_WIDGET(element->data));
            }
        }
    }
    g_list_free(toplevels);
    return found;
}

// The messages of the error dialogs now open; closes them.
inline std::vector<std::string> take_error_messages() {
    std::vector<std::string> messages;
    for (GtkWidget *dialog : error_dialogs()) {
        gchar *text = nullptr;
        g_object_get(dialog, "text", &text, nullptr);
        messages.emplace_back(text != nullptr ? text : "");
        g_free(text);
        gtk_widget_destroy(dialog);
    }
    return messages;
}

inline std::string window_title() {
    const gchar *title = gtk_window_get_title(GTK_WINDOW(window_main));
    return title != nullptr ? title : "";
}

inline std::uint8_t colour_at(unsigned index) {
    std::uint8_t colour = 0xEE;
    sprites_get_color_at_index(index, &colour);
    return colour;
}

inline std::int32_t multicolor_at(unsigned index) {
    std::int32_t flag = 0x5A;
    sprites_get_multicolor_at_index(index, &flag);
    return flag;
}

inline std::uint8_t first_byte_at(unsigned index) {
    const SpriteRecord *record = sprites_get_record_at_index(index);
    return record != nullptr ? record->data[0] : 0;
}

// The message GLib gives for reading path whole, as the decoders pass it on.
inline std::string read_error(const fs::path &path) {
    gchar *contents = nullptr;
    GError *raw = nullptr;
    if (g_file_get_contents(path.c_str(), &contents, nullptr, &raw)) {
        g_free(contents);
        return "";
    }
    const GErrorPtr error{raw};
    return error->message;
}

inline void activate(const char *item) {
    gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(window_main, item)));
}

// The key arrives through the X server; the handler, with any dialog it runs, is done when this
// returns.
inline void press(guint keyval) {
    ASSERT_TRUE(send_key(keyval, GdkModifierType(0)));
    process_events(50);
}

inline void clear_path(gchar **path) {
    g_free(*path);
    *path = nullptr;
}

// What is loaded, back to the state of a fresh start.
inline void reset_project_state() {
    picture_loaded = 0;
    sprites_loaded = 0;
    clear_path(&utf8_path_and_filename_project);
    clear_path(&utf8_path_and_filename_picture);
    clear_path(&utf8_path_and_filename_sprites);
    clear_path(&project_backup_data);
    project_backup_pending_restore = 0;
    border_color_index = 0;
    color_index_sprite_bit_pair_10 = 13;
}

// The editor with nothing loaded and a folder for the test's files.
class ProjectTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        reset_project_state();
        const GCharPtr made{g_dir_make_tmp("sidewell-project-XXXXXX", nullptr)};
        ASSERT_TRUE(made);
        dir = made.get();
    }
    void TearDown() override {
        take_error_messages();
        fs::remove_all(dir);
        reset_project_state();
        EditorTest::TearDown();
    }

    // Loads through the menus, as the artist would; each must succeed.
    void load_picture(const fs::path &file) {
        DialogAnswer answer("Select a picture file", GTK_RESPONSE_OK);
        pick(answer, file);
        activate("menuitem_load_picture");
        ASSERT_EQ(picture_loaded, 1) << file;
    }
    void load_sprites(const fs::path &file) {
        DialogAnswer answer("Select a sprite data file", GTK_RESPONSE_OK);
        pick(answer, file);
        activate("menuitem_load_sprites");
        ASSERT_EQ(sprites_loaded, 1) << file;
    }
    void open_project(const fs::path &file) {
        DialogAnswer answer("Open a project file", GTK_RESPONSE_OK);
        pick(answer, file);
        activate("menuitem_open_project");
        ASSERT_EQ(answer.times_answered(), 1);
    }
    void save_as(const fs::path &folder, const std::string &name) {
        DialogAnswer answer("Save project file", GTK_RESPONSE_OK);
        type_name(answer, folder, name);
        activate("menuitem_save_project_as");
        ASSERT_EQ(answer.times_answered(), 1);
    }
    bool multicolor_button_active() {
        return gtk_toggle_button_get_active(
                   GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor"))) == TRUE;
    }
    void set_multicolor_button(bool active) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor")),
                                     active ? TRUE : FALSE);
    }

    fs::path dir;
};

} // namespace project_test
