// The File and Edit menus: load, new, save, open, reload and the restore after the template
// preview; undo and redo; files dropped from a file manager.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <memory>
#include <sstream>

namespace {

using gui_test::PrintTo;
using Messages = std::vector<std::string>;
using FileMenu = EditorTest;

const SpriteRecord &record(unsigned index) {
    static const SpriteRecord none{};
    const SpriteRecord *found = sprites_get_record_at_index(index);
    return found != nullptr ? *found : none;
}

GtkToggleButton *multicolour_switch() {
    return GTK_TOGGLE_BUTTON(lookup_widget(window_main, "checkbutton_sprite_multicolor"));
}

// The files in use (picture, sprites, project; "~" not loaded), whether the picture has an
// image, the corner colour, the sprite store, the multicolour switch, the sprite colour swatch;
// the list's scroll bar, the sprites' transparent colour, whether the preferences were written,
// the status line and the title.
std::string shown_state(const fs::path &dir, GtkAdjustment *rows, const fs::path &config) {
    std::ostringstream shown;
    shown << "  ";
    for (const auto &[flag, path] : {std::pair{picture_loaded, utf8_path_and_filename_picture},
                                     {sprites_loaded, utf8_path_and_filename_sprites},
                                     {1, utf8_path_and_filename_project}})
        shown << (!path ? "-" : (flag == 1 ? "" : "~") + fs::relative(path, dir).string()) << ' ';
    shown << (pixbuf_picture ? "drawn, " : "") << "corner " << border_color_index << ", "
          << sprites_get_array_size() << " sprites of " << int(record(0).data[0]) << " colour "
          << int(record(0).color)
          << (gtk_toggle_button_get_active(multicolour_switch()) ? ", multicolour" : ", single")
          << ", swatch " << int(color_index_sprite_bit_pair_10) << "\n  rows";
    for (const double value :
         {gtk_adjustment_get_value(rows), gtk_adjustment_get_lower(rows),
          gtk_adjustment_get_upper(rows), gtk_adjustment_get_step_increment(rows),
          gtk_adjustment_get_page_increment(rows), gtk_adjustment_get_page_size(rows)})
        shown << ' ' << value;
    shown << ", transparent " << int(sprites_get_background_color())
          << (fs::exists(config) ? ", saved" : "") << ", \"" << status_text() << "\", "
          << window_title() << "\n";
    return shown.str();
}

// New asks only when something is loaded; files are loaded through F2 and F3, projects opened
// through F1 (each picked in its chooser) and files dropped from a file manager as a
// text/uri-list. After each step the whole state, the questions (?) and the error dialogs (!).
TEST_F(FileMenu, NewLoadOpenAndDropShowWhatTheFilesHoldOrReport) {
    write_file(dir / "castle.koa", koala_file(3));
    write_file(dir / "welcome.pet", petscii_file(0xF5, 6));
    write_file(dir / "a.prg", sprite_file(17, 0x10, 0x81));
    write_file(dir / "b.prg", sprite_file(128, 0x20, 0x81));
    write_file(dir / "notes.txt", std::string("[notes]\nnot a picture, not sprites\n"));
    // Groups in any order, numbers reduced, the project's corner over the PETSCII border byte.
    write_file(dir / "hand.ini",
               "# made by hand\n[colors]\nbase=17\n[sprites]\nfile=" + file_uri(dir / "a.prg") +
                   "\nbackground_color_index=-1\nmc_flags=false;true;\ncolor_indexes=37;2;\n"
                   "[picture]\nfile=" +
                   file_uri(dir / "welcome.pet") + "\n");
    const std::string bad_text = "this is not\na key file\n";
    write_file(dir / "bad.ini", bad_text);
    // Missing files are looked for beside the project too.
    write_file(dir / "gone.ini", std::string("[picture]\nfile=file:///nowhere/gone.koa\n[sprites]\n"
                                             "file=file:///nowhere/gone.prg\ncolor_indexes=1;\n"
                                             "mc_flags=false;\n"));
    GtkAdjustment *rows = gtk_range_get_adjustment(GTK_RANGE(widget("vscrollbar_sprites")));
    std::string transcript;
    for (const char *action :
         {"new yes", "F2 welcome.pet", "new no", "attributes sprite_pad", "F3 a.prg",
          "attributes ignore", "F3 b.prg", "attributes sprite_pad", "F1 hand.ini", "F4 a.prg=b.prg",
          "F4 a.prg=", "F4 welcome.pet=", "F4", "F1 bad.ini", "drop gone.ini",
          "drop b.prg castle.koa", "drop notes.txt", "new no", "new yes"}) {
        std::istringstream words(action);
        std::string verb, name;
        words >> verb;
        gtk_adjustment_configure(rows, 2, -3, 20, 2, 4, 4);
        controls_update_main_statusbar("");
        fs::remove(config_file());
        transcript += std::string(action) + "\n";
        DialogAnswer question("Confirmation request", std::string(action) == "new yes"
                                                          ? GTK_RESPONSE_YES
                                                          : GTK_RESPONSE_NO);
        question.inspect = [&](GtkWidget *dialog) {
            transcript += "  ? " + yes_no_question(dialog) + "\n";
        };
        if (verb == "F4") {
            // F4 reads the files again after they changed on disk (x=y: y copied over x) or
            // vanished (x=), and keeps the artist's colours.
            for (std::string change; words >> change;) {
                const std::size_t equals = change.find('=');
                if (equals + 1 == change.size())
                    fs::remove(dir / change.substr(0, equals));
                else
                    fs::copy_file(dir / change.substr(equals + 1), dir / change.substr(0, equals),
                                  fs::copy_options::overwrite_existing);
            }
            press(GDK_F4);
        } else if (verb == "new" || verb == "attributes") {
            words >> name;
            gtk_menu_item_activate(GTK_MENU_ITEM(
                widget(verb == "new" ? "menuitem_new_project"
                                     : ("menuitem_sprite_attribute_byte_format_" + name).c_str())));
            process_events(50);
        } else if (verb == "drop") {
            std::string uris;
            while (words >> name)
                uris += file_uri(dir / name) + "\r\n";
            GtkSelectionData data{};
            data.target = gdk_atom_intern_static_string("text/uri-list");
            data.display = gdk_display_get_default();
            gtk_selection_data_set(&data, data.target, 8,
                                   reinterpret_cast<const guchar *>(uris.data()), int(uris.size()));
            on_window_main_drag_data_received(window_main, nullptr, 0, 0, &data, 0, 0, nullptr);
            g_free(data.data);
        } else {
            words >> name;
            DialogAnswer answer(verb == "F1"   ? "Open a project file"
                                : verb == "F2" ? "Select a picture file"
                                               : "Select a sprite data file",
                                GTK_RESPONSE_OK);
            pick(answer, dir / name);
            press(verb == "F1" ? GDK_F1 : verb == "F2" ? GDK_F2 : GDK_F3);
            EXPECT_EQ(answer.times_answered(), 1) << action;
        }
        transcript += shown_state(dir, rows, config_file());
        for (const std::string &message : take_messages())
            transcript += "  ! " + message + "\n";
        EXPECT_EQ(borders_first_difference(), "") << action;
    }
    // GLib's own messages for the file that is no key file and the missing ones.
    GError *error = nullptr;
    g_key_file_load_from_data(GKeyFilePtr{g_key_file_new()}.get(), bad_text.c_str(), -1,
                              G_KEY_FILE_NONE, &error);
    const GErrorPtr parse_error{error};
    std::vector<std::pair<std::string, std::string>> ours{{parse_error->message, "(no key file)"}};
    for (const char *name : {"gone.koa", "gone.prg", "a.prg", "welcome.pet"})
        ours.emplace_back(read_error(dir / name), std::string("(no ") + name + ")");
    for (const auto &[from, to] : ours)
        for (std::size_t at; (at = transcript.find(from)) != std::string::npos;)
            transcript.replace(at, from.size(), to);
    EXPECT_EQ(transcript, R"steps(new yes
  - - - corner 0, 40 sprites of 0 colour 13, single, swatch 13
  rows 2 -3 20 2 4 4, transparent 6, "", C64 Sidewell
F2 welcome.pet
  welcome.pet - - drawn, corner 5, 40 sprites of 0 colour 13, single, swatch 13
  rows 2 -3 20 2 4 4, transparent 6, saved, " Info: Picture data loaded", *C64 Sidewell
new no
  ? Are you sure you want to reset all data?
  welcome.pet - - drawn, corner 5, 40 sprites of 0 colour 13, single, swatch 13
  rows 2 -3 20 2 4 4, transparent 6, "", *C64 Sidewell
attributes sprite_pad
  welcome.pet - - drawn, corner 5, 40 sprites of 0 colour 13, single, swatch 13
  rows 2 -3 20 2 4 4, transparent 6, "", *C64 Sidewell
F3 a.prg
  welcome.pet a.prg - drawn, corner 5, 17 sprites of 16 colour 1, multicolour, swatch 13
  rows 2 0 3 1 5 5, transparent 6, saved, " Info: Sprite data loaded", *C64 Sidewell
attributes ignore
  welcome.pet a.prg - drawn, corner 5, 17 sprites of 16 colour 1, multicolour, swatch 13
  rows 2 -3 20 2 4 4, transparent 6, "", *C64 Sidewell
F3 b.prg
  welcome.pet b.prg - drawn, corner 5, 128 sprites of 32 colour 13, single, swatch 13
  rows 2 0 16 1 5 5, transparent 6, saved, " Info: Sprite data loaded", *C64 Sidewell
attributes sprite_pad
  welcome.pet b.prg - drawn, corner 5, 128 sprites of 32 colour 13, single, swatch 13
  rows 2 -3 20 2 4 4, transparent 6, "", *C64 Sidewell
F1 hand.ini
  welcome.pet a.prg hand.ini drawn, corner 1, 17 sprites of 16 colour 5, single, swatch 5
  rows 2 -3 20 2 4 4, transparent 6, saved, " Info: Project opened", C64 Sidewell - hand.ini
F4 a.prg=b.prg
  welcome.pet a.prg hand.ini drawn, corner 5, 128 sprites of 32 colour 5, single, swatch 5
  rows 2 -3 20 2 4 4, transparent 6, saved, " Info: All graphics were reloaded", C64 Sidewell - hand.ini
F4 a.prg=
  welcome.pet ~a.prg hand.ini drawn, corner 5, 128 sprites of 32 colour 5, single, swatch 5
  rows 2 -3 20 2 4 4, transparent 6, saved, " Info: All graphics were reloaded", C64 Sidewell - hand.ini
  ! (no a.prg)
F4 welcome.pet=
  ~welcome.pet ~a.prg hand.ini corner 5, 128 sprites of 32 colour 5, single, swatch 5
  rows 2 -3 20 2 4 4, transparent 6, " Error: (no welcome.pet)", C64 Sidewell - hand.ini
  ! (no welcome.pet)
F4
  ~welcome.pet ~a.prg hand.ini corner 5, 128 sprites of 32 colour 5, single, swatch 5
  rows 2 -3 20 2 4 4, transparent 6, "", C64 Sidewell - hand.ini
F1 bad.ini
  ~welcome.pet ~a.prg bad.ini corner 5, 128 sprites of 32 colour 5, single, swatch 5
  rows 2 -3 20 2 4 4, transparent 6, " Error: (no key file)", C64 Sidewell - hand.ini
  ! (no key file)
drop gone.ini
  ~welcome.pet ~a.prg gone.ini corner 5, 128 sprites of 32 colour 1, single, swatch 5
  rows 2 -3 20 2 4 4, transparent 6, saved, " Info: Project opened", C64 Sidewell - gone.ini
  ! (no gone.koa)
  ! (no gone.prg)
drop b.prg castle.koa
  castle.koa b.prg gone.ini drawn, corner 5, 128 sprites of 32 colour 1, multicolour, swatch 5
  rows 2 0 16 1 5 5, transparent 3, saved, " Info: Picture data loaded", *C64 Sidewell - gone.ini
drop notes.txt
  castle.koa b.prg gone.ini drawn, corner 5, 128 sprites of 32 colour 1, multicolour, swatch 5
  rows 2 -3 20 2 4 4, transparent 3, " Error: Unknown file format", *C64 Sidewell - gone.ini
  ! Unknown file format
new no
  ? Are you sure you want to reset all data?
  castle.koa b.prg gone.ini drawn, corner 5, 128 sprites of 32 colour 1, multicolour, swatch 5
  rows 2 -3 20 2 4 4, transparent 3, "", *C64 Sidewell - gone.ini
new yes
  ? Are you sure you want to reset all data?
  - - - corner 5, 40 sprites of 0 colour 13, single, swatch 13
  rows 2 -3 20 2 4 4, transparent 6, "", C64 Sidewell - gone.ini
)steps");
}

TEST_F(FileMenu, SaveWritesTheExactTextOrReportsAndKeepsTheOldFile) {
    const fs::path picture = write_file(dir / "castle.koa", koala_file(0));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(3, 0));
    load_picture(picture);
    for (const char *item : {"menuitem_save_project", "menuitem_save_project_as"}) {
        controls_update_main_statusbar("");
        choose(item); // no chooser comes up: the test would hang
        EXPECT_EQ(status_text(), " Info: First load a picture and sprites or open a project");
    }
    load_sprites(sprites);
    sprites_set_background_color(1);
    sprites_set_multicolor0(2);
    sprites_set_multicolor1(3);
    sprites_set_color_at_index(0, 2);
    sprites_set_color_at_index(2, 9);
    sprites_set_multicolor_at_index(1, 1);
    border_color_index = 3;
    const auto text = [&](int base) {
        return "# C64 Sidewell 1.1.4 project file - do NOT edit\n\n[picture]\nfile=" +
               file_uri(picture) + "\n\n[sprites]\nfile=" + file_uri(sprites) +
               "\nbackground_color_index=1\nmulticolor0_index=2\nmulticolor1_index=3\n"
               "mc_flags=false;true;false;\ncolor_indexes=2;13;9;\n\n[colors]\nbase=" +
               std::to_string(base) + "\n";
    };
    fs::remove(config_file());
    // The first save starts in the picture folder with the picture's name; another is typed.
    bool suggested = false;
    DialogAnswer answer("Save project file", GTK_RESPONSE_OK);
    answer.ready = [&](GtkWidget *dialog) {
        if (chooser_filename(dialog) == (dir / "castle.ini").string()) {
            suggested = true;
            gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), "scene");
        }
        return suggested && chooser_filename(dialog) == (dir / "scene").string();
    };
    choose("menuitem_save_project");
    ASSERT_EQ(answer.times_answered(), 1);
    const fs::path scene = dir / "scene.ini";
    EXPECT_EQ(read_text(scene), text(3));
    EXPECT_STREQ(utf8_path_and_filename_project, scene.c_str());
    EXPECT_EQ(status_text() + window_title(), " Info: Project savedC64 Sidewell - scene.ini");
    EXPECT_TRUE(fs::exists(config_file()));
    EXPECT_TRUE(take_messages().empty());

    // Save now writes there without asking; Save as suggests the project's name.
    border_color_index = 11;
    DialogAnswer again("Save project file", GTK_RESPONSE_CANCEL);
    again.ready = [&](GtkWidget *dialog) { return chooser_filename(dialog) == scene.string(); };
    choose("menuitem_save_project");
    EXPECT_EQ(again.times_answered(), 0);
    EXPECT_EQ(read_text(scene), text(11));
    choose("menuitem_save_project_as");
    EXPECT_EQ(again.times_answered(), 1);

    // A name at the file system's limit leaves no room for the writer's temporary file: the
    // error names the file, which stays as it was.
    const fs::path full = write_file(dir / "long" / (std::string(251, 'p') + ".ini"), text(3));
    set_path(&utf8_path_and_filename_project, full);
    choose("menuitem_save_project");
    EXPECT_NE(taken_error().find(full.filename().string()), std::string::npos);
    EXPECT_EQ(window_title(), "C64 Sidewell - scene.ini");
    EXPECT_EQ(read_text(full), text(3));
    EXPECT_EQ(files_in(dir),
              (std::set<std::string>{"castle.koa", "long", "scene.ini", "shapes.prg"}));
    EXPECT_EQ(files_in(dir / "long").size(), 1u);
    // A picture loaded into a saved project is an unsaved change.
    load_picture(picture);
    EXPECT_EQ(window_title(), "*C64 Sidewell - scene.ini");
}

