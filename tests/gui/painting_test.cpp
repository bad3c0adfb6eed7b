// What the picture area, the open border strips, the side borders and the sprite list show at
// every zoom, read back from the screen and compared with the images the core computes.

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "painting_test_support.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using painting_test::PrintTo;

constexpr int slot_width = 24;
constexpr int slot_height = 21;
constexpr int first_slot_y = 40;

std::uint32_t display_background_rgb() {
    return palette_rgb(painting_get_display_background_index());
}

// Every pixel of the area has the one colour; else where it first does not.
std::string first_pixel_not(GtkWidget *area, std::uint32_t rgb) {
    const PixbufPtr shown = area_pixels(area);
    PixbufPtr expected{gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8,
                                      gdk_pixbuf_get_width(shown.get()),
                                      gdk_pixbuf_get_height(shown.get()))};
    gdk_pixbuf_fill(expected.get(), rgb << 8 | 0xFF);
    return pixels_first_difference(shown.get(), expected.get());
}

// The picture as the decoder renders it on its own, without the editor's state.
PixbufPtr rendered_picture(const std::string &path) {
    GdkPixbuf *pixbuf = nullptr;
    GError *error = nullptr;
    hiresdecoder_decode_hires_screen_file(path.c_str(), picture_format_none, &pixbuf, nullptr,
                                          &error);
    const GErrorPtr owned{error};
    return PixbufPtr{pixbuf};
}

struct PictureCase {
    const char *name;
    const char *file;
    bool shared;
    int zoom;
};

class PictureArea : public PaintingTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureArea, ShowsThePictureEnlargedAndItsBackgroundAround) {
    const PictureCase &c = GetParam();
    const std::string path = c.shared ? shared_picture_path(c.file) : example_path(c.file);
    if (path.empty())
        GTEST_SKIP() << "shared picture not available: " << c.file;
    const PixbufPtr picture = rendered_picture(path);
    ASSERT_TRUE(picture) << path;
    choose_zoom(c.zoom);
    load_picture(path);

    const PixbufPtr expected = pixels_enlarged(picture.get(), c.zoom);
    const PixbufPtr shown = area_pixels(widget("drawingarea_picture"));
    EXPECT_EQ(pixels_first_difference(shown.get(), expected.get()), "");
    const std::uint32_t background = palette_rgb(picture_data.background_color);
    EXPECT_EQ(display_background_rgb(), background);
    EXPECT_EQ(first_pixel_not(widget("drawingarea_upper_border"), background), "");
    EXPECT_EQ(first_pixel_not(widget("drawingarea_lower_border"), background), "");
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureArea,
                         ::testing::Values(PictureCase{"koala_zoom1", "sunset.koa", false, 1},
                                           PictureCase{"koala_zoom2", "sunset.koa", false, 2},
                                           PictureCase{"petscii_zoom3", "welcome.pet", false, 3},
                                           PictureCase{"petscii_zoom4", "welcome.pet", false, 4},
                                           PictureCase{"shared_koala_zoom4",
                                                       "koala/afterimage_metal.kla", true, 4},
                                           PictureCase{"shared_art_studio_zoom3",
                                                       "artstudio/gdc_demo-meyes.mpic", true, 3}),
                         case_name);

TEST_F(PaintingTest, WithoutAPictureTheCentreShowsTheSpriteBackground) {
    sprites_set_background_color(9);
    choose("menuitem_selection_method_frame");
    for (const char *area :
         {"drawingarea_picture", "drawingarea_upper_border", "drawingarea_lower_border"})
        EXPECT_EQ(first_pixel_not(widget(area), palette_rgb(9)), "") << area;
}

