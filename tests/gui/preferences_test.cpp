#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class SavedPreferences : public EditorTest {
  protected:
    void start_with(const std::string &text) {
        std::ofstream(config_file(), std::ios::binary) << text;
        restart();
    }
    bool active(const char *name) {
        return gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(widget(name)));
    }
};

TEST_F(SavedPreferences, WithoutAFileTheMenusShowTheDefaults) {
    for (const char *name :
         {"menuitem_palette_peptos", "menuitem_zoom_1x", "menuitem_selection_method_frame",
          "menuitem_transition_none", "menuitem_sprite_attribute_byte_format_ignore"}) {
        EXPECT_TRUE(active(name)) << name;
    }
    EXPECT_FALSE(active("menuitem_reencode_graphics"));
    gint width = 0;
    gint height = 0;
    gtk_widget_get_size_request(widget("drawingarea_upper_border"), &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 48);
}

TEST_F(SavedPreferences, StartUpActivatesTheSavedChoicesAndMovesTheWindow) {
    start_with("[interface]\npalette=2\nexpansion=3\nselection_method=1\ntransition=1\n"
               "[sprites]\nsprite_attribute_byte_format=1\n[misc]\nreencode_graphics=true\n"
               "[application]\nposition=77;66;\n");

    EXPECT_EQ(options_palette, 2);
    EXPECT_EQ(options_expansion, 3);
    EXPECT_EQ(options_selection_method, 1);
    EXPECT_EQ(options_transition, 1);
    EXPECT_EQ(options_sprite_attribute_byte_format, 1);
    EXPECT_EQ(options_reencode_graphics, TRUE);
    for (const char *name :
         {"menuitem_palette_pixcen", "menuitem_zoom_3x",
          "menuitem_selection_method_alpha_adjustment", "menuitem_transition_flicker",
          "menuitem_sprite_attribute_byte_format_sprite_pad", "menuitem_reencode_graphics"}) {
        EXPECT_TRUE(active(name)) << name;
    }
    gint width = 0;
    gint height = 0;
    gtk_widget_get_size_request(widget("drawingarea_left_border"), &width, &height);
    EXPECT_EQ(width, 144);
    EXPECT_EQ(height, 888);
    process_events(100);
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    EXPECT_EQ(x, 77);
    EXPECT_EQ(y, 66);
    // Applying the choices rewrote the file with them.
    const std::string text = read_config();
    EXPECT_NE(text.find("palette=2\nexpansion=3\nselection_method=1\ntransition=1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("sprite_attribute_byte_format=1\n"), std::string::npos);
}

TEST_F(SavedPreferences, SelectingTheChosenPaletteAgainRewritesTheFile) {
    ASSERT_TRUE(fs::remove(config_file()));
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_palette_peptos")));
    EXPECT_TRUE(fs::exists(config_file()));
    EXPECT_EQ(options_palette, 0);
}

TEST_F(SavedPreferences, ZoomChangeWritesTheValueAtOnce) {
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_zoom_4x")));
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_zoom_2x")));
    EXPECT_NE(read_config().find("expansion=2\n"), std::string::npos);
    gint width = 0;
    gint height = 0;
    gtk_widget_get_size_request(widget("drawingarea_sprite_palette"), &width, &height);
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 32);
}

TEST_F(SavedPreferences, SpritePadIsWrittenOnlyWithTheNextWrite) {
    ASSERT_TRUE(fs::remove(config_file()));
    gtk_menu_item_activate(
        GTK_MENU_ITEM(widget("menuitem_sprite_attribute_byte_format_sprite_pad")));
    EXPECT_EQ(options_sprite_attribute_byte_format, 1);
    EXPECT_FALSE(fs::exists(config_file()));
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_transition_flicker")));
    EXPECT_NE(read_config().find("sprite_attribute_byte_format=1\n"), std::string::npos);
    EXPECT_NE(read_config().find("transition=1\n"), std::string::npos);
}

TEST_F(SavedPreferences, ReencodeFollowsTheCheckItem) {
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_reencode_graphics")));
    EXPECT_EQ(options_reencode_graphics, TRUE);
    EXPECT_NE(read_config().find("reencode_graphics=true\n"), std::string::npos);
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_reencode_graphics")));
    EXPECT_EQ(options_reencode_graphics, FALSE);
    EXPECT_NE(read_config().find("reencode_graphics=false\n"), std::string::npos);
}

TEST_F(SavedPreferences, SelectionMethodKeepsTheZoom) {
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_zoom_3x")));
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_selection_method_both")));
    EXPECT_EQ(options_selection_method, 2);
    EXPECT_EQ(options_expansion, 3);
    gint width = 0;
    gint height = 0;
    gtk_widget_get_size_request(widget("drawingarea_picture"), &width, &height);
    EXPECT_EQ(width, 960);
    EXPECT_EQ(height, 600);
    EXPECT_NE(read_config().find("selection_method=2\n"), std::string::npos);
}

TEST_F(SavedPreferences, AListOfThreeLeavesTheWindowWhereItWasPlaced) {
    int centred_x = 0;
    int centred_y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &centred_x, &centred_y);
    start_with("[application]\nposition=1;2;3;\n");
    EXPECT_EQ(options_window_position, nullptr);
    process_events(50);
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    EXPECT_EQ(x, centred_x);
    EXPECT_EQ(y, centred_y);
}

} // namespace
