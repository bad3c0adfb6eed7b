#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "sprite_test_support.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using sprite_test::opaque;
using sprite_test::pixel_at;
using sprite_test::rgb_of;
using sprite_test::Rgba;

constexpr std::uint8_t background = 6;    // blue
constexpr std::uint8_t sprite_colour = 1; // white
constexpr Rgba black = {0, 0, 0, 255};

using Bitmap = std::array<std::uint8_t, sprite_data_size>;

Bitmap filled(std::uint8_t value) {
    Bitmap bytes{};
    bytes.fill(value);
    return bytes;
}

// Row r has only pixel r set, so each image row tells which sprite row it shows.
Bitmap diagonal() {
    Bitmap bytes{};
    for (unsigned r = 0; r < 21; r++)
        bytes[3 * r + r / 8] = static_cast<std::uint8_t>(0x80 >> (r % 8));
    return bytes;
}

// Every sprite in use gets the same bitmap and colour.
void set_all(unsigned count, const Bitmap &bitmap) {
    sprites_set_array_size(count);
    for (unsigned i = 0; i < count; i++) {
        sprites_set_data_at_index(i, bitmap.data());
        sprites_set_color_at_index(i, sprite_colour);
    }
}

PixbufPtr border(SpriteviewsSide side, int method = spriteviews_method_frame) {
    return spriteviews_new_border_pixbuf(side, method, background);
}

// Per channel within one step: GdkPixbuf rounds its blend by integer division.
void expect_blend(const Rgba &got, const Rgba &over, const Rgba &under, int alpha,
                  const std::string &where) {
    for (int c = 0; c < 3; c++) {
        const int want = (alpha * over[c] + (255 - alpha) * under[c]) / 255;
        EXPECT_LE(std::abs(got[c] - want), 1) << where << " channel " << c;
    }
    EXPECT_EQ(got[3], 255) << where;
}

class SpriteViews : public ::testing::Test {
  protected:
    void SetUp() override {
        sprites_module_init();
        sprites_set_background_color(background);
        set_all(40, filled(0));
    }
};

TEST_F(SpriteViews, ImagesHaveTheirZoomOneSizes) {
    const PixbufPtr left = border(SpriteviewsSide::left);
    const PixbufPtr list = spriteviews_new_list_pixbuf(0, spriteviews_method_frame);
    ASSERT_NE(left, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(left.get()), 48);
    EXPECT_EQ(gdk_pixbuf_get_height(left.get()), 296);
    EXPECT_TRUE(gdk_pixbuf_get_has_alpha(left.get()));
    EXPECT_EQ(gdk_pixbuf_get_width(list.get()), 192);
    EXPECT_EQ(gdk_pixbuf_get_height(list.get()), 105);
}

struct BandCase {
    SpriteviewsSide side;
    int top;
    int bottom;
};

class VisibleBand : public SpriteViews, public ::testing::WithParamInterface<BandCase> {};

TEST_P(VisibleBand, SpritesShowOnlyInsideIt) {
    set_all(40, filled(0xFF));
    const PixbufPtr image = border(GetParam().side);
    for (int y = 0; y < 296; y++)
        for (int x = 0; x < 48; x++) {
            const bool inside = y >= GetParam().top && y <= GetParam().bottom;
            ASSERT_EQ(pixel_at(image.get(), x, y), opaque(inside ? sprite_colour : background))
                << "(" << x << ", " << y << ")";
        }
}

INSTANTIATE_TEST_SUITE_P(Sides, VisibleBand,
                         ::testing::Values(BandCase{SpriteviewsSide::left, 48, 248},
                                           BandCase{SpriteviewsSide::right, 47, 247}),
                         [](const auto &info) {
                             return info.param.side == SpriteviewsSide::left ? "left" : "right";
                         });

struct SlotCase {
    unsigned index;
    SpriteviewsSide side;
    int x;
    int first_row; // first and last image rows the sprite shows in
    int last_row;
};

