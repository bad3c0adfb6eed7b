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

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

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

// The areas whose redraw was not queued; the queued ones are taken off.
std::vector<std::string> unqueued(std::initializer_list<const char *> areas) {
    std::vector<std::string> missing;
    for (const char *area : areas)
        if (!take_queued_redraw((std::string{"drawingarea_"} + area).c_str()))
            missing.emplace_back(area);
    return missing;
}

struct LoadCase {
    const char *name;
    const char *file; // ".prg" goes through F3 as sprites, anything else through F2
    Bytes bytes;
    int attribute_format;
    const char *error; // null: the file loads
    bool multicolour;
};

class Load : public EditorTest, public ::testing::WithParamInterface<LoadCase> {};

// Something of the same kind is loaded first, so that a failure shows what it keeps.
TEST_P(Load, ShowsTheFileOrReportsAndKeepsWhatWasLoaded) {
    const LoadCase &c = GetParam();
    const bool sprites = fs::path(c.file).extension() == ".prg", loads = c.error == nullptr;
    const fs::path good = sprites ? write_file(dir / "good.prg", sprite_file(12, 0x40))
                                  : write_file(dir / "good.koa", koala_file(0));
    sprites ? load_sprites(good) : load_picture(good);
    const fs::path file = write_file(dir / "new" / c.file, c.bytes);
    fs::remove(config_file());
    border_color_index = 9;
    options_sprite_attribute_byte_format = c.attribute_format;
    gtk_toggle_button_set_active(multicolour_switch(), (sprites && loads) != c.multicolour);
    GtkAdjustment *rows = gtk_range_get_adjustment(GTK_RANGE(widget("vscrollbar_sprites")));
    gtk_adjustment_configure(rows, 2, 0, 20, 1, 5, 5);
    DialogAnswer answer(sprites ? "Select a sprite data file" : "Select a picture file",
                        GTK_RESPONSE_OK);
    pick(answer, file);
    flush_redraws();
    gtk_menu_item_activate(
        GTK_MENU_ITEM(widget(sprites ? "menuitem_load_sprites" : "menuitem_load_picture")));
    // Taken before the main loop draws it.
    const bool drawn_again =
        take_queued_redraw(sprites ? "drawingarea_sprites" : "drawingarea_picture");
    process_events(50);

    ASSERT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(drawn_again, loads);
    EXPECT_EQ(sprites ? sprites_loaded : picture_loaded, loads ? 1 : 0);
    EXPECT_STREQ(sprites ? utf8_path_and_filename_sprites : utf8_path_and_filename_picture,
                 (loads ? file : good).c_str());
    // Only a PETSCII screen brings a border colour for the corner.
    EXPECT_EQ(border_color_index, loads && c.bytes[0] == 40 ? c.bytes[2] % 16 : 9);
    EXPECT_EQ(gtk_toggle_button_get_active(multicolour_switch()), c.multicolour);
    // The list pages by rows of eight sprites, five at a time, and keeps the row it shows.
    const std::size_t count = sprites && loads ? (c.bytes.size() - 2) / 64 : 12;
    EXPECT_EQ((std::vector<double>{gtk_adjustment_get_value(rows), gtk_adjustment_get_upper(rows),
                                   gtk_adjustment_get_step_increment(rows),
                                   gtk_adjustment_get_page_increment(rows),
                                   gtk_adjustment_get_page_size(rows)}),
              (std::vector<double>{2, sprites && loads ? (count + 7) / 8 : 20.0, 1, 5, 5}));
    if (sprites) {
        EXPECT_EQ(sprites_get_array_size(), count);
        EXPECT_EQ(record(0).data[0], loads ? c.bytes[2] : 0x40);
    }
    EXPECT_EQ(loads ? status_text() : taken_error(), !loads    ? c.error
                                                     : sprites ? " Info: Sprite data loaded"
                                                               : " Info: Picture data loaded");
    EXPECT_TRUE(take_messages().empty());
    EXPECT_EQ(read_config().find((sprites ? "\nsprites_dir=" : "\npicture_dir=") +
                                 file_uri(dir / "new") + "\n") != std::string::npos,
              loads);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Load,
    ::testing::Values(
        LoadCase{"Koala", "castle.koa", koala_file(0), 1, nullptr, false},
        LoadCase{"Petscii", "welcome.pet", petscii_file(0xF5, 6), 1, nullptr, true},
        LoadCase{"EmptyPicture", "bad.koa", {}, 1, "Unknown picture format", false},
        LoadCase{"MulticolourByAttribute", "a.prg", sprite_file(17, 0x10, 0x81), 1, nullptr, true},
        LoadCase{"AttributesIgnored", "a.prg", sprite_file(128, 0, 0x81), 0, nullptr, false},
        LoadCase{"NoWholeSlot", "a.prg", Bytes(65, 0), 1, "Unknown file format", true},
        LoadCase{"TooManySprites", "a.prg", sprite_file(129, 0), 1,
                 "Too many sprites in input file", false}),
    case_name);