TEST_F(PaintingTest, AFailedLoadLeavesTheBackgroundInThePictureArea) {
    load_picture(example_path("sunset.koa"));
    sprites_set_background_color(2);
    const std::string broken = shared_picture_path("negative/onyx_abydos_packedkoala.gg");
    const std::string path = broken.empty() ? example_path("shapes.prg") : broken;

    picture_loaded = open_picture(path.c_str(), TRUE);

    EXPECT_EQ(pixbuf_picture, nullptr);
    EXPECT_EQ(first_pixel_not(widget("drawingarea_picture"), palette_rgb(2)), "");
}

// A hires picture has no background colour of its own; the sprites' colour shows instead.
TEST_F(PaintingTest, AHiresPictureLeavesTheBackgroundToTheSprites) {
    load_picture(example_path("sunset.koa"));
    const std::uint8_t picture_background = picture_data.background_color;
    const std::uint8_t sprite_background = (picture_background + 1) % 16;
    sprites_set_background_color(sprite_background);
    picture_data.format = 3;
    gtk_widget_queue_draw(window_main);
    process_events(50);

    EXPECT_EQ(first_pixel_not(widget("drawingarea_upper_border"), palette_rgb(sprite_background)),
              "");
}

struct BorderCase {
    const char *name;
    bool template_sprites; // else the example sprite file
    int zoom;
    const char *method_item;
    int method;
    unsigned first_row;
};

class SpriteViewsOnScreen : public PaintingTest, public ::testing::WithParamInterface<BorderCase> {
  protected:
    // Frames of the selected sprites in use, drawn onto the enlarged image from the slot
    // layout: bit 1 of the index picks the border, bit 0 the column, index / 4 the row.
    static void outline_border_frames(GdkPixbuf *image, SpriteviewsSide side, int zoom) {
        for (unsigned index = 0; index < sprites_border_count; index++) {
            std::int32_t selected = 0;
            sprites_get_selected_at_index(index, &selected);
            const bool left = (index & 2) == 0;
            if (selected != 1 || left != (side == SpriteviewsSide::left))
                continue;
            const int x = static_cast<int>(index % 2) * slot_width;
            const int y = first_slot_y + static_cast<int>(index / 4) * slot_height;
            pixels_draw_outline(image, x * zoom, y * zoom, slot_width * zoom, slot_height * zoom);
        }
    }
    static void outline_list_frames(GdkPixbuf *image, unsigned first_row, int zoom) {
        for (unsigned slot = 0; slot < 40; slot++) {
            std::int32_t selected = 0;
            sprites_get_selected_at_index(first_row * 8 + slot, &selected);
            if (selected != 1)
                continue;
            const int x = static_cast<int>(slot % 8) * slot_width;
            const int y = static_cast<int>(slot / 8) * slot_height;
            pixels_draw_outline(image, x * zoom, y * zoom, slot_width * zoom, slot_height * zoom);
        }
    }
};