class BorderSlot : public SpriteViews, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(BorderSlot, HoldsExactlyItsSprite) {
    const SlotCase &c = GetParam();
    const Bitmap full = filled(0xFF);
    sprites_set_data_at_index(c.index, full.data());
    for (const SpriteviewsSide side : {SpriteviewsSide::left, SpriteviewsSide::right}) {
        const PixbufPtr image = border(side);
        for (int y = 0; y < 296; y++)
            for (int x = 0; x < 48; x++) {
                const bool inside = side == c.side && x >= c.x && x < c.x + 24 &&
                                    y >= c.first_row && y <= c.last_row;
                ASSERT_EQ(pixel_at(image.get(), x, y), opaque(inside ? sprite_colour : background))
                    << "(" << x << ", " << y << ")";
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Indices, BorderSlot,
                         ::testing::Values(SlotCase{0, SpriteviewsSide::left, 0, 48, 60},
                                           SlotCase{1, SpriteviewsSide::left, 24, 48, 60},
                                           SlotCase{2, SpriteviewsSide::right, 0, 47, 60},
                                           SlotCase{3, SpriteviewsSide::right, 24, 47, 60},
                                           SlotCase{5, SpriteviewsSide::left, 24, 61, 81},
                                           SlotCase{22, SpriteviewsSide::right, 0, 145, 165},
                                           SlotCase{36, SpriteviewsSide::left, 0, 229, 248},
                                           SlotCase{38, SpriteviewsSide::right, 0, 229, 247},
                                           SlotCase{39, SpriteviewsSide::right, 24, 229, 247}),
                         [](const auto &info) {
                             return "index_" + std::to_string(info.param.index);
                         });

struct ClipCase {
    unsigned index;
    int slot_x;
    int slot_y;
    unsigned first_sprite_row;
    unsigned last_sprite_row;
};

class SlotClipping : public SpriteViews, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(SlotClipping, ShowsTheSpriteRowsInsideTheBand) {
    const ClipCase &c = GetParam();
    const Bitmap rows = diagonal();
    sprites_set_data_at_index(c.index, rows.data());
    const PixbufPtr image = border(spriteviews_get_side_of_index(c.index));
    for (unsigned r = 0; r < 21; r++) {
        const bool shown = r >= c.first_sprite_row && r <= c.last_sprite_row;
        EXPECT_EQ(
            pixel_at(image.get(), c.slot_x + static_cast<int>(r), c.slot_y + static_cast<int>(r)),
            opaque(shown ? sprite_colour : background))
            << "sprite row " << r;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SlotClipping,
                         ::testing::Values(ClipCase{0, 0, 40, 8, 20}, ClipCase{1, 24, 40, 8, 20},
                                           ClipCase{2, 0, 40, 7, 20}, ClipCase{37, 24, 229, 0, 19},
                                           ClipCase{36, 0, 229, 0, 19}, ClipCase{38, 0, 229, 0, 18},
                                           ClipCase{39, 24, 229, 0, 18}),
                         [](const auto &info) {
                             return "index_" + std::to_string(info.param.index);
                         });

struct AlphaCase {
    int method;
    std::int32_t selected;
    int alpha;
};

class SelectionAlpha : public SpriteViews, public ::testing::WithParamInterface<AlphaCase> {};

TEST_P(SelectionAlpha, BlendsBorderSpritesOverTheBackground) {
    const auto [method, selected, alpha] = GetParam();
    EXPECT_EQ(spriteviews_get_sprite_alpha(method, selected), alpha);
    const Bitmap full = filled(0xFF);
    sprites_set_data_at_index(5, full.data());
    sprites_select_none();
    sprites_set_selected_at_index(5, selected);
    const PixbufPtr image = border(SpriteviewsSide::left, method);
    expect_blend(pixel_at(image.get(), 30, 70), opaque(sprite_colour), opaque(background), alpha,
                 "inside the slot");
    EXPECT_EQ(pixel_at(image.get(), 30, 60), opaque(background));
}

TEST_P(SelectionAlpha, BlendsListSpritesOverBlack) {
    const auto [method, selected, alpha] = GetParam();
    // Left half set: the right half shows the opaque sprite background.
    Bitmap half{};
    for (unsigned r = 0; r < 21; r++)
        half[3 * r] = 0xFF;
    sprites_set_data_at_index(9, half.data());
    sprites_select_none();
    sprites_set_selected_at_index(9, selected);
    const PixbufPtr list = spriteviews_new_list_pixbuf(0, method);
    // Sprite 9 is list row 1, column 1: x 24, y 21.
    expect_blend(pixel_at(list.get(), 24 + 3, 21 + 10), opaque(sprite_colour), black, alpha,
                 "set pixel");
    expect_blend(pixel_at(list.get(), 24 + 20, 21 + 10), opaque(background), black, alpha,
                 "clear pixel");
}

INSTANTIATE_TEST_SUITE_P(Methods, SelectionAlpha,
                         ::testing::Values(AlphaCase{spriteviews_method_frame, 0, 255},
                                           AlphaCase{spriteviews_method_frame, 1, 255},
                                           AlphaCase{spriteviews_method_alpha, 0, 192},
                                           AlphaCase{spriteviews_method_alpha, 1, 255},
                                           AlphaCase{spriteviews_method_both, 0, 192},
                                           AlphaCase{spriteviews_method_both, 1, 255},
                                           AlphaCase{spriteviews_method_alpha, 2, 192}),
                         [](const auto &info) {
                             return "method_" + std::to_string(info.param.method) + "_selected_" +
                                    std::to_string(info.param.selected);
                         });

TEST_F(SpriteViews, TenSpritesLeaveTheOtherSlotsFilled) {
    set_all(10, filled(0xFF));
    const PixbufPtr left = border(SpriteviewsSide::left);
    const PixbufPtr right = border(SpriteviewsSide::right);
    // Row 2 holds 8, 9 (left) and 10, 11 (right); row 3 holds 12 and 13 on the left.
    EXPECT_EQ(pixel_at(left.get(), 30, 90), opaque(sprite_colour));
    EXPECT_EQ(pixel_at(right.get(), 5, 90), opaque(background));
    EXPECT_EQ(pixel_at(left.get(), 5, 110), opaque(background));
    for (int y = 103; y < 296; y++)
        for (int x = 0; x < 48; x++)
            ASSERT_EQ(pixel_at(left.get(), x, y), opaque(background)) << x << ", " << y;

    const PixbufPtr list = spriteviews_new_list_pixbuf(0, spriteviews_method_frame);
    for (unsigned slot = 0; slot < 40; slot++) {
        const int x = 24 * static_cast<int>(slot % 8) + 12;
        const int y = 21 * static_cast<int>(slot / 8) + 10;
        EXPECT_EQ(pixel_at(list.get(), x, y), slot < 10 ? opaque(sprite_colour) : black)
            << "slot " << slot;
    }
}

// Sprite i shows one pixel, at (i mod 24, i div 24), so a list slot tells whose sprite it is.
void mark_every_sprite(unsigned count) {
    sprites_set_array_size(count);
    for (unsigned i = 0; i < count; i++) {
        Bitmap bitmap{};
        bitmap[3 * (i / 24) + (i % 24) / 8] = static_cast<std::uint8_t>(0x80 >> (i % 8));
        sprites_set_data_at_index(i, bitmap.data());
        sprites_set_color_at_index(i, sprite_colour);
    }
}

// The index a list slot shows, or -1 for an empty (black) slot or one that matches no marker.
int index_in_list_slot(const GdkPixbuf *list, int k, int c) {
    int found = -1;
    int marks = 0;
    for (int y = 0; y < 21; y++)
        for (int x = 0; x < 24; x++) {
            const Rgba pixel = pixel_at(list, 24 * c + x, 21 * k + y);
            if (pixel == opaque(sprite_colour)) {
                found = 24 * y + x;
                marks++;
            } else if (pixel != opaque(background) && pixel != black) {
                return -2;
            }
        }
    return marks == 1 ? found : -1;
}

struct PageCase {
    unsigned count;
    unsigned first_row;
};

class ListPage : public SpriteViews, public ::testing::WithParamInterface<PageCase> {};

TEST_P(ListPage, ShowsEightSpritesPerRowFromTheFirstRow) {
    const auto [count, first_row] = GetParam();
    mark_every_sprite(count);
    const PixbufPtr list = spriteviews_new_list_pixbuf(0, spriteviews_method_frame);
    gdk_pixbuf_fill(list.get(), 0x808080FF);
    spriteviews_repaint_list(list.get(), first_row, spriteviews_method_frame);
    for (int k = 0; k < 5; k++)
        for (int c = 0; c < 8; c++) {
            const std::uint64_t index = 8 * (std::uint64_t{first_row} + k) + c;
            EXPECT_EQ(index_in_list_slot(list.get(), k, c),
                      index < count ? static_cast<int>(index) : -1)
                << "row " << k << " column " << c;
            if (index >= count) {
                EXPECT_EQ(pixel_at(list.get(), 24 * c + 5, 21 * k + 5), black);
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Pages, ListPage,
                         ::testing::Values(PageCase{128, 0}, PageCase{128, 3}, PageCase{128, 11},
                                           PageCase{50, 3}, PageCase{128, 100},
                                           PageCase{40, 1u << 29}, PageCase{40, 4000000000u}),
                         [](const auto &info) {
                             return std::to_string(info.param.count) + "_sprites_from_row_" +
                                    std::to_string(info.param.first_row);
                         });

TEST_F(SpriteViews, BordersShowOnlyTheFirstFortyOf128) {
    set_all(128, filled(0xFF));
    const PixbufPtr left = border(SpriteviewsSide::left);
    // Rows 40-248 hold sprites 0-39; nothing appears below them.
    EXPECT_EQ(pixel_at(left.get(), 0, 248), opaque(sprite_colour));
    EXPECT_EQ(pixel_at(left.get(), 0, 249), opaque(background));
    EXPECT_EQ(pixel_at(left.get(), 0, 270), opaque(background));
}

TEST_F(SpriteViews, RepaintFillsBeforePainting) {
    const Bitmap first = filled(0xF0);
    sprites_set_data_at_index(4, first.data());
    const PixbufPtr image = border(SpriteviewsSide::left);
    EXPECT_EQ(pixel_at(image.get(), 0, 61), opaque(sprite_colour));
    const Bitmap second = filled(0x0F);
    sprites_set_data_at_index(4, second.data());
    spriteviews_repaint_border(image.get(), SpriteviewsSide::left, spriteviews_method_frame,
                               background);
    EXPECT_EQ(pixel_at(image.get(), 0, 61), opaque(background));
    EXPECT_EQ(pixel_at(image.get(), 4, 61), opaque(sprite_colour));
}

struct FrameCase {
    int x;
    int y;
    int zoom;
    SpriteviewsRect rect;
};

class FrameGeometry : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameGeometry, StrokesInsideTheZoomedSlot) {
    EXPECT_EQ(spriteviews_get_frame_rect(GetParam().x, GetParam().y, GetParam().zoom),
              GetParam().rect);
}

INSTANTIATE_TEST_SUITE_P(Slots, FrameGeometry,
                         ::testing::Values(FrameCase{24, 61, 2, {49, 123, 47, 41}},
                                           FrameCase{0, 0, 1, {1, 1, 23, 20}},
                                           FrameCase{168, 84, 4, {673, 337, 95, 83}},
                                           FrameCase{0, 40, 3, {1, 121, 71, 62}}),
                         [](const auto &info) {
                             return "slot_" + std::to_string(info.param.x) + "_" +
                                    std::to_string(info.param.y) + "_zoom_" +
                                    std::to_string(info.param.zoom);
                         });

TEST_F(SpriteViews, FramesMarkSelectedBorderSprites) {
    sprites_select_none();
    sprites_set_selected_at_index(5, 1);
    using Frames = std::vector<SpriteviewsRect>;
    const Frames sprite_5 = {{49, 123, 47, 41}};
    EXPECT_EQ(spriteviews_get_border_frames(SpriteviewsSide::left, spriteviews_method_frame, 2),
              sprite_5);
    EXPECT_EQ(spriteviews_get_border_frames(SpriteviewsSide::left, spriteviews_method_both, 2),
              sprite_5);
    EXPECT_EQ(spriteviews_get_border_frames(SpriteviewsSide::left, spriteviews_method_alpha, 2),
              Frames{});
    EXPECT_EQ(spriteviews_get_border_frames(SpriteviewsSide::right, spriteviews_method_frame, 2),
              Frames{});
}

TEST_F(SpriteViews, FramesSkipSpritesOutOfUse) {
    sprites_set_array_size(10);
    sprites_select_all();
    using Frames = std::vector<SpriteviewsRect>;
    EXPECT_EQ(spriteviews_get_border_frames(SpriteviewsSide::left, spriteviews_method_frame, 1),
              (Frames{{1, 41, 23, 20},
                      {25, 41, 23, 20},
                      {1, 62, 23, 20},
                      {25, 62, 23, 20},
                      {1, 83, 23, 20},
                      {25, 83, 23, 20}}));
    EXPECT_EQ(
        spriteviews_get_border_frames(SpriteviewsSide::right, spriteviews_method_frame, 1).size(),
        4u);
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_frame, 2).size(), 10u);
    EXPECT_EQ(spriteviews_get_list_frames(2, spriteviews_method_frame, 2).size(), 0u);
}

TEST_F(SpriteViews, ListFramesFollowTheFirstRow) {
    sprites_select_none();
    sprites_set_selected_at_index(9, 1);
    using Frames = std::vector<SpriteviewsRect>;
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_frame, 2),
              (Frames{{49, 43, 47, 41}}));
    EXPECT_EQ(spriteviews_get_list_frames(1, spriteviews_method_both, 2),
              (Frames{{49, 1, 47, 41}}));
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_alpha, 2), Frames{});
    EXPECT_EQ(spriteviews_get_list_frames(2, spriteviews_method_frame, 2), Frames{});
}