struct NewCase {
    const char *name;
    bool loaded;
    gint answer;
};

class NewProject : public EditorTest, public ::testing::WithParamInterface<NewCase> {};

TEST_P(NewProject, AsksOnlyWhenSomethingIsLoadedAndThenShowsAFreshStart) {
    const NewCase &c = GetParam();
    if (c.loaded) {
        load_picture(write_file(dir / "welcome.pet", petscii_file(2, 6)));
        load_sprites(write_file(dir / "shapes.prg", sprite_file(5, 0x30)));
    }
    set_path(&utf8_path_and_filename_project, dir / "scene.ini");
    gtk_window_set_title(GTK_WINDOW(window_main), "C64 Sidewell - scene.ini");
    color_index_sprite_bit_pair_10 = 4;
    gtk_toggle_button_set_active(multicolour_switch(), TRUE);
    const int corner = border_color_index;
    std::string asked;
    DialogAnswer question("Confirmation request", c.answer);
    question.inspect = [&](GtkWidget *dialog) { asked = yes_no_question(dialog); };
    flush_redraws();
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_new_project")));
    const auto missing =
        unqueued({"picture", "upper_border", "lower_border", "left_border", "right_border",
                  "sprites", "color_sprite_bit_pair_00", "color_sprite_bit_pair_01",
                  "color_sprite_bit_pair_10", "color_sprite_bit_pair_11"});
    process_events(100);

    EXPECT_EQ(asked, c.loaded ? "Are you sure you want to reset all data?" : "");
    EXPECT_EQ(border_color_index, corner);
    // The loads and the switch are unsaved changes, which a refused question keeps.
    const bool kept = c.loaded && c.answer != GTK_RESPONSE_YES;
    EXPECT_EQ(window_title(), std::string(kept ? "*" : "") + "C64 Sidewell - scene.ini");
    EXPECT_EQ(picture_loaded + sprites_loaded, kept ? 2 : 0);
    EXPECT_EQ(utf8_path_and_filename_project != nullptr, kept);
    EXPECT_EQ(utf8_path_and_filename_picture != nullptr, kept);
    EXPECT_EQ(utf8_path_and_filename_sprites != nullptr, kept);
    EXPECT_EQ(pixbuf_picture != nullptr, kept);
    EXPECT_EQ(sprites_get_array_size(), kept ? 5u : 40u);
    EXPECT_EQ(color_index_sprite_bit_pair_10, kept ? 4 : 13); // fresh sprites are light green
    EXPECT_EQ(gtk_toggle_button_get_active(multicolour_switch()), kept);
    if (kept)
        return;
    EXPECT_EQ(missing, std::vector<std::string>{});
    controls_update_main_statusbar(" Info: the same");
    const PixbufPtr reset = widget_pixels(window_main);
    restart();
    controls_update_main_statusbar(" Info: the same");
    process_events(50);
    EXPECT_EQ(pixels_first_difference(widget_pixels(window_main).get(), reset.get()), "");
}

INSTANTIATE_TEST_SUITE_P(Loads, NewProject,
                         ::testing::Values(NewCase{"Nothing", false, GTK_RESPONSE_NO},
                                           NewCase{"Refused", true, GTK_RESPONSE_NO},
                                           NewCase{"Confirmed", true, GTK_RESPONSE_YES}),
                         case_name);