TEST_P(SpriteViewsOnScreen, BordersAndListAreTheCoreImagesEnlargedWithFrames) {
    const BorderCase &c = GetParam();
    if (!c.template_sprites) {
        load_sprites(example_path("shapes.prg"));
        sprites_select_none();
        for (const unsigned index : {0u, 5u, 18u, 23u, 39u, 41u, 47u})
            sprites_set_selected_at_index(index, 1);
    }
    choose(c.method_item);
    choose_zoom(c.zoom);
    GtkRange *scrollbar = GTK_RANGE(widget("vscrollbar_sprites"));
    gtk_range_set_range(scrollbar, 0, 10);
    gtk_range_set_value(scrollbar, c.first_row + 0.75);
    repaint_sprite_views();
    process_events(50);

    const bool frames = c.method != spriteviews_method_alpha;
    for (const SpriteviewsSide side : {SpriteviewsSide::left, SpriteviewsSide::right}) {
        const PixbufPtr image =
            spriteviews_new_border_pixbuf(side, c.method, painting_get_display_background_index());
        const PixbufPtr expected = pixels_enlarged(image.get(), c.zoom);
        if (frames)
            outline_border_frames(expected.get(), side, c.zoom);
        const char *area =
            side == SpriteviewsSide::left ? "drawingarea_left_border" : "drawingarea_right_border";
        const PixbufPtr shown = area_pixels(widget(area));
        EXPECT_EQ(pixels_first_difference(shown.get(), expected.get()), "") << area;
    }
    const int list_zoom = 2 * c.zoom;
    const PixbufPtr list = spriteviews_new_list_pixbuf(c.first_row, c.method);
    const PixbufPtr expected = pixels_enlarged(list.get(), list_zoom);
    if (frames)
        outline_list_frames(expected.get(), c.first_row, list_zoom);
    const PixbufPtr shown = area_pixels(widget("drawingarea_sprites"));
    EXPECT_EQ(pixels_first_difference(shown.get(), expected.get()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Zooms, SpriteViewsOnScreen,
    ::testing::Values(
        BorderCase{"template_frame_zoom1", true, 1, "menuitem_selection_method_frame", 0, 0},
        BorderCase{"template_alpha_zoom2", true, 2, "menuitem_selection_method_alpha_adjustment", 1,
                   0},
        BorderCase{"file_frame_zoom2", false, 2, "menuitem_selection_method_frame", 0, 0},
        BorderCase{"file_both_zoom3", false, 3, "menuitem_selection_method_both", 2, 1},
        BorderCase{"file_alpha_zoom4", false, 4, "menuitem_selection_method_alpha_adjustment", 1,
                   0},
        BorderCase{"file_frame_zoom4_second_page", false, 4, "menuitem_selection_method_frame", 0,
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
TEST_F(PaintingTest, OneSelectedSpriteIsFramedAtItsSlotOnly) {
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

// The images stay at zoom 1: a new zoom only enlarges what they already hold.
TEST_F(PaintingTest, ZoomEnlargesTheImagesWithoutRepaintingThem) {
    choose_zoom(1);
    pixel_set_rgb(pixbuf_left_border, 0, 0, marker_rgb);
    // Inside the last slot, clear of its frame.
    pixel_set_rgb(pixbuf_sprites, 190, 103, marker_rgb);

    choose_zoom(3);

    const PixbufPtr left = area_pixels(widget("drawingarea_left_border"));
    EXPECT_EQ(gdk_pixbuf_get_width(left.get()), 144);
    EXPECT_EQ(pixel_rgb(left.get(), 2, 2), marker_rgb);
    EXPECT_NE(pixel_rgb(left.get(), 3, 3), marker_rgb);
    const PixbufPtr list = area_pixels(widget("drawingarea_sprites"));
    EXPECT_EQ(gdk_pixbuf_get_width(list.get()), 1152);
    EXPECT_EQ(pixel_rgb(list.get(), 1145, 623), marker_rgb);
    EXPECT_EQ(pixel_rgb(list.get(), 1140, 618), marker_rgb);
    EXPECT_NE(pixel_rgb(list.get(), 1139, 617), marker_rgb);
}

struct TakeBorderCase {
    const char *name;
    gboolean take_border;
};

class CornerColour : public PaintingTest, public ::testing::WithParamInterface<TakeBorderCase> {};

TEST_P(CornerColour, ComesFromThePetsciiFileOnlyWhenTaken) {
    const std::string path = example_path("welcome.pet");
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 2u);
    const int file_border = static_cast<unsigned char>(bytes[2]) % 16;
    border_color_index = (file_border + 3) % 16;
    const int before = border_color_index;

    ASSERT_TRUE(open_picture(path.c_str(), GetParam().take_border));

    EXPECT_EQ(border_color_index, GetParam().take_border ? file_border : before);
    EXPECT_STREQ(utf8_path_and_filename_picture, path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Loads, CornerColour,
                         ::testing::Values(TakeBorderCase{"taken", TRUE},
                                           TakeBorderCase{"kept", FALSE}),
                         case_name);

} // namespace
