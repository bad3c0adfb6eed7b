// The Preferences menu: what each command sets and writes, what it draws again, the saved
// choices brought back at start-up, and quitting, which asks first and saves the position.

#include "gui_test_support.hpp"

#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/preference_commands.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

namespace {

using gui_test::PrintTo;

// What one menu item sets, and the line that says so in the preferences file (none when the
// command writes no file). The item named next is chosen before, so that the option changes.
struct Command {
    const char *item; // without its "menuitem_"
    const char *before;
    int *option;
    int value;
    const char *line;
    std::string name() const { return before ? std::string{item} + "_after_" + before : item; }
};

void PrintTo(const Command &c, std::ostream *out) {
    *out << c.name();
}

GtkWidget *menu_item(const char *name) {
    return lookup_widget(window_main, (std::string{"menuitem_"} + name).c_str());
}

class PreferenceCommand : public EditorTest, public ::testing::WithParamInterface<Command> {};

// The next start reads the choice back: the option, its menu item and, for the zoom, the areas.
TEST_P(PreferenceCommand, SetsItsOptionWritesTheFileAndComesBackAtTheNextStart) {
    const Command &c = GetParam();
    if (c.before != nullptr) {
        gtk_menu_item_activate(GTK_MENU_ITEM(menu_item(c.before)));
        ASSERT_NE(*c.option, c.value);
    }
    // Start-up wrote the file; without it only the command itself can write one.
    ASSERT_TRUE(fs::remove(config_file()));
    gtk_menu_item_activate(GTK_MENU_ITEM(menu_item(c.item)));
    EXPECT_EQ(*c.option, c.value);
    std::string line = c.line != nullptr ? c.line : "";
    if (c.line == nullptr) {
        // The attribute format goes into the file with the next write.
        EXPECT_FALSE(fs::exists(config_file()));
        choose("menuitem_transition_flicker");
        line = "sprite_attribute_byte_format=" + std::to_string(c.value);
    }
    EXPECT_NE(read_config().find("\n" + line + "\n"), std::string::npos) << read_config();

    restart();
    EXPECT_EQ(*c.option, c.value);
    GtkWidget *item = menu_item(c.item);
    EXPECT_EQ(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)),
              GTK_IS_RADIO_MENU_ITEM(item) || c.value != 0);
    const int zoom = options_expansion;
    EXPECT_EQ(widget("drawingarea_picture")->allocation.width, 320 * zoom);
    EXPECT_EQ(widget("drawingarea_sprites")->allocation.height, 210 * zoom);
}

const Command commands[] = {
    {"palette_peptos", "palette_ccs64", &options_palette, 0, "palette=0"},
    {"palette_high_contrast", nullptr, &options_palette, 1, "palette=1"},
    {"palette_ccs64", nullptr, &options_palette, 3, "palette=3"},
    {"zoom_1x", "zoom_3x", &options_expansion, 1, "expansion=1"},
    {"zoom_4x", nullptr, &options_expansion, 4, "expansion=4"},
    {"selection_method_frame", "selection_method_both", &options_selection_method, 0,
     "selection_method=0"},
    {"selection_method_alpha_adjustment", nullptr, &options_selection_method, 1,
     "selection_method=1"},
    {"selection_method_both", nullptr, &options_selection_method, 2, "selection_method=2"},
    {"transition_none", "transition_flicker", &options_transition, 0, "transition=0"},
    {"transition_flicker", nullptr, &options_transition, 1, "transition=1"},
    {"sprite_attribute_byte_format_ignore", "sprite_attribute_byte_format_sprite_pad",
     &options_sprite_attribute_byte_format, 0, nullptr},
    {"sprite_attribute_byte_format_sprite_pad", nullptr, &options_sprite_attribute_byte_format, 1,
     nullptr},
    {"reencode_graphics", nullptr, &options_reencode_graphics, 1, "reencode_graphics=true"},
    {"reencode_graphics", "reencode_graphics", &options_reencode_graphics, 0,
     "reencode_graphics=false"}};

INSTANTIATE_TEST_SUITE_P(Menu, PreferenceCommand, ::testing::ValuesIn(commands),
                         [](const auto &info) { return info.param.name(); });

// A zoom item that is left when another is chosen is activated too, and must not act.
TEST_F(PreferenceCommand, LeavingAZoomItemDoesNothing) {
    choose("menuitem_zoom_3x");
    ASSERT_TRUE(fs::remove(config_file()));
    on_menuitem_zoom_3x_activate(GTK_MENU_ITEM(widget("menuitem_zoom_2x")), nullptr);
    EXPECT_EQ(options_expansion, 3);
    EXPECT_FALSE(fs::exists(config_file()));
}

// The palette commands redraw the four colour swatches; the selection marking leaves them.
TEST_F(PreferenceCommand, OnlyPaletteCommandsRedrawTheSwatches) {
    const std::pair<const char *, bool> commands[] = {
        {"menuitem_palette_high_contrast", true},
        {"menuitem_selection_method_alpha_adjustment", false},
        {"menuitem_palette_high_contrast", true}};
    for (const auto &[item, redrawn] : commands) {
        flush_redraws();
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(item)));
        for (const char *swatch :
             {"drawingarea_color_sprite_bit_pair_00", "drawingarea_color_sprite_bit_pair_01",
              "drawingarea_color_sprite_bit_pair_10", "drawingarea_color_sprite_bit_pair_11"})
            EXPECT_EQ(take_queued_redraw(swatch), redrawn) << item << " " << swatch;
        process_events(50);
    }
}

