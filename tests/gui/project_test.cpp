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

#include <sstream>

namespace {

// The message GLib gives for reading path whole, as the decoders pass it on.
std::string read_error(const fs::path &path) {
    gchar *contents = nullptr;
    GError *raw = nullptr;
    if (g_file_get_contents(path.c_str(), &contents, nullptr, &raw)) {
        g_free(contents);
        return "";
    }
    return GErrorPtr {
        raw
        } -> message;
}

using FileMenu = EditorTest;

unsigned multicolour_count() {
    unsigned count = 0;
    for (unsigned i = 0; i < sprites_get_array_size(); i++)
        count += sprites_get_record_at_index(i)->multicolor == 1 ? 1 : 0;
    return count;
}

GtkToggleButton *multicolour_switch() {
    return GTK_TOGGLE_BUTTON(lookup_widget(window_main, "checkbutton_sprite_multicolor"));
}

// The files in use (picture, sprites, project; "~" not loaded), whether the picture has an
// image, the corner colour, the sprite store (count, sprite 0, how many are multicolour, the
// shared colours), the multicolour switch, the sprite colour swatch;
// the list's scroll bar, the sprites' transparent colour, the bit pair the palette sets, whether
// the preferences were written, the status line and the title.
std::string shown_state(const fs::path &dir, GtkAdjustment *rows, const fs::path &config) {
    std::ostringstream shown;
    shown << ": ";
    for (const auto &[flag, path] : {std::pair{picture_loaded, utf8_path_and_filename_picture},
                                     {sprites_loaded, utf8_path_and_filename_sprites},
                                     {1, utf8_path_and_filename_project}})
        shown << (!path ? "-" : (flag == 1 ? "" : "~") + fs::relative(path, dir).string()) << ' ';
    shown << (pixbuf_picture ? "drawn, " : "") << "corner " << border_color_index << ", "
          << sprites_get_array_size() << " sprites of "
          << int(sprites_get_record_at_index(0)->data[0]) << " colour "
          << int(sprites_get_record_at_index(0)->color) << ", " << multicolour_count()
          << " multicolour, shared " << int(sprites_get_multicolor0()) << ' '
          << int(sprites_get_multicolor1())
          << (gtk_toggle_button_get_active(multicolour_switch()) ? ", multicolour" : ", single")
          << ", swatch " << int(color_index_sprite_bit_pair_10) << "\n  rows";
    for (const double value :
         {gtk_adjustment_get_value(rows), gtk_adjustment_get_lower(rows),
          gtk_adjustment_get_upper(rows), gtk_adjustment_get_step_increment(rows),
          gtk_adjustment_get_page_increment(rows), gtk_adjustment_get_page_size(rows)})
        shown << ' ' << value;
    shown << ", transparent " << int(sprites_get_background_color()) << ", pair ";
    for (const char *pair : {"00", "01", "10", "11"})
        if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(lookup_widget(
                window_main, (std::string("radiobutton_color_sprite_bit_pair_") + pair).c_str()))))
            shown << pair;
    shown << (fs::exists(config) ? ", saved" : "") << ", \"" << status_text() << "\", "
          << window_title() << "\n";
    return shown.str();
}

