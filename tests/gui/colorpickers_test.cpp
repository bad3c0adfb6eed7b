// Picking colours: presses on the sprite palette strip set the colour of the chosen bit pair,
// sprite colours follow the selection and its linked pairs, the multicolour switch and the
// transparent colour's rule. What the strip and swatches show is judged with the whole window.

#include "gui_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"
#include "gui/colorpickers.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using gui_test::PrintTo;

constexpr int colours = 16;

class ColourPickers : public EditorTest {
  protected:
    void activate(const char *radio_button) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget(radio_button)), TRUE);
        process_events(20);
    }
    // A press on the middle row of the given colour of the sprite palette.
    void pick(int colour) {
        const double width = 16 * options_expansion;
        send_button(widget("drawingarea_sprite_palette"), (colour + 0.5) * width, width / 2);
        process_events(20);
    }
    // A field of the records 0-127, read while all of them count as in use.
    template <typename T> static std::vector<T> all_records(int (*get)(unsigned, T *)) {
        const unsigned in_use = sprites_get_array_size();
        sprites_set_array_size(sprites_capacity);
        std::vector<T> values(sprites_capacity);
        for (unsigned index = 0; index < sprites_capacity; index++)
            get(index, &values[index]);
        sprites_set_array_size(in_use);
        return values;
    }
    static std::vector<std::uint8_t> all_colours() {
        return all_records(sprites_get_color_at_index);
    }
};

// Each swatch is closed on its right by a separator column, which belongs to it; presses past
// the strip's end go on counting swatches of the zoomed width, modulo 16.
TEST_F(ColourPickers, PaletteStripPicksTheSwatchUnderThePointer) {
    activate("radiobutton_color_sprite_bit_pair_01");
    const std::tuple<int, double, std::uint8_t> presses[] = {{1, 0.0, 0},
                                                             {1, 255.9, 15},
                                                             {1, 31.0, 1},
                                                             {2, 95.9, 2},
                                                             {2, 96.0, 3},
                                                             {3, 768.5, 0},
                                                             {4, 1024.0 + 64 * 5 + 3, 5}};
    for (const auto &[zoom, x, colour] : presses) {
        choose_zoom(zoom);
        sprites_set_multicolor0(colour == 8 ? 9 : 8);
        EXPECT_TRUE(send_button(widget("drawingarea_sprite_palette"), x, 1.0));
        EXPECT_EQ(sprites_get_multicolor0(), colour) << zoom << " " << x;
    }
}

// A radio button and its swatch share the bit pair they stand for.
struct RadioCase {
    const char *name; // the bit pair
    std::uint8_t (*colour)();
};

class RadioButton : public ColourPickers, public ::testing::WithParamInterface<RadioCase> {};

// The press is handled at once, without the main loop: what it queued for drawing is then
// exactly what the handler asked for.
TEST_P(RadioButton, SetsItsColourAndQueuesItsSwatchAndTheSprites) {
    const RadioCase &c = GetParam();
    const std::string swatch = std::string{"drawingarea_color_sprite_bit_pair_"} + c.name;
    constexpr std::uint8_t picked = 9;
    activate((std::string{"radiobutton_color_sprite_bit_pair_"} + c.name).c_str());
    ASSERT_NE(c.colour(), picked);
    flush_redraws();

    send_button(widget("drawingarea_sprite_palette"), 16 * picked + 8, 8);

    EXPECT_EQ(c.colour(), picked);
    for (const char *pair : {"00", "01", "10", "11"}) {
        const std::string area = std::string{"drawingarea_color_sprite_bit_pair_"} + pair;
        EXPECT_EQ(take_queued_redraw(area.c_str()), area == swatch) << area;
    }
    for (const char *area :
         {"drawingarea_sprites", "drawingarea_left_border", "drawingarea_right_border"})
        EXPECT_TRUE(take_queued_redraw(area)) << area;
    EXPECT_EQ(borders_first_difference(), "");
}

std::uint8_t colour_of_sprite_0() {
    std::uint8_t colour = 0;
    sprites_get_color_at_index(0, &colour);
    return colour;
}

INSTANTIATE_TEST_SUITE_P(Buttons, RadioButton,
                         ::testing::Values(RadioCase{"00", sprites_get_background_color},
                                           RadioCase{"10", colour_of_sprite_0},
                                           RadioCase{"01", sprites_get_multicolor0},
                                           RadioCase{"11", sprites_get_multicolor1}),
                         case_name);

