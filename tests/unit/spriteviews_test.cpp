#include "core/spriteviews.hpp"

#include "core/hiresdecoder.hpp"
#include "test_support.hpp"

#include <cstdlib>

namespace {

using namespace test_support;

constexpr std::uint8_t background = 6;    // blue
constexpr std::uint8_t sprite_colour = 1; // white
constexpr Rgba black = {0, 0, 0, 255};
using Frames = std::vector<SpriteviewsRect>;
using enum SpriteviewsSide;

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

// Every pixel of a 48x296 border image: the sprite colour inside the rectangle, else background.
// With a slot top, only the rows an even number of rows below it are set.
void expect_border(const GdkPixbuf *image, const SpriteviewsRect &sprite, int slot_top = -1) {
    ASSERT_EQ(gdk_pixbuf_get_width(image), 48);
    ASSERT_EQ(gdk_pixbuf_get_height(image), 296);
    for (int y = 0; y < 296; y++)
        for (int x = 0; x < 48; x++) {
            const bool inside = x >= sprite.x && x < sprite.x + sprite.width && y >= sprite.y &&
                                y < sprite.y + sprite.height &&
                                (slot_top < 0 || (y - slot_top) % 2 == 0);
            ASSERT_EQ(pixel_at(image, x, y), opaque(inside ? sprite_colour : background))
                << "(" << x << ", " << y << ")";
        }
}

class SpriteViews : public ::testing::Test {
  protected:
    void SetUp() override {
        sprites_module_init();
        sprites_set_background_color(background);
        set_all(40, filled(0));
    }
};

// The borders show only the first 40 of 128 sprites in use, each only inside its visible band.
// With ten in use, rows 0-2 of the left border hold 0, 1, 4, 5, 8 and 9; the right 2, 3, 6, 7.
TEST_F(SpriteViews, SpritesInUseShowOnlyInsideTheVisibleBands) {
    set_all(128, filled(0xFF));
    expect_border(border(left).get(), {0, 48, 48, 201});
    expect_border(border(right).get(), {0, 47, 48, 201});
    set_all(10, filled(0xFF));
    expect_border(border(left).get(), {0, 48, 48, 55});
    expect_border(border(right).get(), {0, 47, 48, 35});
    const PixbufPtr list = spriteviews_new_list_pixbuf(0, spriteviews_method_frame);
    EXPECT_EQ(gdk_pixbuf_get_width(list.get()), 192);
    EXPECT_EQ(gdk_pixbuf_get_height(list.get()), 105);
}

struct SlotCase {
    unsigned index;
    SpriteviewsSide side;
    int slot_top;
    SpriteviewsRect shown; // the part of the slot inside the visible band
};

// The sprite's even rows are set, so a row shifted by the clipping shows.
TEST_F(SpriteViews, BorderSlotsHoldExactlyTheRowsOfTheirSpriteInsideTheBand) {
    Bitmap even_rows{};
    for (unsigned r = 0; r < 21; r += 2)
        std::fill_n(even_rows.begin() + 3 * r, 3, 0xFF);
    const SlotCase slots[] = {
        {0, left, 40, {0, 48, 24, 13}},     {1, left, 40, {24, 48, 24, 13}},
        {2, right, 40, {0, 47, 24, 14}},    {3, right, 40, {24, 47, 24, 14}},
        {5, left, 61, {24, 61, 24, 21}},    {22, right, 145, {0, 145, 24, 21}},
        {36, left, 229, {0, 229, 24, 20}},  {37, left, 229, {24, 229, 24, 20}},
        {38, right, 229, {0, 229, 24, 19}}, {39, right, 229, {24, 229, 24, 19}}};
    for (const SlotCase &c : slots) {
        SCOPED_TRACE(c.index);
        set_all(40, filled(0));
        sprites_set_data_at_index(c.index, even_rows.data());
        for (const SpriteviewsSide side : {left, right})
            expect_border(border(side).get(), side == c.side ? c.shown : SpriteviewsRect{},
                          c.slot_top);
    }
}

// (method, selected, alpha) of every method with selection flags 0, 1 and 2.
TEST_F(SpriteViews, SelectionAlphaBlendsBorderSpritesOverTheBackgroundAndListSpritesOverBlack) {
    sprites_set_data_at_index(5, filled(0xFF).data());
    // Left half set: the right half shows the opaque sprite background.
    Bitmap half{};
    for (unsigned r = 0; r < 21; r++)
        half[3 * r] = 0xFF;
    sprites_set_data_at_index(9, half.data());
    for (const auto &[method, selected, alpha] :
         {std::tuple{spriteviews_method_frame, 0, 255},
          std::tuple{spriteviews_method_frame, 1, 255},
          std::tuple{spriteviews_method_alpha, 0, 192},
          std::tuple{spriteviews_method_alpha, 1, 255}, std::tuple{spriteviews_method_both, 0, 192},
          std::tuple{spriteviews_method_both, 1, 255},
          std::tuple{spriteviews_method_alpha, 2, 192}}) {
        SCOPED_TRACE(testing::Message() << "method " << method << " selected " << selected);
        EXPECT_EQ(spriteviews_get_sprite_alpha(method, selected), alpha);
        sprites_select_none();
        sprites_set_selected_at_index(5, selected);
        sprites_set_selected_at_index(9, selected);
        const PixbufPtr image = border(left, method);
        expect_blend(pixel_at(image.get(), 30, 70), opaque(sprite_colour), opaque(background),
                     alpha, "inside the slot");
        EXPECT_EQ(pixel_at(image.get(), 30, 60), opaque(background));
        // Sprite 9 is list row 1, column 1: x 24, y 21.
        const PixbufPtr list = spriteviews_new_list_pixbuf(0, method);
        expect_blend(pixel_at(list.get(), 24 + 3, 21 + 10), opaque(sprite_colour), black, alpha,
                     "set pixel");
        expect_blend(pixel_at(list.get(), 24 + 20, 21 + 10), opaque(background), black, alpha,
                     "clear pixel");
    }
}

// Every bitmap byte of sprite i is i, so the first eight pixels of a slot spell its index; an
// empty slot is black.
TEST_F(SpriteViews, ListPagesShowEightSpritesPerRowFromTheFirstRow) {
    for (const auto &[count, first_row] :
         {std::pair{128u, 0u}, std::pair{128u, 3u}, std::pair{128u, 11u}, std::pair{50u, 3u},
          std::pair{128u, 100u}, std::pair{40u, 1u << 29}, std::pair{40u, 4000000000u}}) {
        SCOPED_TRACE(testing::Message() << count << " sprites from row " << first_row);
        sprites_set_array_size(count);
        for (unsigned i = 0; i < count; i++) {
            sprites_set_data_at_index(i, filled(static_cast<std::uint8_t>(i)).data());
            sprites_set_color_at_index(i, sprite_colour);
        }
        const PixbufPtr list = spriteviews_new_list_pixbuf(0, spriteviews_method_frame);
        gdk_pixbuf_fill(list.get(), 0x808080FF);
        spriteviews_repaint_list(list.get(), first_row, spriteviews_method_frame);
        for (int k = 0; k < 5; k++)
            for (int c = 0; c < 8; c++) {
                const std::uint64_t index = 8 * (std::uint64_t{first_row} + k) + c;
                std::uint64_t shown = 0;
                for (int x = 0; x < 8; x++) {
                    const Rgba pixel = pixel_at(list.get(), 24 * c + x, 21 * k);
                    shown = shown << 1 | (pixel == opaque(sprite_colour));
                    EXPECT_TRUE(index < count
                                    ? pixel == opaque(sprite_colour) || pixel == opaque(background)
                                    : pixel == black);
                }
                EXPECT_EQ(shown, index < count ? index : 0) << "row " << k << " column " << c;
                EXPECT_EQ(pixel_at(list.get(), 24 * c + 8, 21 * k + 20),
                          index < count ? opaque(background) : black);
            }
    }
}

TEST_F(SpriteViews, RepaintFillsBeforePainting) {
    sprites_set_data_at_index(4, filled(0xF0).data());
    const PixbufPtr image = border(left);
    EXPECT_EQ(pixel_at(image.get(), 0, 61), opaque(sprite_colour));
    sprites_set_data_at_index(4, filled(0x0F).data());
    spriteviews_repaint_border(image.get(), left, spriteviews_method_frame, background);
    EXPECT_EQ(pixel_at(image.get(), 0, 61), opaque(background));
    EXPECT_EQ(pixel_at(image.get(), 4, 61), opaque(sprite_colour));
}

TEST_F(SpriteViews, FramesMarkSelectedSpritesInUseUnlessTheMethodIsAlphaOnly) {
    sprites_select_none();
    sprites_set_selected_at_index(5, 1);
    const Frames sprite_5 = {{49, 123, 47, 41}};
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_frame, 2), sprite_5);
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_both, 2), sprite_5);
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_alpha, 2), Frames{});
    EXPECT_EQ(spriteviews_get_border_frames(right, spriteviews_method_frame, 2), Frames{});
    sprites_select_none();
    sprites_set_selected_at_index(9, 1);
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_frame, 2),
              (Frames{{49, 43, 47, 41}}));
    EXPECT_EQ(spriteviews_get_list_frames(1, spriteviews_method_both, 2),
              (Frames{{49, 1, 47, 41}}));
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_alpha, 2), Frames{});
    EXPECT_EQ(spriteviews_get_list_frames(2, spriteviews_method_frame, 2), Frames{});

    sprites_set_array_size(10);
    sprites_select_all();
    EXPECT_EQ(spriteviews_get_border_frames(left, spriteviews_method_frame, 1),
              (Frames{{1, 41, 23, 20},
                      {25, 41, 23, 20},
                      {1, 62, 23, 20},
                      {25, 62, 23, 20},
                      {1, 83, 23, 20},
                      {25, 83, 23, 20}}));
    EXPECT_EQ(spriteviews_get_border_frames(right, spriteviews_method_frame, 1).size(), 4u);
    EXPECT_EQ(spriteviews_get_list_frames(0, spriteviews_method_frame, 2).size(), 10u);
}