// New (Ctrl+N) asks only when something is loaded; files are loaded through F2 and F3, projects
// opened through F1 or Ctrl+O (each picked in its chooser), saved with Ctrl+S and Ctrl+Shift+S,
// and files dropped from a file manager as a text/uri-list. After each step the whole state,
// whether it asked and the error dialogs (!).
TEST_F(FileMenu, NewLoadOpenAndDropShowWhatTheFilesHoldOrReport) {
    fs::copy_file(example_path("sunset.koa"), dir / "castle.koa");
    Bytes petscii = read_bytes(example_path("welcome.pet"));
    petscii[2] = 0xF5; // the border, with junk in the high nibble
    write_file(dir / "welcome.pet", petscii);
    write_file(dir / "a.prg", sprite_file(17, 0x10, 0x81));
    write_file(dir / "b.prg", sprite_file(128, 0x20, 0x81));
    // SpritePad 1.x, three sprites: 0 single colour, 1 and 2 multicolour; shared colours 7 and 4.
    Bytes pad = {0x00, 0x07, 0x04};
    for (const std::uint8_t attribute : {0x03, 0x85, 0x8e}) {
        pad.insert(pad.end(), 63, attribute);
        pad.push_back(attribute);
    }
    write_file(dir / "pad.spr", pad);
    // Groups in any order, numbers reduced, the project's corner over the PETSCII border byte.
    write_file(dir / "hand.ini",
               "# made by hand\n[colors]\nbase=17\n[sprites]\nfile=" + file_uri(dir / "a.prg") +
                   "\nbackground_color_index=-1\nmc_flags=false;true;\ncolor_indexes=37;2;\n"
                   "[picture]\nfile=" +
                   file_uri(dir / "welcome.pet") + "\n");
    write_file(dir / "bad.ini", "no key file\n");
    write_file(dir / "notes.ini", "[notes]\n"); // a key file, but no project: taken for sprites
    // Missing files are looked for beside the project too.
    write_file(dir / "gone.ini", std::string("[picture]\nfile=file:///nowhere/gone.koa\n[sprites]\n"
                                             "file=file:///nowhere/gone.prg\ncolor_indexes=1;\n"
                                             "mc_flags=false;\n"));
    GtkAdjustment *rows = gtk_range_get_adjustment(GTK_RANGE(widget("vscrollbar_sprites")));
    std::string transcript;
    for (const char *action : {"new yes",     "F2 welcome.pet", "save",
                               "new no",      "F3 b.prg",       "attributes sprite_pad",
                               "F3 a.prg",    "F3 pad.spr",     "F1 hand.ini",
                               "save as.ini", "^O as.ini",      "F4 a.prg=b.prg",
                               "F4 a.prg=",   "drop gone.ini",  "drop b.prg castle.koa",
                               "save",        "drop notes.ini", "F1 bad.ini",
                               "F2 hand.ini", "new yes"}) {
        std::istringstream words(action);
        std::string verb, name;
        words >> verb;
        gtk_adjustment_configure(rows, 2, -3, 20, 2, 4, 4);
        gtk_toggle_button_set_active(
            GTK_TOGGLE_BUTTON(widget("radiobutton_color_sprite_bit_pair_01")), TRUE);
        controls_update_main_statusbar("");
        fs::remove(config_file());
        transcript += action;
        DialogAnswer question("Confirmation request", std::string(action) == "new yes"
                                                          ? GTK_RESPONSE_YES
                                                          : GTK_RESPONSE_NO);
        question.inspect = [&](GtkWidget *dialog) {
            EXPECT_EQ(yes_no_question(dialog), "Are you sure you want to reset all data?");
            transcript += " (asked)";
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
        } else if (verb == "attributes") {
            words >> name;
            choose(("menuitem_sprite_attribute_byte_format_" + name).c_str());
            transcript += "\n";
            continue;
        } else if (verb == "new") {
            // Away from the sprite areas, whose own Ctrl+N selects none.
            gtk_window_set_focus(GTK_WINDOW(window_main), nullptr);
            ASSERT_TRUE(send_key(GDK_n, GDK_CONTROL_MASK));
            process_events(50);
        } else if (verb == "save") {
            // Save asks for a name only without a project; Save as always does.
            DialogAnswer answer("Save project file", GTK_RESPONSE_OK);
            if (words >> name)
                type_name(answer, dir, name);
            ASSERT_TRUE(send_key(GDK_s, name.empty()
                                            ? GDK_CONTROL_MASK
                                            : GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK)));
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
            const bool open = verb == "F1" || verb == "^O";
            DialogAnswer answer(open           ? "Open a project file"
                                : verb == "F2" ? "Select a picture file"
                                               : "Select a sprite data file",
                                GTK_RESPONSE_OK);
            pick(answer, dir / name);
            if (verb == "^O")
                ASSERT_TRUE(send_key(GDK_o, GDK_CONTROL_MASK));
            else
                press(verb == "F1" ? GDK_F1 : verb == "F2" ? GDK_F2 : GDK_F3);
            process_events(50);
            EXPECT_EQ(answer.times_answered(), 1) << action;
        }
        transcript += shown_state(dir, rows, config_file());
        for (const std::string &message : take_messages())
            transcript += "  ! " + message + "\n";
        EXPECT_EQ(borders_first_difference(), "") << action;
    }
    // GLib's own messages for the missing files.
    std::vector<std::pair<std::string, std::string>> ours;
    for (const char *name : {"gone.koa", "gone.prg", "a.prg"})
        ours.emplace_back(read_error(dir / name), std::string("(no ") + name + ")");
    for (const auto &[from, to] : ours)
        for (std::size_t at; (at = transcript.find(from)) != std::string::npos;)
            transcript.replace(at, from.size(), to);
    EXPECT_EQ(transcript, expected_text("file_menu.txt"));
}

