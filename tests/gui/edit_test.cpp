// The Edit menu and drops: a run of colour changes undone and redone step by step, judged by
// everything the window paints, the project text a save would write and the title's "*"; and
// files dropped from a file manager as a text/uri-list.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

// Every drawing area of the window, as its expose handler paints it.
constexpr const char *painted_areas[] = {
    "drawingarea_left_border",
    "drawingarea_right_border",
    "drawingarea_upper_border",
    "drawingarea_lower_border",
    "drawingarea_picture",
    "drawingarea_sprites",
    "drawingarea_palette",
    "drawingarea_sprite_palette",
    "drawingarea_color_sprite_bit_pair_00",
    "drawingarea_color_sprite_bit_pair_01",
    "drawingarea_color_sprite_bit_pair_10",
    "drawingarea_color_sprite_bit_pair_11",
};

// What the artist sees and what Save would write.
struct Shown {
    std::vector<PixbufPtr> areas;
    bool multicolour_switch = false;
    std::string project;
};

Shown take_shown() {
    flush_redraws();
    Shown shown;
    for (const char *name : painted_areas) {
        shown.areas.push_back(widget_pixels(lookup_widget(window_main, name)));
    }
    shown.multicolour_switch =
        gtk_toggle_button_get_active(
            GTK_TOGGLE_BUTTON(lookup_widget(window_main, "checkbutton_sprite_multicolor"))) == TRUE;
    shown.project = project_get_file_text(utf8_path_and_filename_picture,
                                          utf8_path_and_filename_sprites, border_color_index);
    return shown;
}

// Empty when both show the same; else what differs first.
std::string difference(const Shown &actual, const Shown &expected) {
    for (std::size_t i = 0; i < std::size(painted_areas); ++i) {
        const std::string area =
            pixels_first_difference(actual.areas[i].get(), expected.areas[i].get());
        if (!area.empty()) {
            return std::string(painted_areas[i]) + ": " + area;
        }
    }
    if (actual.multicolour_switch != expected.multicolour_switch) {
        return "multicolour switch";
    }
    return actual.project == expected.project ? "" : "project:\n" + actual.project;
}

std::string menu_label(const char *item) {
    return gtk_menu_item_get_label(GTK_MENU_ITEM(lookup_widget(window_main, item)));
}

bool sensitive(const char *item) {
    return gtk_widget_get_sensitive(lookup_widget(window_main, item)) == TRUE;
}

void press_strip(const char *strip, int colour) {
    constexpr int swatch = 16;
    const int zoom = options_expansion;
    send_button(lookup_widget(window_main, strip), (colour * swatch + swatch / 2) * zoom, 8);
}

void pick_bit_pair(const char *pair) {
    gtk_toggle_button_set_active(
        GTK_TOGGLE_BUTTON(lookup_widget(
            window_main, (std::string("radiobutton_color_sprite_bit_pair_") + pair).c_str())),
        TRUE);
}

// One user action, the label its undo gets, and how it is done.
struct Change {
    const char *label;
    void (*act)();
};

// The selection stays as it is: undo does not touch it, and the frames would show it.
const Change changes[] = {
    {"_Undo sprite colour",
     [] {
         pick_bit_pair("10");
         press_strip("drawingarea_sprite_palette", 5);
     }},
    {"_Undo multicolour mode",
     [] {
         gtk_button_clicked(
             GTK_BUTTON(lookup_widget(window_main, "checkbutton_sprite_multicolor")));
     }},
    {"_Undo shared colours",
     [] {
         pick_bit_pair("01");
         press_strip("drawingarea_sprite_palette", 9);
     }},
    {"_Undo shared colours",
     [] {
         pick_bit_pair("11");
         press_strip("drawingarea_sprite_palette", 14);
     }},
    {"_Undo sprite colour",
     [] {
         pick_bit_pair("10");
         press_strip("drawingarea_sprite_palette", 2);
     }},
};

class Edit : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        for (const char *name :
             {"sunset.ini", "sunset.koa", "shapes.prg", "welcome.ini", "welcome.pet"}) {
            fs::copy_file(example_path(name), dir / name);
        }
    }
};

