#pragma once
// Drives the File menu against real files in a folder of the test's own, answering the choosers
// as a user would, and reads what the editor said in the status bar and its message dialogs.

#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
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

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace project_test {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// Cases print and name their tests by their name (taken with a using-declaration, for lookup).
template <typename Case>
concept NamedCase = requires(const Case &c) {
    std::string(c.name);
};
template <NamedCase Case> void PrintTo(const Case &c, std::ostream *os) {
    *os << c.name;
}
inline constexpr auto case_name = [](const auto &info) { return std::string(info.param.name); };

// Koala Painter at $6000: a bitmap in changing patterns, screen RAM, colour RAM with junk in the
// high nibbles, background.
inline Bytes koala_file(std::uint8_t background) {
    Bytes file(10003);
    file[1] = 0x60;
    for (std::size_t i = 0; i < 8000; ++i) {
        file[2 + i] = static_cast<std::uint8_t>(i * 37 + i / 320);
    }
    for (std::size_t i = 0; i < 1000; ++i) {
        file[8002 + i] = static_cast<std::uint8_t>(i * 13 + 5);
        file[9002 + i] = static_cast<std::uint8_t>(0xF0 | (i % 16));
    }
    file.back() = background;
    return file;
}

// PETSCII Vellum: 40, 25, border, background, the lower case set, every screen code in turn,
// changing colours.
inline Bytes petscii_file(std::uint8_t border, std::uint8_t background) {
    Bytes file = {40, 25, border, background, 1};
    for (std::size_t i = 0; i < 1000; ++i) {
        file.push_back(static_cast<std::uint8_t>(i % 256));
    }
    for (std::size_t i = 0; i < 1000; ++i) {
        file.push_back(static_cast<std::uint8_t>(i * 3 % 16));
    }
    return file;
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

template <typename Contents> fs::path write_file(const fs::path &path, const Contents &contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(contents.data()),
               static_cast<std::streamsize>(contents.size()));
    return path;
}

inline std::string read_text(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline Bytes read_bytes(const fs::path &path) {
    const std::string text = read_text(path);
    return Bytes(text.begin(), text.end());
}

inline std::set<std::string> files_in(const fs::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

inline std::string file_uri(const fs::path &path) {
    return GCharPtr{g_filename_to_uri(path.c_str(), nullptr, nullptr)}.get();
}

inline std::string chooser_filename(GtkWidget *dialog) {
    const GCharPtr filename{gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))};
    return filename ? filename.get() : "";
}

inline GtkFileFilter *filter_named(GtkWidget *dialog, const std::string &name) {
    GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
    GtkFileFilter *found = nullptr;
    for (GSList *filter = filters; filter != nullptr; filter = filter->next) {
        if (gtk_file_filter_get_name(GTK_FILE_FILTER(filter->data)) == name) {
            found = GTK_FILE_FILTER(filter->data);
        }
    }
    g_slist_free(filters);
    return found;
}

// Answers an open dialog by picking file (under the named filter, if any) once the chooser
// shows it picked.
inline void pick(DialogAnswer &answer, const fs::path &file, const char *filter = nullptr) {
    answer.inspect = [file, filter](GtkWidget *dialog) {
        if (filter != nullptr) {
            gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter_named(dialog, filter));
        }
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(dialog), file.c_str());
    };
    answer.ready = [file](GtkWidget *dialog) { return chooser_filename(dialog) == file.string(); };
}

// Answers a save dialog by typing name, when there is one, and confirming once the chooser
// shows shown (the name typed, by default) in folder.
inline void type_name(DialogAnswer &answer, const fs::path &folder, const std::string &name,
                      std::string shown = "") {
    answer.inspect = [folder, name](GtkWidget *dialog) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder.c_str());
        if (!name.empty()) {
            gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
        }
    };
    const std::string expected = (folder / (shown.empty() ? name : shown)).string();
    answer.ready = [expected](GtkWidget *dialog) { return chooser_filename(dialog) == expected; };
}

inline std::string status_text() {
    const std::vector<std::string> texts = label_texts(gtk_statusbar_get_message_area(
        GTK_STATUSBAR(lookup_widget(window_main, "statusbar_main"))));
    return texts.empty() ? "" : texts.front();
}