TEST_F(FileMenu, SaveWritesTheExactTextOrReportsAndKeepsTheOldFile) {
    {
        DialogAnswer never("Save project file", GTK_RESPONSE_CANCEL);
        for (const char *item : {"menuitem_save_project", "menuitem_save_project_as"}) {
            controls_update_main_statusbar("");
            choose(item);
            EXPECT_EQ(status_text(), " Info: First load a picture and sprites or open a project");
        }
        EXPECT_EQ(never.times_answered(), 0);
    }
    const fs::path picture = write_file(dir / "castle.koa", koala_file(0));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(3, 0));
    load_picture(picture);
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
    EXPECT_EQ(status_text(), " Info: Project saved");
    EXPECT_EQ(window_title(), "C64 Sidewell - scene.ini");
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

    // A "folder" that is a file, and a name at the file system's limit, which leaves no room for
    // the writer's temporary file: the error names the file, the old one stays as it was.
    const fs::path long_name = write_file(dir / "long" / (std::string(251, 'p') + ".ini"), text(3));
    const fs::path plain = write_file(dir / "plain", text(3));
    for (const fs::path &target : {plain / "scene.ini", long_name}) {
        set_path(&utf8_path_and_filename_project, target);
        choose("menuitem_save_project");
        EXPECT_NE(taken_error().find(target.filename().string()), std::string::npos);
        EXPECT_STREQ(utf8_path_and_filename_project, target.c_str());
        EXPECT_EQ(window_title(), "C64 Sidewell - scene.ini");
    }
    EXPECT_EQ(read_text(long_name), text(3));
    EXPECT_EQ(read_text(plain), text(3));
    EXPECT_EQ(files_in(dir),
              (std::set<std::string>{"castle.koa", "long", "plain", "scene.ini", "shapes.prg"}));
    EXPECT_EQ(files_in(dir / "long").size(), 1u);
    // The status bar holds the latest message only.
    EXPECT_EQ(g_slist_length(GTK_STATUSBAR(widget("statusbar_main"))->messages), 1u);
    // A picture loaded into a saved project is an unsaved change.
    load_picture(picture);
    EXPECT_EQ(window_title(), "*C64 Sidewell - scene.ini");
}

// A PETSCII picture and twelve sprites are loaded, the corner colour 4; then a project is
// opened with F1 from the folder odd beside them.
struct OpenCase {
    const char *name;
    std::string text; // {picture} and {sprites} stand for those files' URIs
    // After any message about the project itself; a bare file name stands for GLib's error for
    // reading it from odd.
    Messages messages;
    bool files_kept;
    int corner;
    std::vector<std::pair<unsigned, int>> colours; // of sprites, by index
};

class OpenProject : public EditorTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenProject, ShowsWhatItNamesAndAlwaysKeepsItsPath) {
    const OpenCase &c = GetParam();
    const fs::path picture = write_file(dir / "welcome.pet", petscii_file(7, 6));
    const fs::path sprites = write_file(dir / "shapes.prg", sprite_file(12, 0x40));
    load_picture(picture);
    load_sprites(sprites);
    border_color_index = 4;
    controls_update_main_window_title("before.ini");
    const std::string text = std::regex_replace(
        std::regex_replace(c.text, std::regex("\\{picture\\}"), file_uri(picture)),
        std::regex("\\{sprites\\}"), file_uri(sprites));
    const fs::path project = write_file(dir / "odd" / "odd.ini", text);
    fs::remove(config_file());
    DialogAnswer answer("Open a project file", GTK_RESPONSE_OK);
    pick(answer, project);
    press(GDK_F1);
    ASSERT_EQ(answer.times_answered(), 1);

