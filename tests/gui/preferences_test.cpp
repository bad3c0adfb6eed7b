#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

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

class PictureReopen : public SavedPreferences {
  protected:
    void TearDown() override {
        picture_loaded = 0;
        g_free(utf8_path_and_filename_picture);
        utf8_path_and_filename_picture = nullptr;
        fs::remove_all(folder);
        SavedPreferences::TearDown();
    }
    fs::path write_koala(std::size_t size) {
        folder = fs::temp_directory_path() / ("sidewell-reopen-" + std::to_string(getpid()));
        fs::create_directories(folder);
        const fs::path path = folder / "picture.koa";
        std::string bytes(size, '\0');
        bytes[1] = 0x60; // Koala Painter loads at $6000
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    fs::path folder;
};

TEST_F(PictureReopen, PaletteChangeRendersThePictureAgainAndKeepsTheCornerColour) {
    const fs::path picture = write_koala(10003);
    picture_loaded = 1;
    utf8_path_and_filename_picture = g_strdup(picture.c_str());
    border_color_index = 5;
    ASSERT_EQ(pixbuf_picture, nullptr);

    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_palette_high_contrast")));

    ASSERT_NE(pixbuf_picture, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(pixbuf_picture), 320);
    EXPECT_EQ(picture_data.format, picture_format_koala);
    EXPECT_STREQ(utf8_path_and_filename_picture, picture.c_str());
    EXPECT_EQ(border_color_index, 5);
}

TEST_F(PictureReopen, AFailedOpenIsReportedInTheStatusBarAndADialog) {
    const fs::path picture = write_koala(10002);
    utf8_path_and_filename_picture = g_strdup("kept.koa");

    EXPECT_FALSE(open_picture(picture.c_str(), TRUE));

    EXPECT_EQ(pixbuf_picture, nullptr);
    EXPECT_STREQ(utf8_path_and_filename_picture, "kept.koa");
    const std::vector<std::string> status =
        label_texts(gtk_statusbar_get_message_area(GTK_STATUSBAR(widget("statusbar_main"))));
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].rfind(" Error: ", 0), 0u) << status[0];
    GList *toplevels = gtk_window_list_toplevels();
    std::string dialog_text;
    for (GList *element = toplevels; element != nullptr; element = element->next) {
        if (GTK_IS_MESSAGE_DIALOG(element->data)) {
            EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(element->data)), "Error");
            dialog_text = gtk_label_get_text(GTK_LABEL(GTK_MESSAGE_DIALOG(element->data)->label));
        }
    }
    g_list_free(toplevels);
    EXPECT_EQ(" Error: " + dialog_text, status[0]);
}

} // namespace