TEST_F(Edit, UndoAndRedoGoThroughEveryChangeStepByStep) {
    project_commands_open_project((dir / "sunset.ini").c_str());
    // Sprites 20-23 follow 16-19: with 17 and 22 selected a pick colours 17, 18, 21 and 22.
    sprites_select_none();
    sprites_set_selected_at_index(17, 1);
    sprites_set_selected_at_index(22, 1);
    sprites_set_selected_at_index(1, 1);
    EXPECT_EQ(window_title(), "C64 Sidewell - sunset.ini");
    EXPECT_FALSE(sensitive("menuitem_undo"));
    EXPECT_FALSE(sensitive("menuitem_redo"));

    std::vector<Shown> before;
    for (const Change &change : changes) {
        before.push_back(take_shown());
        change.act();
        EXPECT_EQ(menu_label("menuitem_undo"), change.label);
        EXPECT_EQ(window_title(), "*C64 Sidewell - sunset.ini");
    }
    before.push_back(take_shown());
    EXPECT_TRUE(sensitive("menuitem_undo"));
    EXPECT_FALSE(sensitive("menuitem_redo"));

    // Ctrl+Z for the first step back, the menu for the others; the selection stays as it is.
    const std::vector<unsigned> selection = selected_sprites();
    for (std::size_t step = std::size(changes); step-- > 0;) {
        if (step + 1 == std::size(changes)) {
            tap_key(GDK_z, GDK_CONTROL_MASK);
        } else {
            choose("menuitem_undo");
        }
        EXPECT_EQ(difference(take_shown(), before[step]), "") << "undo to before change " << step;
        EXPECT_EQ(menu_label("menuitem_redo"),
                  std::string("_Redo") + (changes[step].label + std::strlen("_Undo")));
    }
    EXPECT_EQ(selected_sprites(), selection);
    EXPECT_FALSE(sensitive("menuitem_undo"));
    EXPECT_EQ(menu_label("menuitem_undo"), "_Undo");
    EXPECT_EQ(window_title(), "C64 Sidewell - sunset.ini");

    // Ctrl+Y and Ctrl+Shift+Z both redo.
    for (std::size_t step = 0; step < std::size(changes); ++step) {
        tap_key(step % 2 == 0 ? GDK_y : GDK_Z,
                step % 2 == 0 ? GDK_CONTROL_MASK
                              : static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
        EXPECT_EQ(difference(take_shown(), before[step + 1]), "") << "redo of change " << step;
    }
    EXPECT_FALSE(sensitive("menuitem_redo"));

    // Saving makes this the saved state: undoing away from it and back shows it.
    ASSERT_EQ(save_project_to_file((dir / "sunset.ini").c_str()), 1);
    EXPECT_EQ(window_title(), "C64 Sidewell - sunset.ini");
    choose("menuitem_undo");
    EXPECT_EQ(window_title(), "*C64 Sidewell - sunset.ini");
    choose("menuitem_redo");
    EXPECT_EQ(window_title(), "C64 Sidewell - sunset.ini");

    // A new change drops what could be redone; new sprites start a fresh history.
    choose("menuitem_undo");
    pick_bit_pair("01");
    press_strip("drawingarea_sprite_palette", 7);
    EXPECT_EQ(menu_label("menuitem_undo"), "_Undo shared colours");
    EXPECT_FALSE(sensitive("menuitem_redo"));
    project_commands_load_sprites((dir / "shapes.prg").c_str());
    EXPECT_FALSE(sensitive("menuitem_undo"));
    EXPECT_EQ(window_title(), "*C64 Sidewell - sunset.ini");
}

// The data a file manager hands over when the files are dropped.
void drop(const std::vector<fs::path> &files) {
    std::vector<std::string> uris;
    for (const fs::path &file : files) {
        uris.push_back(GCharPtr(g_filename_to_uri(file.c_str(), nullptr, nullptr)).get());
    }
    std::vector<gchar *> list;
    for (std::string &uri : uris) {
        list.push_back(uri.data());
    }
    list.push_back(nullptr);
    GtkSelectionData data{};
    data.target = gdk_atom_intern_static_string("text/uri-list");
    data.display = gdk_display_get_default();
    ASSERT_TRUE(gtk_selection_data_set_uris(&data, list.data()));
    on_window_main_drag_data_received(window_main, nullptr, 0, 0, &data, 0, 0, nullptr);
    g_free(data.data);
}

struct DropCase {
    const char *name;
    std::vector<const char *> first; // dropped before
    std::vector<const char *> files;
    const char *picture; // what is loaded afterwards; null: none
    const char *sprites;
    const char *project;
};

const DropCase drop_cases[] = {
    {"project", {}, {"welcome.ini"}, "welcome.pet", "shapes.prg", "welcome.ini"},
    {"picture", {}, {"sunset.koa"}, "sunset.koa", nullptr, nullptr},
    {"sprites", {}, {"shapes.prg"}, nullptr, "shapes.prg", nullptr},
    {"picture_and_sprites", {}, {"shapes.prg", "sunset.koa"}, "sunset.koa", "shapes.prg", nullptr},
    {"not_a_c64_file_changes_nothing",
     {"sunset.koa", "shapes.prg"},
     {"notes.txt"},
     "sunset.koa",
     "shapes.prg",
     nullptr},
};

class Drop : public Edit, public testing::WithParamInterface<DropCase> {};

TEST_P(Drop, LoadsWhatTheFileHolds) {
    const DropCase &c = GetParam();
    std::ofstream(dir / "notes.txt") << "[notes]\nnot a picture, not sprites\n";
    for (const auto *files : {&c.first, &c.files}) {
        std::vector<fs::path> paths;
        for (const char *file : *files) {
            paths.push_back(dir / file);
        }
        if (!paths.empty()) {
            drop(paths);
        }
    }

    const auto path_of = [&](const char *name) {
        return name == nullptr ? std::string() : (dir / name).string();
    };
    const auto loaded = [](int flag, const gchar *path) {
        return flag == 1 && path != nullptr ? std::string(path) : std::string();
    };
    EXPECT_EQ(loaded(picture_loaded, utf8_path_and_filename_picture), path_of(c.picture));
    EXPECT_EQ(loaded(sprites_loaded, utf8_path_and_filename_sprites), path_of(c.sprites));
    EXPECT_EQ(loaded(1, utf8_path_and_filename_project), path_of(c.project));
    const std::vector<std::string> messages = take_messages();
    if (std::string(c.name) == "not_a_c64_file_changes_nothing") {
        EXPECT_EQ(messages, std::vector<std::string>{"Unknown file format"});
    } else {
        EXPECT_TRUE(messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(FromAFileManager, Drop, testing::ValuesIn(drop_cases), case_name);

} // namespace