// Sprites 16-23 share their colour with the sprite four places on (both halves of a border
// row pair), 28-35 likewise, when the partner is in use.
TEST_F(ColourPickers, LinkedPairsKeepTheirColoursTogether) {
    const std::tuple<unsigned, std::vector<unsigned>, std::vector<unsigned>> picks[] = {
        {40, {16}, {16, 20}},
        {40, {20}, {16, 20}},
        {40, {32}, {28, 32}},
        {40, {19, 35}, {19, 23, 31, 35}},
        {40, {24}, {24}},
        {20, {16}, {16}},
        {33, {28, 29}, {28, 29, 32}}};
    constexpr std::uint8_t before = 1, picked = 5;
    for (const auto &[in_use, selected, recoloured] : picks) {
        sprites_set_array_size(sprites_border_count);
        for (unsigned index = 0; index < sprites_border_count; index++)
            sprites_set_color_at_index(index, before);
        sprites_select_none();
        for (const unsigned index : selected)
            sprites_set_selected_at_index(index, 1);
        sprites_set_array_size(in_use);
        pick(picked);
        std::vector<unsigned> changed;
        const std::vector<std::uint8_t> after = all_colours();
        for (unsigned index = 0; index < sprites_border_count; index++)
            if (after[index] != before)
                changed.push_back(index);
        EXPECT_EQ(changed, recoloured) << selected[0] << " of " << in_use;
        EXPECT_EQ(after[recoloured[0]], picked);
    }
}

TEST_F(ColourPickers, MulticolourButtonSwitchesAll128Records) {
    GtkToggleButton *button = GTK_TOGGLE_BUTTON(widget("checkbutton_sprite_multicolor"));
    sprites_select_none();
    PixbufPtr shown[2];
    for (const bool multicolour : {true, false}) {
        sprites_set_multicolor_at_index(3, !multicolour);
        gtk_toggle_button_set_active(button, multicolour);
        process_events(20);
        EXPECT_EQ(all_records(sprites_get_multicolor_at_index),
                  std::vector<std::int32_t>(sprites_capacity, multicolour));
        shown[multicolour] = spriteviews_new_list_pixbuf(0, options_selection_method);
        EXPECT_EQ(pixels_first_difference(pixbuf_sprites, shown[multicolour].get()), "");
    }
    EXPECT_NE(pixels_first_difference(shown[0].get(), shown[1].get()), "");
}

struct PictureRuleCase {
    const char *name;
    const char *file;
    int forced_format; // 0 keeps the decoded one
};

class TransparentColour : public ColourPickers,
                          public ::testing::WithParamInterface<PictureRuleCase> {};

// The transparent colour follows the picture unless it is hires; the swatch always shows what is
// behind the sprites on screen.
TEST_P(TransparentColour, FollowsThePictureUnlessItIsHires) {
    const PictureRuleCase &c = GetParam();
    activate("radiobutton_color_sprite_bit_pair_01");
    constexpr std::uint8_t user_background = 14;
    sprites_set_background_color(user_background);
    ASSERT_TRUE(open_picture(example_path(c.file).c_str(), TRUE));
    picture_loaded = 1;
    if (c.forced_format != 0)
        picture_data.format = c.forced_format;

    flush_redraws();
    set_background_color_for_sprites();
    // The transparent swatch shows the display background, which may just have changed.
    EXPECT_TRUE(take_queued_redraw("drawingarea_color_sprite_bit_pair_00"));
    process_events(50);

    GtkWidget *pair_00 = widget("radiobutton_color_sprite_bit_pair_00");
    const bool hires = c.forced_format != 0;
    EXPECT_EQ(gtk_widget_is_sensitive(pair_00), hires);
    EXPECT_EQ(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(pair_00)), hires);
    EXPECT_EQ(gtk_toggle_button_get_active(
                  GTK_TOGGLE_BUTTON(widget("radiobutton_color_sprite_bit_pair_10"))),
              !hires);
    const std::uint8_t expected = hires ? user_background : picture_data.background_color;
    EXPECT_EQ(sprites_get_background_color(), expected);
}

INSTANTIATE_TEST_SUITE_P(Pictures, TransparentColour,
                         ::testing::Values(PictureRuleCase{"multicolour", "sunset.koa", 0},
                                           PictureRuleCase{"petscii", "welcome.pet", 0},
                                           PictureRuleCase{"hires", "sunset.koa", 3}),
                         case_name);

} // namespace