TEST_F(SpriteViews, DisplayBackgroundComesFromThePictureUnlessHiresOrNone) {
    sprites_set_background_color(9);
    EXPECT_EQ(spriteviews_get_display_background_index(1, picture_format_koala, 3), 3);
    EXPECT_EQ(spriteviews_get_display_background_index(1, picture_format_petscii, 3), 3);
    EXPECT_EQ(spriteviews_get_display_background_index(1, picture_format_blazing_paddles, 3), 3);
    EXPECT_EQ(spriteviews_get_display_background_index(1, 2, 3), 9);
    EXPECT_EQ(spriteviews_get_display_background_index(1, 5, 3), 9);
    EXPECT_EQ(spriteviews_get_display_background_index(0, picture_format_koala, 3), 9);
}

class ExportedScreen : public SpriteViews {
  protected:
    void SetUp() override {
        SpriteViews::SetUp();
        sprites_set_data_at_index(0, filled(0xFF).data());
        sprites_set_data_at_index(2, filled(0xFF).data());
        gdk_pixbuf_fill(picture_.get(), 0x123456FF);
        left_ = border(left);
        right_ = border(right);
    }
    PixbufPtr compose() const {
        return spriteviews_compose_screen_pixbuf(left_.get(), right_.get(), picture_.get(),
                                                 background);
    }
    PixbufPtr picture_{gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200)};
    PixbufPtr left_;
    PixbufPtr right_;
};