    GError *error = nullptr;
    g_key_file_load_from_file(GKeyFilePtr{g_key_file_new()}.get(), project.c_str(), G_KEY_FILE_NONE,
                              &error);
    const GErrorPtr parse_error{error};
    const bool parsed = !parse_error;
    Messages expected = parsed ? Messages{} : Messages{parse_error->message};
    for (const std::string &message : c.messages)
        expected.push_back(
            message.find(' ') == std::string::npos ? read_error(dir / "odd" / message) : message);
    EXPECT_EQ(take_messages(), expected);
    EXPECT_EQ(status_text(), parsed ? " Info: Project opened" : " Error: " + expected[0]);
    // A project that opened starts a saved history; a failed one leaves the unsaved loads.
    EXPECT_EQ(window_title(), parsed ? "C64 Sidewell - odd.ini" : "*C64 Sidewell - before.ini");
    EXPECT_STREQ(utf8_path_and_filename_project, project.c_str());
    EXPECT_EQ(fs::exists(config_file()), parsed);
    EXPECT_EQ(picture_loaded + sprites_loaded, c.files_kept ? 2 : 0);
    EXPECT_STREQ(utf8_path_and_filename_picture, picture.c_str());
    EXPECT_STREQ(utf8_path_and_filename_sprites, sprites.c_str());
    // The store keeps its sprites; the picture's background stays the transparent colour.
    EXPECT_EQ(sprites_get_array_size(), 12u);
    EXPECT_EQ(record(0).data[0], 0x40);
    EXPECT_EQ(sprites_get_background_color(), 6);
    EXPECT_EQ(border_color_index, c.corner);
    for (const auto &[index, colour] : c.colours)
        EXPECT_EQ(record(index).color, colour) << index;
    EXPECT_EQ(color_index_sprite_bit_pair_10, c.files_kept ? c.colours[0].second : 13);
    EXPECT_EQ(borders_first_difference(), "");
}

// Groups in any order, files loaded before the colours are taken, numbers reduced, a list
// shorter than the sprites, the project's corner winning over the PETSCII border byte; files
// looked for beside the project too.
constexpr const char *hand_written =
    "# made by hand\n[colors]\nbase=17\n[sprites]\nfile={sprites}\nbackground_color_index=-1\n"
    "multicolor0_index=2\nmulticolor1_index=3\nmc_flags=false;true;\ncolor_indexes=37;2;\n"
    "[picture]\nfile={picture}\n";
constexpr const char *missing_files =
    "[picture]\nfile=file:///nowhere/gone.koa\n[sprites]\nfile=file:///nowhere/gone.prg\n"
    "color_indexes=1;\nmc_flags=false;\n";
INSTANTIATE_TEST_SUITE_P(
    Files, OpenProject,
    ::testing::Values(
        OpenCase{"HandWritten", hand_written, {}, true, 1, {{0, 5}, {1, 2}}},
        OpenCase{"NotAKeyFile", "this is not\na key file\n", {}, true, 4, {{0, 13}}},
        OpenCase{"MissingFiles", missing_files, {"gone.koa", "gone.prg"}, false, 4, {{0, 1}}},
        OpenCase{"BrokenFiles",
                 "[picture]\nfile={sprites}\n[sprites]\nfile={picture}\n",
                 {"Unknown picture format", "Unknown file format"},
                 false,
                 4,
                 {{0, 13}}}),
    case_name);

struct ReloadCase {
    const char *name;
    bool picture, sprites; // loaded
    bool picture_gone, sprites_gone;
    int corner;      // 12 before
    int transparent; // the sprites' transparent colour, 9 before
};

class Reload : public EditorTest, public ::testing::WithParamInterface<ReloadCase> {};

