// Picking colours on the sprite palette strip, the multicolour switch and the transparent colour.

#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <tuple>

namespace {

class ColourPickers : public EditorTest {
  protected:
    void activate(const std::string &pair) {
        gtk_toggle_button_set_active(
            GTK_TOGGLE_BUTTON(widget(("radiobutton_color_sprite_bit_pair_" + pair).c_str())), TRUE);
        process_events(20);
    }
};

// Each bit pair with the colour its swatch shows.
const std::pair<const char *, std::uint8_t (*)()> bit_pairs[] = {
    {"00", sprites_get_background_color},
    {"01", sprites_get_multicolor0},
    {"10", [] { return color_index_sprite_bit_pair_10; }},
    {"11", sprites_get_multicolor1}};

// Only the active button's colour changes and only its swatch and the sprite views are queued
// for drawing. Each swatch is closed on its right by a separator column, which belongs to it;
// presses past the strip's end go on counting swatches of the zoomed width, modulo 16.
TEST_F(ColourPickers, PaletteStripSetsTheActiveBitPairsColour) {
    const std::tuple<const char *, int, double, std::uint8_t> presses[] = {
        {"01", 1, 0.0, 0},
        {"00", 1, 255.9, 15},
        {"11", 1, 31.0, 1},
        {"10", 2, 95.9, 2},
        {"01", 2, 96.0, 3},
        {"10", 3, 768.5, 0},
        {"11", 4, 1024.0 + 64 * 5 + 3, 5}};
    for (const auto &[active, zoom, x, colour] : presses) {
        SCOPED_TRACE(testing::Message() << active << " " << zoom << " " << x);
        choose_zoom(zoom);
        activate(active);
        const auto other = static_cast<std::uint8_t>((colour + 1) % 16);
        sprites_set_background_color(other);
        sprites_set_multicolor0(other);
        sprites_set_multicolor1(other);
        color_index_sprite_bit_pair_10 = other;
        flush_redraws();
        EXPECT_TRUE(send_button(widget("drawingarea_sprite_palette"), x, 1.0));
        for (const auto &[pair, shown] : bit_pairs) {
            EXPECT_EQ(shown(), pair == std::string(active) ? colour : other) << pair;
            EXPECT_EQ(take_queued_redraw(
                          (std::string("drawingarea_color_sprite_bit_pair_") + pair).c_str()),
                      pair == std::string(active))
                << pair;
        }
        for (const char *area :
             {"drawingarea_sprites", "drawingarea_left_border", "drawingarea_right_border"})
            EXPECT_TRUE(take_queued_redraw(area)) << area;
        EXPECT_EQ(borders_first_difference(), "");
    }
}

// Sprites 16-23 share their colour with the sprite four places on, 28-35 likewise, when the
// partner is in use.
TEST_F(ColourPickers, LinkedPairsKeepTheirColoursTogether) {
    const std::tuple<unsigned, std::vector<unsigned>, std::vector<unsigned>> picks[] = {
        {40, {16}, {16, 20}},
        {40, {20}, {16, 20}},
        {40, {32}, {28, 32}},
        {40, {19, 35}, {19, 23, 31, 35}},
        {40, {24}, {24}},
        {20, {16}, {16}},
        {33, {28, 29}, {28, 29, 32}}};
    activate("10");
    for (const auto &[in_use, selected, recoloured] : picks) {
        sprites_set_array_size(sprites_border_count);
        sprites_select_all();
        sprites_set_color_for_selection(1);
        sprites_select_none();
        for (const unsigned index : selected)
            sprites_set_selected_at_index(index, 1);
        sprites_set_array_size(in_use);
        send_button(widget("drawingarea_sprite_palette"), 16 * 5 + 8, 8);
        sprites_set_array_size(sprites_border_count);
        std::vector<unsigned> changed;
        for (unsigned index = 0; index < sprites_border_count; index++) {
            std::uint8_t colour = 0;
            sprites_get_color_at_index(index, &colour);
            if (colour != 1)
                changed.push_back(index);
            EXPECT_TRUE(colour == 1 || colour == 5);
        }
        EXPECT_EQ(changed, recoloured) << selected[0] << " of " << in_use;
    }
}

TEST_F(ColourPickers, MulticolourButtonSwitchesAll128Records) {
    sprites_select_none();
    PixbufPtr shown[2];
    for (const bool multicolour : {true, false}) {
        sprites_set_multicolor_at_index(3, !multicolour);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor")),
                                     multicolour);
        process_events(20);
        sprites_set_array_size(sprites_capacity);
        for (unsigned index = 0; index < sprites_capacity; index++) {
            std::int32_t flag = -1;
            sprites_get_multicolor_at_index(index, &flag);
            EXPECT_EQ(flag, multicolour) << index;
        }
        sprites_set_array_size(sprites_border_count);
        shown[multicolour] = spriteviews_new_list_pixbuf(0, options_selection_method);
        EXPECT_EQ(pixels_first_difference(pixbuf_sprites, shown[multicolour].get()), "");
    }
    EXPECT_NE(pixels_first_difference(shown[0].get(), shown[1].get()), "");
}

// The transparent colour follows the picture unless it is hires (a format no decoder gives,
// forced here); the swatch always shows what is behind the sprites on screen.
TEST_F(ColourPickers, TransparentColourFollowsThePictureUnlessItIsHires) {
    for (const auto &[file, hires] :
         {std::pair{"sunset.koa", false}, {"sunset.koa", true}, {"welcome.pet", false}}) {
        SCOPED_TRACE(testing::Message() << file << hires);
        activate("01");
        sprites_set_background_color(14);
        ASSERT_TRUE(open_picture(example_path(file).c_str(), TRUE));
        picture_loaded = 1;
        if (hires)
            picture_data.format = 3;
        flush_redraws();
        set_background_color_for_sprites();
        EXPECT_TRUE(take_queued_redraw("drawingarea_color_sprite_bit_pair_00"));
        process_events(50);
        GtkWidget *pair_00 = widget("radiobutton_color_sprite_bit_pair_00");
        EXPECT_EQ(gtk_widget_is_sensitive(pair_00), hires);
        EXPECT_EQ(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(pair_00)), hires);
        EXPECT_EQ(gtk_toggle_button_get_active(
                      GTK_TOGGLE_BUTTON(widget("radiobutton_color_sprite_bit_pair_10"))),
                  !hires);
        EXPECT_EQ(sprites_get_background_color(), hires ? 14 : picture_data.background_color);
    }
}

} // namespace