inline std::string window_title() {
    const gchar *title = gtk_window_get_title(GTK_WINDOW(window_main));
    return title != nullptr ? title : "";
}

// The message dialogs on screen of the given type, or of any type.
inline std::vector<GtkWidget *> message_dialogs(GtkMessageType only = GTK_MESSAGE_OTHER) {
    std::vector<GtkWidget *> found;
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        GtkMessageType type = GTK_MESSAGE_OTHER;
        if (GTK_IS_MESSAGE_DIALOG(element->data) &&
            gtk_widget_get_visible(GTK_WIDGET(element->data))) {
            g_object_get(element->data, "message-type", &type, nullptr);
            if (only == GTK_MESSAGE_OTHER || type == only) {
                found.push_back(GTK_WIDGET(element->data));
            }
        }
    }
    g_list_free(toplevels);
    return found;
}

inline std::string message_text(GtkWidget *dialog) {
    gchar *text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    const GCharPtr owned{text};
    return owned ? owned.get() : "";
}

// The texts of the message dialogs on screen, which are closed.
inline std::vector<std::string> take_messages() {
    process_events();
    std::vector<std::string> texts;
    for (GtkWidget *dialog : message_dialogs()) {
        texts.push_back(message_text(dialog));
        gtk_widget_destroy(dialog);
    }
    return texts;
}

// The one error reported, in the status bar and in a dialog; empty when there was none.
inline std::string taken_error() {
    const std::vector<std::string> messages = take_messages();
    const std::string status = status_text();
    const std::string prefix = " Error: ";
    EXPECT_EQ(status.rfind(prefix, 0), 0u) << status;
    EXPECT_EQ(messages,
              std::vector<std::string>{status.substr(std::min(status.size(), prefix.size()))});
    return messages.size() == 1 ? messages[0] : "";
}

// Sprite index of the store; a record of zeros past its end.
inline const SpriteRecord &record(unsigned index) {
    static const SpriteRecord none{};
    const SpriteRecord *found = sprites_get_record_at_index(index);
    return found != nullptr ? *found : none;
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
    process_events();
}

// The key arrives through the X server; the handler, with any dialog it runs, is done when this
// returns.
inline void press(guint keyval) {
    ASSERT_TRUE(send_key(keyval, GdkModifierType(0)));
    process_events(50);
}

inline void set_path(gchar **path, const fs::path &value = {}) {
    g_free(*path);
    *path = value.empty() ? nullptr : g_strdup(value.c_str());
}

// The editor with nothing loaded and a folder for the test's files.
class ProjectTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        reset_project_state();
        dir = GCharPtr{g_dir_make_tmp("sidewell-project-XXXXXX", nullptr)}.get();
    }
    void TearDown() override {
        take_messages();
        fs::remove_all(dir);
        reset_project_state();
        EditorTest::TearDown();
    }
    static void reset_project_state() {
        picture_loaded = 0;
        sprites_loaded = 0;
        for (gchar **path : {&utf8_path_and_filename_project, &utf8_path_and_filename_picture,
                             &utf8_path_and_filename_sprites, &project_backup_data}) {
            set_path(path);
        }
        picture_data.format = picture_format_none;
        project_backup_pending_restore = 0;
        border_color_index = 0;
        color_index_sprite_bit_pair_10 = 13;
    }

    // Runs the menu item with its dialog answered: file picked, or typed when the dialog saves.
    static void answer_with(const char *item, const char *title, const fs::path &file,
                            bool save = false) {
        DialogAnswer answer(title, GTK_RESPONSE_OK);
        save ? type_name(answer, file.parent_path(), file.filename()) : pick(answer, file);
        activate(item);
        ASSERT_EQ(answer.times_answered(), 1) << file;
    }
    // Loads as the artist would; each load must succeed.
    static void load_picture(const fs::path &file) {
        answer_with("menuitem_load_picture", "Select a picture file", file);
        ASSERT_EQ(picture_loaded, 1) << file;
    }
    static void load_sprites(const fs::path &file) {
        answer_with("menuitem_load_sprites", "Select a sprite data file", file);
        ASSERT_EQ(sprites_loaded, 1) << file;
    }
    GtkToggleButton *multicolor_button() {
        return GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor"));
    }

    fs::path dir;
};

} // namespace project_test