// The files change on disk or vanish; F4 reads them again and keeps the artist's colours.
TEST_P(Reload, ReadsTheFilesAgainOrForgetsThoseThatVanished) {
    const ReloadCase &c = GetParam();
    const fs::path picture = dir / "welcome.pet", sprites = dir / "shapes.prg";
    if (c.picture)
        load_picture(write_file(picture, petscii_file(7, 6)));
    if (c.sprites)
        load_sprites(write_file(sprites, sprite_file(6, 0x10)));
    sprites_set_color_at_index(0, 3);
    sprites_set_multicolor_at_index(2, 1);
    sprites_set_background_color(9);
    border_color_index = 12;
    c.picture_gone ? fs::remove(picture) : (write_file(picture, petscii_file(5, 6)), true);
    c.sprites_gone ? fs::remove(sprites) : (write_file(sprites, sprite_file(8, 0x60)), true);
    fs::remove(config_file());
    press(GDK_F4);

    Messages errors;
    if (c.picture && c.picture_gone)
        errors.push_back(read_error(picture));
    if (c.sprites && c.sprites_gone)
        errors.push_back(read_error(sprites));
    EXPECT_EQ(take_messages(), errors);
    const bool picture_back = c.picture && !c.picture_gone,
               sprites_back = c.sprites && !c.sprites_gone;
    const bool any = picture_back || sprites_back;
    EXPECT_EQ(status_text(), any              ? " Info: All graphics were reloaded"
                             : errors.empty() ? ""
                                              : " Error: " + errors.back());
    EXPECT_EQ(fs::exists(config_file()), any);
    EXPECT_EQ(picture_loaded, picture_back ? 1 : 0);
    EXPECT_EQ(sprites_loaded, sprites_back ? 1 : 0);
    EXPECT_EQ(border_color_index, c.corner);
    EXPECT_EQ(sprites_get_array_size(), sprites_back ? 8u : c.sprites ? 6u : 40u);
    if (c.sprites) {
        EXPECT_EQ(record(0).data[0], sprites_back ? 0x60 : 0x10);
        EXPECT_EQ(record(5).data[0], sprites_back ? 0x65 : 0x15);
    }
    EXPECT_EQ(record(0).color, 3);
    EXPECT_EQ(record(1).color, 13);
    EXPECT_EQ(record(2).multicolor, 1);
    EXPECT_EQ(sprites_get_background_color(), c.transparent);
    EXPECT_EQ(any ? borders_first_difference() : "", ""); // the store changed behind its back
}

INSTANTIATE_TEST_SUITE_P(
    Loads, Reload,
    ::testing::Values(ReloadCase{"PetsciiAndSprites", true, true, false, false, 5, 6},
                      ReloadCase{"SpritesOnly", false, true, false, false, 12, 9},
                      ReloadCase{"Nothing", false, false, false, false, 12, 9},
                      ReloadCase{"SpritesVanished", true, true, false, true, 5, 6},
                      ReloadCase{"BothVanished", true, true, true, true, 12, 9}),
    case_name);

// The template preview replaced the store; the restore brings back what the backup names,
// "(NULL)" naming no file, and the colours it holds.
TEST_F(FileMenu, RestoreAfterTheTemplateBringsBackTheNamedFiles) {
    load_picture(write_file(dir / "welcome.pet", petscii_file(7, 6)));
    load_sprites(write_file(dir / "shapes.prg", sprite_file(6, 0x10)));
    const std::string named =
        project_get_backup_text(utf8_path_and_filename_picture, utf8_path_and_filename_sprites, 12);
    const std::string unnamed =
        "[picture]\nfile=(NULL)\n[sprites]\nfile=(NULL)\n[colors]\nbase=3\n";
    for (const auto &[backup, count, corner] : {std::tuple{named, 6u, 12}, {unnamed, 40u, 3}}) {
        set_path(&project_backup_data);
        project_backup_data = g_strdup(backup.c_str());
        sprites_set_template();
        sprites_set_background_color(9);
        restore_project_from_data();
        EXPECT_EQ(take_messages(), Messages{});
        EXPECT_EQ(picture_loaded + sprites_loaded, 2);
        EXPECT_EQ(sprites_get_array_size(), count);
        EXPECT_EQ(border_color_index, corner);
        EXPECT_EQ(sprites_get_background_color(), 6); // the picture's background again
        EXPECT_EQ(borders_first_difference(), "");
    }
}

// What the artist sees: every drawing area, the multicolour switch, and what Save would write.
using Shown = std::vector<std::pair<std::string, PixbufPtr>>;