constexpr const char *palette_items[] = {"palette_peptos", "palette_high_contrast",
                                         "palette_pixcen", "palette_ccs64"};

// From Pepto through every other palette and back, each step changing the picture's colours.
TEST_F(PreferenceCommand, PaletteChangeRendersThePictureAgainAndKeepsTheCornerColour) {
    constexpr int chosen_corner = 9;
    const std::string picture = example_path("welcome.pet");
    put_picture(picture);
    ASSERT_NE(border_color_index, chosen_corner);
    border_color_index = chosen_corner;
    PixbufPtr before = decoded_picture(picture);
    for (const int palette : {1, 2, 3, 0}) {
        SCOPED_TRACE(palette_items[palette]);
        gtk_menu_item_activate(GTK_MENU_ITEM(menu_item(palette_items[palette])));
        EXPECT_EQ(options_palette, palette);
        PixbufPtr expected = decoded_picture(picture);
        ASSERT_NE(pixels_first_difference(expected.get(), before.get()), "");
        EXPECT_EQ(pixels_first_difference(pixbuf_picture, expected.get()), "");
        EXPECT_EQ(border_color_index, chosen_corner);
        EXPECT_EQ(picture_loaded, 1);
        before = std::move(expected);
    }
}

enum class Way { menu, close_button, ctrl_q };

class Quit : public EditorTest, public ::testing::WithParamInterface<Way> {
  protected:
    void ask_to_quit() {
        switch (GetParam()) {
        case Way::menu:
            gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_quit")));
            break;
        case Way::close_button:
            send_delete_event(window_main);
            break;
        case Way::ctrl_q:
            send_key(GDK_q, GDK_CONTROL_MASK);
            process_events(100);
            break;
        }
    }
};

// Declined, the editor goes on and writes nothing. Confirmed, the position goes into the file
// once, the large images are released, the main loop ends, and the next start puts the window
// where it was.
TEST_P(Quit, AsksThenWritesThePositionForTheNextStart) {
    gtk_window_move(GTK_WINDOW(window_main), 150, 120);
    ASSERT_EQ(window_position(), std::pair(150, 120));
    // Start-up wrote the file; without it any write would show.
    ASSERT_TRUE(fs::remove(config_file()));
    {
        DialogAnswer no("Confirmation request", GTK_RESPONSE_NO);
        std::string question;
        no.inspect = [&question](GtkWidget *dialog) { question = yes_no_question(dialog); };
        ask_to_quit();
        process_events(50);
        EXPECT_EQ(no.times_answered(), 1);
        EXPECT_EQ(question, "Are you sure you want to quit?");
        ASSERT_NE(window_main, nullptr);
        EXPECT_TRUE(gtk_widget_get_visible(window_main));
        EXPECT_FALSE(fs::exists(config_file()));
    }
    pixbuf_picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200);
    GdkPixbuf *picture = pixbuf_picture;
    g_object_add_weak_pointer(G_OBJECT(picture), reinterpret_cast<gpointer *>(&picture));
    DialogAnswer answer("Confirmation request", GTK_RESPONSE_YES);

    call_from_main_loop([this] { ask_to_quit(); });
    ASSERT_TRUE(run_main_loop()) << "the main loop was not ended by quitting";

    EXPECT_EQ(answer.times_answered(), 1);
    const std::string text = read_config();
    EXPECT_NE(text.find("[application]\nposition=150;120;\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("position", text.find("position") + 1), std::string::npos);
    EXPECT_EQ(pixbuf_picture, nullptr);
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(pixbuf_sprites, nullptr);

    restart();
    ASSERT_NE(options_window_position, nullptr);
    EXPECT_EQ(options_window_position[0], 150);
    EXPECT_EQ(options_window_position[1], 120);
    EXPECT_EQ(window_position(), std::pair(150, 120));
}

constexpr const char *way_names[] = {"menu", "close_button", "ctrl_q"};

INSTANTIATE_TEST_SUITE_P(Ways, Quit, ::testing::Values(Way::menu, Way::close_button, Way::ctrl_q),
                         [](const auto &info) { return way_names[static_cast<int>(info.param)]; });

TEST_F(EditorTest, FirstStartWritesTheDefaultsIntoAPrivateFolder) {
    const std::string text = read_config();
    EXPECT_NE(text.find("picture_dir=(NULL)\n"), std::string::npos);
    EXPECT_NE(text.find("palette=0\nexpansion=1\nselection_method=0\ntransition=0\n"),
              std::string::npos);
    EXPECT_NE(text.find("reencode_graphics=false\n"), std::string::npos);
    EXPECT_NE(text.find("[application]\nposition="), std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat((gui_test_config_home() / "c64-sidewell").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

} // namespace