struct BackgroundCase {
    const char *name;
    int loaded;
    int format;
    std::uint8_t expected;
};

class DisplayBackground : public SpriteViews,
                          public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(DisplayBackground, ComesFromThePictureUnlessHiresOrNone) {
    sprites_set_background_color(9);
    EXPECT_EQ(spriteviews_get_display_background_index(GetParam().loaded, GetParam().format, 3),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, DisplayBackground,
    ::testing::Values(BackgroundCase{"koala", 1, picture_format_koala, 3},
                      BackgroundCase{"petscii", 1, picture_format_petscii, 3},
                      BackgroundCase{"blazing_paddles", 1, picture_format_blazing_paddles, 3},
                      BackgroundCase{"hires_2", 1, 2, 9}, BackgroundCase{"hires_5", 1, 5, 9},
                      BackgroundCase{"not_loaded", 0, picture_format_koala, 9}),
    [](const auto &info) { return std::string{info.param.name}; });

class ExportedScreen : public SpriteViews {
  protected:
    void SetUp() override {
        SpriteViews::SetUp();
        const Bitmap full = filled(0xFF);
        sprites_set_data_at_index(0, full.data());
        sprites_set_data_at_index(2, full.data());
        picture_.reset(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200));
        gdk_pixbuf_fill(picture_.get(), 0x123456FF);
        left_ = border(SpriteviewsSide::left);
        right_ = border(SpriteviewsSide::right);
    }
    PixbufPtr picture_;
    PixbufPtr left_;
    PixbufPtr right_;
};