Shown take_shown() {
    flush_redraws();
    Shown shown;
    for (const char *area :
         {"left_border", "right_border", "upper_border", "lower_border", "picture", "sprites",
          "palette", "sprite_palette", "color_sprite_bit_pair_00", "color_sprite_bit_pair_01",
          "color_sprite_bit_pair_10", "color_sprite_bit_pair_11"})
        shown.emplace_back(area, widget_pixels(lookup_widget(
                                     window_main, (std::string{"drawingarea_"} + area).c_str())));
    shown.emplace_back(
        project_get_file_text(utf8_path_and_filename_picture, utf8_path_and_filename_sprites,
                              border_color_index) +
            (gtk_toggle_button_get_active(multicolour_switch()) ? "multi" : "single"),
        nullptr);
    return shown;
}

// Empty when both show the same, else the first area or text that differs.
std::string difference(const Shown &actual, const Shown &expected) {
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (actual[i].first != expected[i].first ||
            (expected[i].second &&
             pixels_first_difference(actual[i].second.get(), expected[i].second.get()) != ""))
            return actual[i].first;
    return "";
}

void pick_colour(const char *bit_pair, int colour) {
    constexpr int swatch = 16;
    gtk_toggle_button_set_active(
        GTK_TOGGLE_BUTTON(lookup_widget(
            window_main, (std::string("radiobutton_color_sprite_bit_pair_") + bit_pair).c_str())),
        TRUE);
    send_button(lookup_widget(window_main, "drawingarea_sprite_palette"),
                (colour * swatch + swatch / 2) * options_expansion, 8);
}

std::string item_state(const char *item) {
    GtkWidget *widget = lookup_widget(window_main, item);
    return std::string(gtk_menu_item_get_label(GTK_MENU_ITEM(widget))) +
           (gtk_widget_get_sensitive(widget) ? "" : " (off)");
}

// One change, the undo label it gives and how it is made (no bit pair: the multicolour switch).
struct Change {
    const char *label;
    const char *bit_pair;
    int colour;
};

constexpr Change changes[] = {{"sprite colour", "10", 5},
                              {"multicolour mode", nullptr, 0},
                              {"shared colours", "01", 9},
                              {"shared colours", "11", 14},
                              {"sprite colour", "10", 2}};

TEST_F(FileMenu, UndoAndRedoGoThroughEveryChangeStepByStep) {
    for (const char *name : {"sunset.ini", "sunset.koa", "shapes.prg"})
        fs::copy_file(example_path(name), dir / name);
    project_commands_open_project((dir / "sunset.ini").c_str());
    // Sprites 20-23 follow 16-19: with 17 and 22 selected a pick colours 17, 18, 21 and 22.
    sprites_select_none();
    for (const unsigned index : {1u, 17u, 22u})
        sprites_set_selected_at_index(index, 1);
    const auto menu = [] {
        return item_state("menuitem_undo") + ", " + item_state("menuitem_redo");
    };
    EXPECT_EQ(menu(), "_Undo (off), _Redo (off)");
    EXPECT_EQ(window_title(), "C64 Sidewell - sunset.ini");
    std::vector<Shown> before;
    for (const Change &change : changes) {
        before.push_back(take_shown());
        change.bit_pair ? pick_colour(change.bit_pair, change.colour)
                        : gtk_button_clicked(GTK_BUTTON(multicolour_switch()));
        EXPECT_EQ(menu(), std::string("_Undo ") + change.label + ", _Redo (off)");
        EXPECT_EQ(window_title(), "*C64 Sidewell - sunset.ini");
    }
    before.push_back(take_shown());
    // Ctrl+Z for the first step back, the menu for the others; the selection stays.
    for (std::size_t step = std::size(changes); step-- > 0;) {
        step + 1 == std::size(changes) ? tap_key(GDK_z, GDK_CONTROL_MASK) : choose("menuitem_undo");
        EXPECT_EQ(difference(take_shown(), before[step]), "") << "undo to before change " << step;
        EXPECT_EQ(menu(), (step > 0 ? std::string("_Undo ") + changes[step - 1].label
                                    : std::string("_Undo (off)")) +
                              ", _Redo " + changes[step].label);
    }
    EXPECT_EQ(selected_sprites(), (std::vector<unsigned>{1, 17, 22}));
    EXPECT_EQ(window_title(), "C64 Sidewell - sunset.ini");
    // Ctrl+Y and Ctrl+Shift+Z both redo.
    for (std::size_t step = 0; step < std::size(changes); ++step) {
        tap_key(step % 2 == 0 ? GDK_y : GDK_Z,
                GDK_CONTROL_MASK | (step % 2 == 0 ? 0 : GDK_SHIFT_MASK));
        EXPECT_EQ(difference(take_shown(), before[step + 1]), "") << "redo of change " << step;
    }
    EXPECT_EQ(menu(), "_Undo sprite colour, _Redo (off)");
    // Saving makes this the saved state: undoing away from it and back shows it.
    ASSERT_EQ(save_project_to_file((dir / "sunset.ini").c_str()), 1);
    for (const char *item : {"menuitem_undo", "menuitem_redo"}) {
        const bool saved_shown = window_title() == "C64 Sidewell - sunset.ini";
        choose(item);
        EXPECT_NE(window_title() == "C64 Sidewell - sunset.ini", saved_shown) << item;
    }
    EXPECT_EQ(window_title(), "C64 Sidewell - sunset.ini");
    // A new change drops what could be redone; new sprites start a fresh history.
    choose("menuitem_undo");
    pick_colour("01", 7);
    EXPECT_EQ(menu(), "_Undo shared colours, _Redo (off)");
    project_commands_load_sprites((dir / "shapes.prg").c_str());
    EXPECT_EQ(menu(), "_Undo (off), _Redo (off)");
    EXPECT_EQ(window_title(), "*C64 Sidewell - sunset.ini");
}