// What Save would write, the multicolour switch and the sprite colour swatch.
std::string shown() {
    return project_get_file_text(utf8_path_and_filename_picture, utf8_path_and_filename_sprites,
                                 border_color_index) +
           (gtk_toggle_button_get_active(multicolour_switch()) ? "multi " : "single ") +
           std::to_string(color_index_sprite_bit_pair_10);
}

// Each change picks a colour for a bit pair or, with none, flips the multicolour switch.
constexpr std::pair<const char *, int> changes[] = {
    {"10", 5}, {nullptr, 0}, {"01", 9}, {"11", 14}, {"10", 2}};

TEST_F(FileMenu, UndoAndRedoGoThroughEveryChangeStepByStep) {
    for (const char *name : {"sunset.ini", "sunset.koa", "shapes.prg"})
        fs::copy_file(example_path(name), dir / name);
    project_commands_open_project((dir / "sunset.ini").c_str());
    // Sprites 20-23 follow 16-19: with 17 and 22 selected a pick colours 17, 18, 21 and 22.
    sprites_select_none();
    for (const unsigned index : {1u, 17u, 22u})
        sprites_set_selected_at_index(index, 1);
    const auto pick = [](const char *bit_pair, int colour) {
        constexpr int swatch = 16;
        gtk_toggle_button_set_active(
            GTK_TOGGLE_BUTTON(lookup_widget(
                window_main,
                (std::string("radiobutton_color_sprite_bit_pair_") + bit_pair).c_str())),
            TRUE);
        send_button(lookup_widget(window_main, "drawingarea_sprite_palette"),
                    (colour * swatch + swatch / 2) * options_expansion, 8);
    };
    std::string menu; // the Edit menu's labels and the title after each step
    const auto record_step = [&menu](const char *step) {
        menu += step;
        for (const char *item : {"menuitem_undo", "menuitem_redo"}) {
            GtkWidget *widget = lookup_widget(window_main, item);
            menu += std::string(", ") + gtk_menu_item_get_label(GTK_MENU_ITEM(widget)) +
                    (gtk_widget_get_sensitive(widget) ? "" : " (off)");
        }
        menu += ", " + window_title() + "\n";
        EXPECT_EQ(borders_first_difference(), "") << step;
    };
    std::vector<std::string> before{shown()};
    record_step("opened");
    for (const auto &[bit_pair, colour] : changes) {
        bit_pair ? pick(bit_pair, colour) : gtk_button_clicked(GTK_BUTTON(multicolour_switch()));
        before.push_back(shown());
        record_step(bit_pair ? bit_pair : "switch");
    }
    // Ctrl+Z for the first step back, the menu for the others; the selection stays.
    for (std::size_t k = std::size(changes); k-- > 0;) {
        k + 1 == std::size(changes) ? tap_key(GDK_z, GDK_CONTROL_MASK) : choose("menuitem_undo");
        EXPECT_EQ(shown(), before[k]) << "undo to before change " << k;
        record_step("undo");
    }
    EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{1, 17, 22}));
    // Ctrl+Y and Ctrl+Shift+Z both redo.
    for (std::size_t k = 0; k < std::size(changes); ++k) {
        tap_key(k % 2 == 0 ? GDK_y : GDK_Z, GDK_CONTROL_MASK | (k % 2 == 0 ? 0 : GDK_SHIFT_MASK));
        EXPECT_EQ(shown(), before[k + 1]) << "redo of change " << k;
    }
    record_step("redone");
    // A new change drops what could be redone; new sprites start a fresh history.
    choose("menuitem_undo");
    pick("01", 7);
    record_step("01");
    project_commands_load_sprites((dir / "shapes.prg").c_str());
    record_step("sprites loaded");
    EXPECT_EQ(menu, R"steps(opened, _Undo (off), _Redo (off), C64 Sidewell - sunset.ini
10, _Undo sprite colour, _Redo (off), *C64 Sidewell - sunset.ini
switch, _Undo multicolour mode, _Redo (off), *C64 Sidewell - sunset.ini
01, _Undo shared colours, _Redo (off), *C64 Sidewell - sunset.ini
11, _Undo shared colours, _Redo (off), *C64 Sidewell - sunset.ini
10, _Undo sprite colour, _Redo (off), *C64 Sidewell - sunset.ini
undo, _Undo shared colours, _Redo sprite colour, *C64 Sidewell - sunset.ini
undo, _Undo shared colours, _Redo shared colours, *C64 Sidewell - sunset.ini
undo, _Undo multicolour mode, _Redo shared colours, *C64 Sidewell - sunset.ini
undo, _Undo sprite colour, _Redo multicolour mode, *C64 Sidewell - sunset.ini
undo, _Undo (off), _Redo sprite colour, C64 Sidewell - sunset.ini
redone, _Undo sprite colour, _Redo (off), *C64 Sidewell - sunset.ini
01, _Undo shared colours, _Redo (off), *C64 Sidewell - sunset.ini
sprites loaded, _Undo (off), _Redo (off), *C64 Sidewell - sunset.ini
)steps");
}

} // namespace