constexpr Rgba picture_pixel = {0x12, 0x34, 0x56, 0xFF};

struct ScreenPixel {
    int x;
    int y;
    enum { fill, picture, sprite } what;
};

TEST_F(ExportedScreen, PlacesBordersAndPictureInTheVisibleWindow) {
    const PixbufPtr screen =
        spriteviews_compose_screen_pixbuf(left_.get(), right_.get(), picture_.get(), background);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(screen.get()), 416);
    EXPECT_EQ(gdk_pixbuf_get_height(screen.get()), 272);
    const std::array<ScreenPixel, 16> pixels = {{
        {48, 35, ScreenPixel::picture},
        {367, 35, ScreenPixel::picture},
        {48, 234, ScreenPixel::picture},
        {367, 234, ScreenPixel::picture},
        {48, 34, ScreenPixel::fill},
        {48, 235, ScreenPixel::fill},
        {200, 0, ScreenPixel::fill},
        {200, 271, ScreenPixel::fill},
        {0, 35, ScreenPixel::sprite},
        {23, 47, ScreenPixel::sprite},
        {0, 34, ScreenPixel::fill},
        {24, 35, ScreenPixel::fill},
        {368, 34, ScreenPixel::sprite},
        {391, 47, ScreenPixel::sprite},
        {368, 33, ScreenPixel::fill},
        {392, 34, ScreenPixel::fill},
    }};
    for (const auto &[x, y, what] : pixels) {
        const Rgba want = what == ScreenPixel::picture  ? picture_pixel
                          : what == ScreenPixel::sprite ? opaque(sprite_colour)
                                                        : opaque(background);
        EXPECT_EQ(pixel_at(screen.get(), x, y), want) << "(" << x << ", " << y << ")";
    }
    for (int y = 0; y < 272; y++)
        for (int x = 0; x < 416; x++)
            ASSERT_EQ(pixel_at(screen.get(), x, y)[3], 255) << x << ", " << y;
}

TEST_F(ExportedScreen, KeepsTheBlendOfUnselectedSprites) {
    sprites_select_none();
    spriteviews_repaint_border(left_.get(), SpriteviewsSide::left, spriteviews_method_alpha,
                               background);
    const PixbufPtr screen =
        spriteviews_compose_screen_pixbuf(left_.get(), right_.get(), picture_.get(), background);
    expect_blend(pixel_at(screen.get(), 0, 35), opaque(sprite_colour), opaque(background), 192,
                 "left border sprite");
}

TEST_F(ExportedScreen, LeavesOutMissingImages) {
    const PixbufPtr screen = spriteviews_compose_screen_pixbuf(nullptr, right_.get(), nullptr, 0);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(pixel_at(screen.get(), 0, 35), opaque(0));
    EXPECT_EQ(pixel_at(screen.get(), 48, 35), opaque(0));
    EXPECT_EQ(pixel_at(screen.get(), 368, 34), opaque(sprite_colour));
}

} // namespace
