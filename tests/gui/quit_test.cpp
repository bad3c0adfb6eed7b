#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr const char *quit_question = "Are you sure you want to quit?";

enum class Way { menu, close_button, ctrl_q };

struct QuitCase {
    const char *name;
    Way way;
};

class Quit : public EditorTest, public ::testing::WithParamInterface<QuitCase> {
  protected:
    void ask_to_quit() {
        switch (GetParam().way) {
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

    void move_window(int x, int y) {
        gtk_window_move(GTK_WINDOW(window_main), x, y);
        process_events(100);
        int actual_x = 0;
        int actual_y = 0;
        gtk_window_get_position(GTK_WINDOW(window_main), &actual_x, &actual_y);
        ASSERT_EQ(actual_x, x);
        ASSERT_EQ(actual_y, y);
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
    EXPECT_EQ(question, quit_question);
    ASSERT_NE(window, nullptr);
    g_object_remove_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
    EXPECT_TRUE(gtk_widget_get_visible(window_main));
    EXPECT_FALSE(fs::exists(config_file()));
}

TEST_P(Quit, ConfirmedWritesThePositionOnceAndEndsTheMainLoop) {
    move_window(150, 120);
    ASSERT_TRUE(fs::remove(config_file()));
    pixbuf_picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200);
    GdkPixbuf *picture = pixbuf_picture;
    g_object_add_weak_pointer(G_OBJECT(picture), reinterpret_cast<gpointer *>(&picture));
    DialogAnswer answer("Confirmation request", GTK_RESPONSE_YES);

    call_from_main_loop([this] { ask_to_quit(); });
    EXPECT_TRUE(run_main_loop()) << "the main loop was not ended by quitting";

    EXPECT_EQ(answer.times_answered(), 1);
    const std::string text = read_config();
    EXPECT_NE(text.find("[application]\nposition=150;120;\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("position", text.find("position") + 1), std::string::npos);
    EXPECT_EQ(pixbuf_picture, nullptr);
    EXPECT_EQ(picture, nullptr);
}

TEST_P(Quit, PositionWrittenOnQuitIsAppliedAtTheNextStart) {
    move_window(210, 95);
    DialogAnswer answer("Confirmation request", GTK_RESPONSE_YES);
    call_from_main_loop([this] { ask_to_quit(); });
    ASSERT_TRUE(run_main_loop());

    restart();

    ASSERT_NE(options_window_position, nullptr);
    EXPECT_EQ(options_window_position[0], 210);
    EXPECT_EQ(options_window_position[1], 95);
    process_events(100);
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    EXPECT_EQ(x, 210);
    EXPECT_EQ(y, 95);
}

INSTANTIATE_TEST_SUITE_P(Ways, Quit,
                         ::testing::Values(QuitCase{"menu", Way::menu},
                                           QuitCase{"close_button", Way::close_button},
                                           QuitCase{"ctrl_q", Way::ctrl_q}),
                         [](const ::testing::TestParamInfo<QuitCase> &info) {
                             return info.param.name;
                         });

class Cleanup : public EditorTest {};

TEST_F(Cleanup, ReleasesOnlyWhatExistsAndCanRunTwice) {
    EXPECT_EQ(pixbuf_picture, nullptr);
    pixbuf_sprites = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 192, 105);
    GdkPixbuf *sprites = pixbuf_sprites;
    g_object_add_weak_pointer(G_OBJECT(sprites), reinterpret_cast<gpointer *>(&sprites));
    cleanup_before_quitting();
    EXPECT_EQ(sprites, nullptr);
    EXPECT_EQ(pixbuf_sprites, nullptr);
    cleanup_before_quitting();
    EXPECT_EQ(pixbuf_picture, nullptr);
}

class StartUp : public EditorTest {};

TEST_F(StartUp, FirstStartWritesTheDefaults) {
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
