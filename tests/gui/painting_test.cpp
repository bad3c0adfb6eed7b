// What the picture area, the open border strips, the side borders and the sprite list show at
// every zoom, read back from the screen and compared with the images the core computes.

#include "area_test_support.hpp"
#include "core/hiresdecoder.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace {

using area_test::PrintTo;

constexpr int slot_width = 24;
constexpr int slot_height = 21;
constexpr int first_slot_y = 40;
constexpr const char *open_border_areas[] = {"drawingarea_upper_border",
                                             "drawingarea_lower_border"};

struct PictureCase {
    const char *name;
    const char *file;
    bool shared;
    int zoom;
};

class PictureArea : public AreaTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureArea, ShowsThePictureEnlargedAndItsBackgroundAround) {
    const PictureCase &c = GetParam();
    const std::string path = c.shared ? shared_picture_path(c.file) : example_path(c.file);
    if (path.empty())
        GTEST_SKIP() << "shared picture not available: " << c.file;
    const PixbufPtr picture = decoded_picture(path);
    ASSERT_TRUE(picture) << path;
    choose_zoom(c.zoom);
    load_picture(path);

    const PixbufPtr expected = pixels_enlarged(picture.get(), c.zoom);
    const PixbufPtr shown = area_pixels(widget("drawingarea_picture"));
    EXPECT_EQ(pixels_first_difference(shown.get(), expected.get()), "");
    const std::uint32_t background = palette_rgb(picture_data.background_color);
    EXPECT_EQ(palette_rgb(painting_get_display_background_index()), background);
    for (const char *area : open_border_areas)
        EXPECT_EQ(area_first_pixel_not(widget(area), background), "") << area;
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureArea,
                         ::testing::Values(PictureCase{"koala_zoom1", "sunset.koa", false, 1},
                                           PictureCase{"petscii_zoom2", "welcome.pet", false, 2},
                                           PictureCase{"shared_koala_zoom4",
                                                       "koala/afterimage_metal.kla", true, 4},
                                           PictureCase{"shared_art_studio_zoom3",
                                                       "artstudio/gdc_demo-meyes.mpic", true, 3}),
                         case_name);

// Without a picture, after a failed load and behind a hires picture, which has no background
// colour of its own, the sprites' background colour shows.
TEST_F(AreaTest, WithoutAPictureBackgroundTheSpriteBackgroundShows) {
    sprites_set_background_color(9);
    choose("menuitem_selection_method_frame");
    for (const char *area : {"drawingarea_picture", "drawingarea_upper_border"})
        EXPECT_EQ(area_first_pixel_not(widget(area), palette_rgb(9)), "") << area;

    load_picture(example_path("sunset.koa"));
    const std::uint8_t sprite_background = (picture_data.background_color + 1) % 16;
    sprites_set_background_color(sprite_background);
    const std::string broken = shared_picture_path("negative/onyx_abydos_packedkoala.gg");
    const std::string path = broken.empty() ? example_path("shapes.prg") : broken;
    picture_loaded = open_picture(path.c_str(), TRUE);
    EXPECT_EQ(pixbuf_picture, nullptr);
    EXPECT_EQ(area_first_pixel_not(widget("drawingarea_picture"), palette_rgb(sprite_background)),
              "");

    load_picture(example_path("sunset.koa"));
    sprites_set_background_color(sprite_background);
    picture_data.format = 3;
    gtk_widget_queue_draw(window_main);
    process_events(50);
    EXPECT_EQ(
        area_first_pixel_not(widget("drawingarea_lower_border"), palette_rgb(sprite_background)),
        "");
}

struct BorderCase {
    const char *name;
    bool template_sprites; // else the example sprite file
    int zoom;
    int method;
    unsigned first_row;
};

constexpr const char *method_items[] = {"menuitem_selection_method_frame",
                                        "menuitem_selection_method_alpha_adjustment",
                                        "menuitem_selection_method_both"};

// The selected sprites' frames, drawn onto the enlarged image from the slot layout: in the
// borders bit 1 of the index picks the side, bit 0 the column, index / 4 the row; the list
// shows eight slots a row from its first row on.
void outline_frames(GdkPixbuf *image, const char *area, unsigned first_row, int zoom) {
    const bool list = std::string{area} == "drawingarea_sprites";
    for (unsigned slot = 0; slot < sprites_border_count; slot++) {
        const unsigned index = list ? first_row * 8 + slot : slot;
        std::int32_t selected = 0;
        sprites_get_selected_at_index(index, &selected);
        const bool left = (index & 2) == 0;
        if (selected != 1 || (!list && left != (std::string{area} == "drawingarea_left_border")))
            continue;
        const int x = static_cast<int>(list ? slot % 8 : index % 2) * slot_width;
        const int y = list ? static_cast<int>(slot / 8) * slot_height
                           : first_slot_y + static_cast<int>(index / 4) * slot_height;
        pixels_draw_outline(image, x * zoom, y * zoom, slot_width * zoom, slot_height * zoom);
    }
}

