// Files followed as they change on disk: rewritten in place, saved by renaming, half written,
// saved in bursts, saved by the editor itself, and not followed once the preference is off.

#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/history.hpp"
#include "core/project.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/file_follow.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <array>

namespace {

// Status bar texts pushed while it is connected.
struct StatusLog {
    std::vector<std::string> texts;
    gulong handler;
    GtkWidget *statusbar = lookup_widget(window_main, "statusbar_main");

    StatusLog() {
        handler =
            g_signal_connect(statusbar, "text-pushed",
                             G_CALLBACK(+[](GtkStatusbar *, guint, gchar *text, gpointer log) {
                                 static_cast<StatusLog *>(log)->texts.emplace_back(text);
                             }),
                             this);
    }
    ~StatusLog() { g_signal_handler_disconnect(statusbar, handler); }
    StatusLog(const StatusLog &) = delete;
    StatusLog &operator=(const StatusLog &) = delete;

    // The texts about files on disk, after waiting long enough for a change to settle.
    std::vector<std::string> after_settling() {
        process_events(static_cast<int>(follow_settle_ms) * 3);
        std::vector<std::string> about_disk;
        for (const std::string &text : texts)
            if (text.find("on disk") != std::string::npos)
                about_disk.push_back(text);
        texts.clear();
        return about_disk;
    }
};

using Strings = std::vector<std::string>;

Bytes koala_with(std::uint8_t fill) {
    Bytes koala = read_bytes(example_path("sunset.koa"));
    std::fill(koala.begin() + 2, koala.begin() + 2 + 4000, fill);
    return koala;
}

using FileFollow = EditorTest;

TEST_F(FileFollow, ReloadsWhatOtherProgramsWriteAndNothingElse) {
    const fs::path picture = dir / "scene.koa", sprites = dir / "shapes.prg",
                   project = dir / "scene.ini";
    write_file(picture, koala_with(0x11));
    write_file(sprites, sprite_file(10, 0x22));
    project_commands_load_picture(picture.c_str());
    project_commands_load_sprites(sprites.c_str());
    ASSERT_EQ(save_project_to_file(project.c_str()), 1);
    project_commands_open_project(project.c_str());
    // The artist's choices: a colour and the multicolour switch, which the history records.
    sprites_set_color_at_index(0, 9);
    GtkToggleButton *multicolour =
        GTK_TOGGLE_BUTTON(lookup_widget(window_main, "checkbutton_sprite_multicolor"));
    gtk_toggle_button_set_active(multicolour, TRUE);
    const std::string undo = history_get_undo_label();
    ASSERT_EQ(undo, "multicolour mode");
    StatusLog log;
    // The window as the screen shows it: the picture and the sprites composed anew.
    choose("menuitem_selection_method_alpha_adjustment");
    const auto shows = [&](const fs::path &koala, unsigned count, std::uint8_t fill) {
        const PixbufPtr picture = decoded_picture(koala);
        EXPECT_EQ(pixels_first_difference(pixbuf_picture, picture.get()), "");
        EXPECT_EQ(shown_display_first_difference(picture.get(), picture_data.background_color % 16,
                                                 spriteviews_method_alpha),
                  "");
        ASSERT_EQ(sprites_get_array_size(), count);
        for (unsigned i = 0; i < count; i++)
            EXPECT_EQ(sprites_get_record_at_index(i)->data[5], std::uint8_t(fill + i)) << i;
        EXPECT_EQ(std::tuple(int(sprites_get_record_at_index(0)->color),
                             sprites_get_record_at_index(0)->multicolor, history_get_undo_label()),
                  std::tuple(9, 1, undo));
        EXPECT_EQ(take_messages(), Strings{});
    };

    // Rewritten in place.
    write_file(picture, koala_with(0x33));
    EXPECT_EQ(log.after_settling(), Strings{" Info: scene.koa changed on disk and was reloaded"});
    shows(picture, 10, 0x22);

    // Saved under another name and renamed over the file.
    write_file(dir / "shapes.tmp", sprite_file(20, 0x44));
    fs::rename(dir / "shapes.tmp", sprites);
    EXPECT_EQ(log.after_settling(), Strings{" Info: shapes.prg changed on disk and was reloaded"});
    shows(picture, 20, 0x44);

    // Half written: the last good picture stays and the status says why; then completed.
    const fs::path good = dir / "good.koa";
    fs::copy_file(picture, good);
    const Bytes next = koala_with(0x55);
    write_file(picture, Bytes(next.begin(), next.begin() + 5000));
    EXPECT_EQ(
        log.after_settling(),
        Strings{" Error: scene.koa changed on disk but does not read: Unknown picture format"});
    shows(good, 20, 0x44);
    write_file(picture, next);
    EXPECT_EQ(log.after_settling(), Strings{" Info: scene.koa changed on disk and was reloaded"});
    shows(picture, 20, 0x44);

    // A burst of saves: one reload, of the last.
    for (const std::uint8_t fill : {0x61, 0x62, 0x63, 0x64}) {
        write_file(sprites, sprite_file(30, fill));
        process_events(static_cast<int>(follow_settle_ms) / 4);
    }
    EXPECT_EQ(log.after_settling(), Strings{" Info: shapes.prg changed on disk and was reloaded"});
    shows(picture, 30, 0x64);

    // The editor's own save, and a file written again with the same bytes, reload nothing.
    ASSERT_EQ(save_project_to_file(project.c_str()), 1);
    write_file(sprites, sprite_file(30, 0x64));
    EXPECT_EQ(log.after_settling(), Strings{});

    // A project changed elsewhere is opened again with the files it names now.
    write_file(dir / "other.prg", sprite_file(12, 0x77));
    write_file(project, project_get_file_text(picture.c_str(), (dir / "other.prg").c_str(), 4));
    Strings reopened = log.after_settling();
    ASSERT_FALSE(reopened.empty());
    EXPECT_EQ(reopened.back(), " Info: scene.ini changed on disk and was reloaded");
    EXPECT_EQ(std::tuple(sprites_get_array_size(), sprites_get_record_at_index(0)->data[5],
                         border_color_index),
              std::tuple(12u, 0x77, 4));

    // Switched off, nothing is followed; the choice is kept in the preferences file.
    choose("menuitem_follow_files");
    EXPECT_NE(read_text(config_file()).find("follow_files=false"), std::string::npos);
    write_file(dir / "other.prg", sprite_file(3, 0x78));
    EXPECT_EQ(log.after_settling(), Strings{});
    EXPECT_EQ(sprites_get_array_size(), 12u);
}

// A PNG frame is followed as picture and as sprite file: the paint program's save converts it
// again, once, and the sprites keep the artist's colours.
TEST_F(FileFollow, PngFrameConvertsAgainWhenThePaintProgramSavesIt) {
    const fs::path frame = dir / "screen.png";
    const auto drawing = [](int white_x, int sprite_width) {
        return [white_x, sprite_width](int x, int y) {
            const bool sprite_pixel = y == 48 && x >= 24 && x < 24 + sprite_width; // slot 5
            const bool picture_pair = (x == white_x || x == white_x + 1) && y == 100;
            return pepto(picture_pair ? 1 : sprite_pixel ? 7 : 0);
        };
    };
    write_png(frame, 416, 272, drawing(60, 4));
    std::array<gchar *, 2> files = {const_cast<gchar *>(frame.c_str()), nullptr};
    app_open_files(files.data());
    sprites_set_color_at_index(5, 9);
    StatusLog log;
    write_png(frame, 416, 272, drawing(200, 8));
    const Strings reloads = log.after_settling();
    EXPECT_EQ(reloads, Strings{" Info: screen.png changed on disk and was reloaded"});
    EXPECT_EQ(take_messages(), Strings{});
    EXPECT_EQ(pixels_first_difference(pixbuf_picture, decoded_picture(frame).get()), "");
    EXPECT_EQ(std::tuple(int(sprites_get_record_at_index(5)->color),
                         int(sprites_get_record_at_index(5)->data[0])),
              std::tuple(9, 0xFF));
}

} // namespace