// What Save would write, the multicolour switch and the sprite colour swatch.
std::string shown() {
    return project_get_file_text(utf8_path_and_filename_picture, utf8_path_and_filename_sprites,
                                 border_color_index) +
           (gtk_toggle_button_get_active(multicolour_switch()) ? "multi " : "single ") +
           std::to_string(color_index_sprite_bit_pair_10);
}

// Each change picks a colour for a bit pair (past the strip's end the swatches go on modulo 16)
// or, with none, flips the multicolour switch.
constexpr std::pair<const char *, int> changes[] = {
    {"10", 5}, {nullptr, 0}, {"01", 9}, {"11", 16 + 14}};

std::vector<int> sprite_colours() {
    std::vector<int> colours;
    for (unsigned index = 0; index < sprites_get_array_size(); index++)
        colours.push_back(sprites_get_record_at_index(index)->color);
    return colours;
}

TEST_F(FileMenu, UndoAndRedoGoThroughEveryChangeStepByStep) {
    for (const char *name : {"sunset.ini", "sunset.koa", "shapes.prg"})
        fs::copy_file(example_path(name), dir / name);
    project_commands_open_project((dir / "sunset.ini").c_str());
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
    std::string menu; // what each step drew again, the Edit menu's labels and the title
    const auto record_step = [&menu](const std::string &step) {
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
    // Sprites 23 and 35 show in the colours of 19 and 31, so a pick for one is a pick for both.
    sprites_select_none();
    sprites_set_selected_at_index(19, 1);
    sprites_set_selected_at_index(35, 1);
    std::vector<int> colours = sprite_colours();
    for (const unsigned index : {19, 23, 31, 35})
        colours[index] = 5;
    for (const auto &[bit_pair, colour] : changes) {
        flush_redraws();
        bit_pair ? pick(bit_pair, colour) : gtk_button_clicked(GTK_BUTTON(multicolour_switch()));
        std::string step = bit_pair ? bit_pair : "switch";
        for (const auto &[area, shown_as] : {std::pair{"color_sprite_bit_pair_00", " 00"},
                                             {"color_sprite_bit_pair_01", " 01"},
                                             {"color_sprite_bit_pair_10", " 10"},
                                             {"color_sprite_bit_pair_11", " 11"},
                                             {"sprites", " list"},
                                             {"left_border", " left"},
                                             {"right_border", " right"}})
            if (take_queued_redraw(("drawingarea_" + std::string(area)).c_str()))
                step += shown_as;
        before.push_back(shown());
        record_step(step);
    }
    EXPECT_EQ(sprite_colours(), colours);
    EXPECT_EQ(std::tuple(sprites_get_multicolor0(), sprites_get_multicolor1()), std::tuple(9, 14));
    // Ctrl+Z for the first step back, the menu for the others; the selection stays.
    for (std::size_t k = std::size(changes); k-- > 0;) {
        k + 1 == std::size(changes) ? tap_key(GDK_z, GDK_CONTROL_MASK) : choose("menuitem_undo");
        EXPECT_EQ(shown(), before[k]) << "undo to before change " << k;
        record_step("undo");
    }
    // Ctrl+Y and Ctrl+Shift+Z both redo.
    for (std::size_t k = 0; k < std::size(changes); ++k) {
        tap_key(k % 2 == 0 ? GDK_y : GDK_Z, GDK_CONTROL_MASK | (k % 2 == 0 ? 0 : GDK_SHIFT_MASK));
        EXPECT_EQ(shown(), before[k + 1]) << "redo of change " << k;
    }
    record_step("redone");
    // New sprites start a fresh history.
    project_commands_load_sprites((dir / "shapes.prg").c_str());
    record_step("sprites loaded");
    EXPECT_EQ(menu, expected_text("undo_redo.txt"));
}

} // namespace