class SpriteViewsOnScreen : public AreaTest, public ::testing::WithParamInterface<BorderCase> {};

TEST_P(SpriteViewsOnScreen, BordersAndListAreTheCoreImagesEnlargedWithFrames) {
    const BorderCase &c = GetParam();
    if (!c.template_sprites) {
        load_sprites(example_path("shapes.prg"));
        sprites_select_none();
        for (const unsigned index : {0u, 5u, 18u, 23u, 39u, 41u, 47u})
            sprites_set_selected_at_index(index, 1);
    }
    choose_zoom(c.zoom);
    choose(method_items[c.method]);
    GtkRange *scrollbar = GTK_RANGE(widget("vscrollbar_sprites"));
    gtk_range_set_range(scrollbar, 0, 10);
    gtk_range_set_value(scrollbar, c.first_row + 0.75);
    repaint_sprite_views();
    process_events(50);

    const int background = painting_get_display_background_index();
    const struct {
        const char *area;
        PixbufPtr image;
        int zoom;
    } views[] = {
        {"drawingarea_left_border",
         spriteviews_new_border_pixbuf(SpriteviewsSide::left, c.method, background), c.zoom},
        {"drawingarea_right_border",
         spriteviews_new_border_pixbuf(SpriteviewsSide::right, c.method, background), c.zoom},
        {"drawingarea_sprites", spriteviews_new_list_pixbuf(c.first_row, c.method), 2 * c.zoom}};
    for (const auto &view : views) {
        const PixbufPtr expected = pixels_enlarged(view.image.get(), view.zoom);
        if (c.method != spriteviews_method_alpha)
            outline_frames(expected.get(), view.area, c.first_row, view.zoom);
        const PixbufPtr shown = area_pixels(widget(view.area));
        EXPECT_EQ(pixels_first_difference(shown.get(), expected.get()), "") << view.area;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zooms, SpriteViewsOnScreen,
    ::testing::Values(BorderCase{"template_frame_zoom1", true, 1, spriteviews_method_frame, 0},
                      BorderCase{"template_alpha_zoom2", true, 2, spriteviews_method_alpha, 0},
                      BorderCase{"file_frame_zoom2", false, 2, spriteviews_method_frame, 0},
                      BorderCase{"file_both_zoom3", false, 3, spriteviews_method_both, 1},
                      BorderCase{"file_alpha_zoom4", false, 4, spriteviews_method_alpha, 0},
                      BorderCase{"file_frame_zoom4_second_page", false, 4, spriteviews_method_frame,
                                 1}),
    case_name);

std::set<std::pair<int, int>> white_pixels(const GdkPixbuf *image) {
    std::set<std::pair<int, int>> white;
    for (int y = 0; y < gdk_pixbuf_get_height(image); y++)
        for (int x = 0; x < gdk_pixbuf_get_width(image); x++)
            if (pixel_rgb(image, x, y) == 0xFFFFFF)
                white.insert({x, y});
    return white;
}

// Sprite 5 is the second sprite of the second row in the left border: x 24, y 61.
TEST_F(AreaTest, OneSelectedSpriteIsFramedAtItsSlotOnly) {
    constexpr std::uint8_t blue = 6;
    for (unsigned index = 0; index < sprites_border_count; index++)
        sprites_set_color_at_index(index, blue);
    sprites_select_none();
    sprites_set_selected_at_index(5, 1);
    choose("menuitem_selection_method_frame");
    choose_zoom(2);

    const PixbufPtr left = area_pixels(widget("drawingarea_left_border"));
    const std::set<std::pair<int, int>> white = white_pixels(left.get());
    EXPECT_EQ(white.size(), 2u * 48 + 2u * 42 - 4);
    EXPECT_EQ(white.count({48, 122}), 1u);
    EXPECT_EQ(white.count({95, 163}), 1u);
    EXPECT_EQ(white.count({49, 123}), 0u);
    const PixbufPtr right = area_pixels(widget("drawingarea_right_border"));
    EXPECT_TRUE(white_pixels(right.get()).empty());
}

} // namespace
