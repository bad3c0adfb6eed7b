// Quitting by the menu, Ctrl+Q and the close button, with the question answered by the test,
// and the preferences file that the first start and a confirmed quit write.

#include "area_test_support.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

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

TEST_P(Quit, DeclinedKeepsRunningAndWritesNothing) {
    // Start-up wrote the file; without it any write would show.
    ASSERT_TRUE(fs::remove(config_file()));
    DialogAnswer answer("Confirmation request", GTK_RESPONSE_NO);
    std::string question;
    answer.inspect = [&question](GtkWidget *dialog) {
        question =
            gtk_label_get_label(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
    };
    GtkWidget *window = window_main;
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));

    ask_to_quit();
    process_events(50);

    EXPECT_EQ(answer.times_answered(), 1);
    EXPECT_EQ(question, "Are you sure you want to quit?");
    ASSERT_NE(window, nullptr);
    g_object_remove_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
    EXPECT_TRUE(gtk_widget_get_visible(window_main));
    EXPECT_FALSE(fs::exists(config_file()));
}

// The position goes into the file once, the large images are released, the main loop ends, and
// the next start puts the window where it was.
TEST_P(Quit, ConfirmedWritesThePositionForTheNextStart) {
    gtk_window_move(GTK_WINDOW(window_main), 150, 120);
    ASSERT_EQ(window_position(), std::pair(150, 120));
    ASSERT_TRUE(fs::remove(config_file()));
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