TEST_F(ExportedScreen, PlacesBordersAndPictureInTheVisibleWindow) {
    const PixbufPtr screen = compose();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(screen.get()), 416);
    EXPECT_EQ(gdk_pixbuf_get_height(screen.get()), 272);
    enum What { fill, picture, sprite };
    const std::vector<std::tuple<int, int, What>> pixels = {
        {48, 35, picture}, {367, 35, picture}, {48, 234, picture}, {367, 234, picture},
        {48, 34, fill},    {48, 235, fill},    {200, 0, fill},     {200, 271, fill},
        {0, 35, sprite},   {23, 47, sprite},   {0, 34, fill},      {24, 35, fill},
        {368, 34, sprite}, {391, 47, sprite},  {368, 33, fill},    {392, 34, fill}};
    for (const auto &[x, y, what] : pixels) {
        const Rgba want = what == picture  ? Rgba{0x12, 0x34, 0x56, 0xFF}
                          : what == sprite ? opaque(sprite_colour)
                                           : opaque(background);
        EXPECT_EQ(pixel_at(screen.get(), x, y), want) << "(" << x << ", " << y << ")";
    }
    for (int y = 0; y < 272; y++)
        for (int x = 0; x < 416; x++)
            ASSERT_EQ(pixel_at(screen.get(), x, y)[3], 255) << x << ", " << y;
}

TEST_F(ExportedScreen, KeepsTheBlendOfUnselectedSprites) {
    sprites_select_none();
    spriteviews_repaint_border(left_.get(), left, spriteviews_method_alpha, background);
    expect_blend(pixel_at(compose().get(), 0, 35), opaque(sprite_colour), opaque(background), 192,
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
