// The whole window read back from the screen after loading, zooming and choosing a selection
// method and palette: the display column (side borders, open borders, picture) must be the C64
// screen composed here from the picture and the sprites, enlarged, with frames round the
// selected border sprites; the sprite list the store's sprites, eight a row at twice the zoom;
// the palette strip and the four bit-pair swatches their colours; the rest as GTK drew it.

#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/colorpickers.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <gdk/gdkkeysyms.h>

#include <array>
#include <functional>

namespace {

// A file of the shared pictures made by other people, or empty when they are not there.
std::string shared_picture_path(const char *name) {
    const fs::path path = fs::path(SIDEWELL_SHARED_DIR) / "pictures" / name;
    return fs::exists(path) ? path.string() : std::string{};
}

constexpr int slot_width = 24, slot_height = 21, slots_top = 40, right_border_left = 368;
// A frame breaking the C64's rules in cell column 3, row 2 and sprite slot 5 (offending_frame).
constexpr const char *rules_frame = "rules.png";
constexpr std::uint32_t outline_magenta = 0xFF00FF;
constexpr const char *method_items[] = {"menuitem_selection_method_frame",
                                        "menuitem_selection_method_alpha_adjustment",
                                        "menuitem_selection_method_both"};

struct ScreenCase {
    const char *name;
    const char *palette_item;
    const char *picture; // an example, a shared picture (with a folder), or null for none
    bool sprite_file;    // the example sprites, else the template the editor starts with
    int zoom;
    int method;
    unsigned first_row; // of the sprite list
};

class WindowPixels : public EditorTest, public ::testing::WithParamInterface<ScreenCase> {
  protected:
    // Where the widget's top left corner is in the window.
    std::pair<int, int> origin(const char *name) {
        int x = 0, y = 0;
        gtk_widget_translate_coordinates(widget(name), window_main, 0, 0, &x, &y);
        return {x, y};
    }
};

TEST_P(WindowPixels, ShowTheComposedScreenAndTheSpriteList) {
    const ScreenCase &c = GetParam();
    PixbufPtr picture;
    choose(c.palette_item);
    sprites_set_multicolor0(11);
    sprites_set_multicolor1(12);
    const bool frame = c.picture != nullptr && std::string{c.picture} == rules_frame;
    if (c.picture != nullptr) {
        const bool shared = std::string{c.picture}.find('/') != std::string::npos;
        const std::string path =
            frame    ? write_png(dir / rules_frame, 416, 272,
                                 [](int x, int y) { return offending_frame(x, y, false); })
            : shared ? shared_picture_path(c.picture)
                     : example_path(c.picture);
        if (path.empty())
            GTEST_SKIP() << "shared picture not available: " << c.picture;
        choose_zoom(c.zoom);
        picture = decoded_picture(path); // in the palette the picture is shown in
        put_picture(path);
        if (frame)
            put_sprites(path);
    }
    if (c.sprite_file) {
        put_sprites(example_path("shapes.prg"));
        sprites_select_none();
        for (const unsigned index : {0u, 5u, 18u, 23u, 39u, 41u, 47u})
            sprites_set_selected_at_index(index, 1);
    } else {
        sprites_set_selected_at_index(9, 0);
    }
    choose_zoom(c.zoom);
    choose(method_items[c.method]);
    GtkRange *scrollbar = GTK_RANGE(widget("vscrollbar_sprites"));
    gtk_range_set_range(scrollbar, 0, 10);
    gtk_range_set_value(scrollbar, c.first_row + 0.75);
    repaint_sprite_views();
    process_events(50);

    const PixbufPtr shown = widget_pixels(window_main);
    ASSERT_TRUE(shown);
    PixbufPtr expected{gdk_pixbuf_copy(shown.get())};
    const int z = c.zoom;
    const std::uint8_t background =
        c.picture != nullptr ? picture_data.background_color % 16 : sprites_get_background_color();
    const auto [left, top] = origin("drawingarea_left_border");
    for (int y = 0; y < display_height * z; y++)
        for (int x = 0; x < display_width * z; x++)
            pixel_set_rgb(expected.get(), left + x, top + y,
                          screen_pixel_rgb(picture.get(), x / z, y / z, background, c.method));
    const auto [list_left, list_top] = origin("drawingarea_sprites");
    const PixbufPtr list =
        pixels_enlarged(spriteviews_new_list_pixbuf(c.first_row, c.method).get(), 2 * z);
    gdk_pixbuf_copy_area(list.get(), 0, 0, gdk_pixbuf_get_width(list.get()),
                         gdk_pixbuf_get_height(list.get()), expected.get(), list_left, list_top);
    // Frames: in the borders bit 1 of the index picks the side, bit 0 the column, index / 4 the
    // row; the list shows eight slots a row from its first row on.
    const auto selected = [](unsigned index) {
        std::int32_t flag = 0;
        return sprites_get_selected_at_index(index, &flag) && flag == 1;
    };
    for (unsigned slot = 0; c.method != spriteviews_method_alpha && slot < 40; slot++) {
        if (selected(slot))
            pixels_draw_outline(expected.get(),
                                left + ((slot & 2 ? right_border_left : 0) + (slot % 2) * 24) * z,
                                top + (slots_top + static_cast<int>(slot / 4) * 21) * z,
                                slot_width * z, slot_height * z);
        if (selected(c.first_row * 8 + slot))
            pixels_draw_outline(expected.get(), list_left + static_cast<int>(slot % 8) * 48 * z,
                                list_top + static_cast<int>(slot / 8) * 42 * z, 2 * slot_width * z,
                                2 * slot_height * z);
    }
    // The places breaking the rules are outlined over everything else.
    if (frame) {
        pixels_draw_outline(expected.get(), left + (48 + 3 * 8) * z, top + (48 + 2 * 8) * z, 8 * z,
                            8 * z, outline_magenta);
        pixels_draw_outline(expected.get(), left + 24 * z, top + (slots_top + 21) * z,
                            slot_width * z, slot_height * z, outline_magenta);
    }
    // Sixteen swatches in index order, each closed on its right by a column of colour 0, with a
    // line of colour 0 above and below them all.
    const auto [strip_left, strip_top] = origin("drawingarea_sprite_palette");
    const int size = 16 * z;
    for (int y = 0; y < size; y++)
        for (int x = 0; x < 16 * size; x++) {
            const bool separator = y == 0 || y == size - 1 || x % size == size - 1;
            pixel_set_rgb(expected.get(), strip_left + x, strip_top + y,
                          palette_rgb(separator ? 0 : static_cast<std::uint8_t>(x / size)));
        }
    // A frame's sprites bring their shared colours: the store's own pair when none of them needs
    // multicolour.
    const std::pair<const char *, std::uint8_t> swatches[] = {
        {"drawingarea_color_sprite_bit_pair_00", background},
        {"drawingarea_color_sprite_bit_pair_01", frame ? 4 : 11},
        {"drawingarea_color_sprite_bit_pair_10", color_index_sprite_bit_pair_10},
        {"drawingarea_color_sprite_bit_pair_11", frame ? 10 : 12}};
    for (const auto &[name, colour] : swatches) {
        const auto [swatch_left, swatch_top] = origin(name);
        gdk_pixbuf_fill(PixbufPtr{gdk_pixbuf_new_subpixbuf(expected.get(), swatch_left, swatch_top,
                                                           widget(name)->allocation.width,
                                                           widget(name)->allocation.height)}
                            .get(),
                        palette_rgb(colour) << 8 | 0xFF);
    }
    EXPECT_EQ(pixels_first_difference(shown.get(), expected.get()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Loads, WindowPixels,
    ::testing::Values(ScreenCase{"template_frame_zoom1", "menuitem_palette_pixcen", nullptr, false,
                                 1, 0, 0},
                      ScreenCase{"koala_alpha_zoom2", "menuitem_palette_high_contrast",
                                 "sunset.koa", true, 2, 1, 0},
                      ScreenCase{"petscii_both_zoom3_second_page", "menuitem_palette_ccs64",
                                 "welcome.pet", true, 3, 2, 1},
                      ScreenCase{"shared_art_studio_frame_zoom1", "menuitem_palette_peptos",
                                 "artstudio/gdc_demo-meyes.mpic", true, 1, 0, 1},
                      ScreenCase{"shared_koala_both_zoom4", "menuitem_palette_pixcen",
                                 "koala/afterimage_metal.kla", false, 4, 2, 0},
                      ScreenCase{"png_frame_breaking_rules_outlined_zoom2",
                                 "menuitem_palette_ccs64", rules_frame, false, 2, 0, 0}),
    case_name);

// A picture loaded from the File menu is drawn again with its open borders and the side borders
// that show the sprites on its background.
TEST_F(EditorTest, LoadedPictureIsDrawnAgain) {
    flush_redraws();
    DialogAnswer answer("Select a picture file", GTK_RESPONSE_OK);
    pick(answer, example_path("sunset.koa"));
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_load_picture")));
    for (const char *area :
         {"drawingarea_picture", "drawingarea_upper_border", "drawingarea_lower_border",
          "drawingarea_left_border", "drawingarea_right_border"})
        EXPECT_TRUE(take_queued_redraw(area)) << area;
}

// Each area's own handlers take its configure, expose and key events whole, so that no key
// reaches another widget: a handler connected after them never runs.
TEST_F(EditorTest, DrawingAreasTakeTheirEvents) {
    std::vector<std::string> reached;
    const auto note = +[](GtkWidget *area, GdkEvent *event, std::vector<std::string> *reached) {
        reached->push_back(std::string(gtk_widget_get_name(area)) + " " +
                           std::to_string(event->type));
        return FALSE;
    };
    const char *areas[] = {"left_border",
                           "right_border",
                           "sprites",
                           "upper_border",
                           "lower_border",
                           "picture",
                           "sprite_palette",
                           "color_sprite_bit_pair_00",
                           "color_sprite_bit_pair_01",
                           "color_sprite_bit_pair_10",
                           "color_sprite_bit_pair_11"};
    for (const char *name : areas) {
        GtkWidget *area = widget(("drawingarea_" + std::string(name)).c_str());
        gtk_widget_set_name(area, name);
        for (const char *signal :
             {"configure-event", "expose-event", "key-press-event", "key-release-event"})
            g_signal_connect_after(area, signal, G_CALLBACK(note), &reached);
    }
    choose_zoom(2);
    flush_redraws();
    for (const char *name : {areas[0], areas[1], areas[2]}) {
        gtk_widget_grab_focus(widget(("drawingarea_" + std::string(name)).c_str()));
        for (const auto &[key, state] : {std::pair{GDK_KEY_x, 0},
                                         {GDK_KEY_Left, 0},
                                         {GDK_KEY_z, 0},
                                         {GDK_KEY_a, GDK_CONTROL_MASK},
                                         {GDK_KEY_n, GDK_CONTROL_MASK},
                                         {GDK_KEY_b, GDK_CONTROL_MASK}})
            tap_key(key, state);
    }
    EXPECT_EQ(reached, std::vector<std::string>{});
}

} // namespace

// A dropped PNG frame that breaks the C64's rules loads as its nearest fit, says so once in the
// status bar and a dialog, and exports without its outlines. Reloading the corrected drawing and
// a project naming the PNG convert it again.
TEST_F(EditorTest, FrameBreakingTheRulesIsReportedAndExportedWithoutOutlines) {
    const auto drawing = [](bool fitted) {
        return [fitted](int x, int y) { return offending_frame(x, y, fitted); };
    };
    const std::string frame = write_png(dir / "rules.png", 416, 272, drawing(false));
    std::array<gchar *, 2> files = {const_cast<gchar *>(frame.c_str()), nullptr};
    app_open_files(files.data());
    EXPECT_EQ(take_messages(),
              std::vector<std::string>{
                  "The drawing breaks the C64's rules in 2 places (cells: the colours besides "
                  "the background):\nCell column 3, row 2: cyan, white, red, light grey\nSprite "
                  "slot 5: white, red"});
    EXPECT_EQ(
        status_text(),
        " Info: 2 places break the C64's rules: they are outlined, loaded as the nearest fit");
    EXPECT_EQ(std::pair(picture_loaded, sprites_loaded), std::pair(1, 1));
    const auto exported_is = [&](const std::function<std::uint32_t(int, int)> &expected) {
        GError *error = nullptr;
        EXPECT_TRUE(export_screen_to_png((dir / "shot.png").c_str(), &error));
        const PixbufPtr shot(gdk_pixbuf_new_from_file((dir / "shot.png").c_str(), nullptr));
        PixbufPtr want(gdk_pixbuf_copy(shot.get()));
        for (int y = 0; y < 272; y++)
            for (int x = 0; x < 416; x++)
                pixel_set_rgb(want.get(), x, y, expected(x, y) >> 8);
        return pixels_first_difference(shot.get(), want.get());
    };
    EXPECT_EQ(exported_is(drawing(true)), "");

    // The artist corrects the drawing; F4 converts it again, without a report.
    write_png(dir / "rules.png", 416, 272, drawing(true));
    choose("menuitem_reload_graphics");
    EXPECT_EQ(take_messages(), std::vector<std::string>{});
    EXPECT_EQ(status_text(), " Info: All graphics were reloaded");
    ASSERT_EQ(save_project_to_file((dir / "rules.ini").c_str()), 1);
    write_png(dir / "rules.png", 416, 272, [](int x, int y) {
        return x >= 48 && x < 56 && y >= 35 && y < 43 ? pepto(1) : pepto(0);
    });
    project_commands_open_project((dir / "rules.ini").c_str());
    EXPECT_EQ(take_messages(), std::vector<std::string>{});
    EXPECT_EQ(exported_is([](int x, int y) {
                  return x >= 48 && x < 56 && y >= 35 && y < 43 ? pepto(1) : pepto(0);
              }),
              "");
}