struct DropCase {
    const char *name;
    const char *drops;  // files dropped at once, groups parted by "|"
    const char *loaded; // picture, sprites and project afterwards
    Messages messages;
};

class Drop : public EditorTest, public ::testing::WithParamInterface<DropCase> {};

// A file manager hands the files over as a text/uri-list.
TEST_P(Drop, LoadsWhatTheFileHolds) {
    const DropCase &c = GetParam();
    for (const char *name : {"welcome.ini", "welcome.pet", "sunset.koa", "shapes.prg"})
        fs::copy_file(example_path(name), dir / name);
    write_file(dir / "notes.txt", std::string("[notes]\nnot a picture, not sprites\n"));
    std::istringstream drops(c.drops);
    for (std::string group; std::getline(drops, group, '|');) {
        std::istringstream names(group);
        std::vector<std::string> uris;
        for (std::string name; names >> name;)
            uris.push_back(file_uri(dir / name));
        std::vector<gchar *> list;
        for (std::string &uri : uris)
            list.push_back(uri.data());
        list.push_back(nullptr);
        GtkSelectionData data{};
        data.target = gdk_atom_intern_static_string("text/uri-list");
        data.display = gdk_display_get_default();
        ASSERT_TRUE(gtk_selection_data_set_uris(&data, list.data()));
        on_window_main_drag_data_received(window_main, nullptr, 0, 0, &data, 0, 0, nullptr);
        g_free(data.data);
    }
    std::string loaded;
    for (const auto &[flag, path] : {std::pair{picture_loaded, utf8_path_and_filename_picture},
                                     {sprites_loaded, utf8_path_and_filename_sprites},
                                     {1, utf8_path_and_filename_project}})
        loaded += (flag == 1 && path ? fs::relative(path, dir).string() : "-") + " ";
    EXPECT_EQ(loaded, c.loaded);
    EXPECT_EQ(take_messages(), c.messages);
    EXPECT_EQ(borders_first_difference(), "");
}

INSTANTIATE_TEST_SUITE_P(
    FromAFileManager, Drop,
    ::testing::Values(
        DropCase{"project", "welcome.ini", "welcome.pet shapes.prg welcome.ini ", {}},
        DropCase{"picture", "sunset.koa", "sunset.koa - - ", {}},
        DropCase{"sprites", "shapes.prg", "- shapes.prg - ", {}},
        DropCase{"picture_and_sprites", "shapes.prg sunset.koa", "sunset.koa shapes.prg - ", {}},
        DropCase{"not_a_c64_file_changes_nothing",
                 "sunset.koa shapes.prg|notes.txt",
                 "sunset.koa shapes.prg - ",
                 {"Unknown file format"}}),
    case_name);

} // namespace
