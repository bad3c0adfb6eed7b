#include "core/options.hpp"
#include "core/palette.hpp"
#include "editing_test_support.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/preference_commands.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"
#include "gui_test_support.hpp"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// What one menu item sets, and the line that says so in the preferences file (none when the
// command writes no file). The item named first is chosen before, so that the option changes.
struct Command {
    const char *before;
    const char *item;
    int (*option)();
    int value;
    const char *line;
};

void PrintTo(const Command &command, std::ostream *out) {
    *out << command.item;
}

int palette() {
    return options_palette;
}
int zoom() {
    return options_expansion;
}
int selection_method() {
    return options_selection_method;
}
int transition() {
    return options_transition;
}
int attribute_format() {
    return options_sprite_attribute_byte_format;
}
int reencode() {
    return options_reencode_graphics;
}

class PreferenceCommand : public EditorTest, public ::testing::WithParamInterface<Command> {};

// The file is removed after the first choice, so that only the command itself can write it.
TEST_P(PreferenceCommand, SetsItsOptionAndWritesTheFileOrNot) {
    const Command &command = GetParam();
    if (command.before != nullptr) {
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(command.before)));
        ASSERT_NE(command.option(), command.value);
    }
    ASSERT_TRUE(fs::remove(config_file()));
    gtk_menu_item_activate(GTK_MENU_ITEM(widget(command.item)));
    EXPECT_EQ(command.option(), command.value);
    EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(widget(command.item))));
    if (command.line == nullptr) {
        EXPECT_FALSE(fs::exists(config_file()));
        return;
    }
    const std::string text = read_config();
    EXPECT_NE(text.find(std::string("\n") + command.line + "\n"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Menu, PreferenceCommand,
    ::testing::Values(
        Command{"menuitem_palette_ccs64", "menuitem_palette_peptos", palette, 0, "palette=0"},
        Command{nullptr, "menuitem_palette_high_contrast", palette, 1, "palette=1"},
        Command{nullptr, "menuitem_palette_pixcen", palette, 2, "palette=2"},
        Command{nullptr, "menuitem_palette_ccs64", palette, 3, "palette=3"},
        Command{"menuitem_zoom_3x", "menuitem_zoom_1x", zoom, 1, "expansion=1"},
        Command{nullptr, "menuitem_zoom_2x", zoom, 2, "expansion=2"},
        Command{nullptr, "menuitem_zoom_3x", zoom, 3, "expansion=3"},
        Command{nullptr, "menuitem_zoom_4x", zoom, 4, "expansion=4"},
        Command{"menuitem_selection_method_both", "menuitem_selection_method_frame",
                selection_method, 0, "selection_method=0"},
        Command{nullptr, "menuitem_selection_method_alpha_adjustment", selection_method, 1,
                "selection_method=1"},
        Command{nullptr, "menuitem_selection_method_both", selection_method, 2,
                "selection_method=2"},
        Command{"menuitem_transition_flicker", "menuitem_transition_none", transition, 0,
                "transition=0"},
        Command{nullptr, "menuitem_transition_flicker", transition, 1, "transition=1"},
        Command{"menuitem_sprite_attribute_byte_format_sprite_pad",
                "menuitem_sprite_attribute_byte_format_ignore", attribute_format, 0, nullptr},
        Command{nullptr, "menuitem_sprite_attribute_byte_format_sprite_pad", attribute_format, 1,
                nullptr},
        Command{nullptr, "menuitem_reencode_graphics", reencode, 1, "reencode_graphics=true"}),
    [](const auto &info) {
        return std::string(info.param.item + std::string("menuitem_").size());
    });

// A zoom item that is left when another is chosen is activated too, and must not act.
TEST_F(PreferenceCommand, LeavingAZoomItemDoesNothing) {
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_zoom_3x")));
    ASSERT_TRUE(fs::remove(config_file()));
    on_menuitem_zoom_3x_activate(GTK_MENU_ITEM(widget("menuitem_zoom_2x")), nullptr);
    EXPECT_EQ(options_expansion, 3);
    EXPECT_FALSE(fs::exists(config_file()));
}

// The seven areas whose size follows the zoom.
constexpr std::array<const char *, 7> zoomed_areas{
    "drawingarea_upper_border",   "drawingarea_lower_border", "drawingarea_left_border",
    "drawingarea_right_border",   "drawingarea_picture",      "drawingarea_sprites",
    "drawingarea_sprite_palette",
};

struct Refresh {
    const char *item;
    int zoom;
};

void PrintTo(const Refresh &refresh, std::ostream *out) {
    *out << refresh.item << " at " << refresh.zoom << "x";
}

class DisplayRefresh : public EditorTest, public ::testing::WithParamInterface<Refresh> {
  protected:
    void set_zoom(int zoom) {
        const std::string item = "menuitem_zoom_" + std::to_string(zoom) + "x";
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(item.c_str())));
        process_events(100);
    }
    std::map<std::string, GtkAllocation> allocations() {
        std::map<std::string, GtkAllocation> sizes;
        for (const char *name : zoomed_areas) {
            gtk_widget_get_allocation(widget(name), &sizes[name]);
        }
        return sizes;
    }
};

// A size request set to its own value changes nothing; only the step away and back gives every
// area a configure event, in which the sprite palette strip is drawn again in the new colours.
TEST_P(DisplayRefresh, GivesEveryZoomedAreaAConfigureEventAtTheSameSize) {
    const Refresh &refresh = GetParam();
    set_zoom(refresh.zoom);
    const auto before = allocations();
    {
        EventCounter configures(GDK_CONFIGURE, zoomed_areas);
        set_zoom(refresh.zoom);
        for (const auto &[name, count] : configures.counts) {
            EXPECT_EQ(count, 0) << name << " configured by an unchanged zoom";
        }
    }
    EventCounter configures(GDK_CONFIGURE, zoomed_areas);
    gtk_menu_item_activate(GTK_MENU_ITEM(widget(refresh.item)));
    process_events(100);
    EXPECT_EQ(options_expansion, refresh.zoom);
    for (const auto &[name, count] : configures.counts) {
        EXPECT_GE(count, 1) << name;
    }
    const auto after = allocations();
    for (const char *name : zoomed_areas) {
        EXPECT_EQ(after.at(name).width, before.at(name).width) << name;
        EXPECT_EQ(after.at(name).height, before.at(name).height) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Menu, DisplayRefresh,
                         ::testing::Values(Refresh{"menuitem_palette_peptos", 1},
                                           Refresh{"menuitem_palette_ccs64", 4},
                                           Refresh{"menuitem_selection_method_both", 1},
                                           Refresh{"menuitem_selection_method_frame", 3}),
                         [](const auto &info) {
                             return std::string(info.param.item + std::string("menuitem_").size()) +
                                    "_" + std::to_string(info.param.zoom) + "x";
                         });

// The palette commands redraw the four colour swatches; the selection marking leaves them.
TEST_F(DisplayRefresh, OnlyPaletteCommandsRedrawTheSwatches) {
    struct SwatchCase {
        const char *item;
        bool redrawn;
    };
    const SwatchCase cases[] = {
        {"menuitem_palette_high_contrast", true},
        {"menuitem_selection_method_alpha_adjustment", false},
        {"menuitem_palette_high_contrast", true},
    };
    for (const SwatchCase &test_case : cases) {
        flush_redraws();
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(test_case.item)));
        for (const char *swatch : colour_swatches) {
            EXPECT_EQ(take_queued_redraw(swatch), test_case.redrawn)
                << test_case.item << " " << swatch;
        }
        process_events(50);
    }
}

// A PETSCII screen of reversed spaces: every pixel shows the cells' colour.
constexpr std::uint8_t reversed_space = 0xA0;
constexpr std::uint8_t cell_colour = 5;
constexpr std::uint8_t file_border = 2;
constexpr int chosen_corner = 9;

class PaletteChange : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        ASSERT_FALSE(folder.path().empty());
        const std::string picture = (folder.path() / "screen.pet").string();
        write_file(picture, petscii_file(file_border, 0, reversed_space, cell_colour));
        picture_loaded = open_picture(picture.c_str(), TRUE);
        ASSERT_EQ(picture_loaded, 1);
        ASSERT_EQ(border_color_index, file_border);
        border_color_index = chosen_corner;
    }
    void TearDown() override {
        picture_loaded = 0;
        g_free(utf8_path_and_filename_picture);
        utf8_path_and_filename_picture = nullptr;
        EditorTest::TearDown();
    }

    // True when every pixel of the picture is the cells' colour in the current palette.
    static bool picture_in_current_palette() {
        std::uint8_t rgb[3];
        palette_get_rgb_at_index(cell_colour, rgb);
        const int width = gdk_pixbuf_get_width(pixbuf_picture);
        const int height = gdk_pixbuf_get_height(pixbuf_picture);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf_picture);
        const int channels = gdk_pixbuf_get_n_channels(pixbuf_picture);
        const guchar *pixels = gdk_pixbuf_get_pixels(pixbuf_picture);
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                const guchar *pixel = pixels + y * stride + x * channels;
                if (pixel[0] != rgb[0] || pixel[1] != rgb[1] || pixel[2] != rgb[2]) {
                    return false;
                }
            }
        }
        return true;
    }

    TempDir folder;
};

constexpr std::array<const char *, 4> palette_items{
    "menuitem_palette_peptos",
    "menuitem_palette_high_contrast",
    "menuitem_palette_pixcen",
    "menuitem_palette_ccs64",
};

// From Pepto through every other palette and back, each step changing the cells' colour.
TEST_F(PaletteChange, PictureIsRenderedInEachNewPaletteAndKeepsTheCornerColour) {
    ASSERT_EQ(options_palette, 0);
    ASSERT_TRUE(picture_in_current_palette());
    for (const int palette : {1, 2, 3, 0}) {
        SCOPED_TRACE(palette_items[palette]);
        std::uint8_t old_rgb[3];
        palette_get_rgb_at_index(cell_colour, old_rgb);
        gtk_menu_item_activate(GTK_MENU_ITEM(widget(palette_items[palette])));
        EXPECT_EQ(options_palette, palette);
        std::uint8_t new_rgb[3];
        palette_get_rgb_at_index(cell_colour, new_rgb);
        ASSERT_FALSE(std::equal(old_rgb, old_rgb + 3, new_rgb));
        EXPECT_TRUE(picture_in_current_palette());
        EXPECT_EQ(border_color_index, chosen_corner);
        EXPECT_EQ(picture_loaded, 1);
    }
}

// The saved choices of one start; each value of each menu comes up in some row.
struct SavedChoices {
    int palette;
    int zoom;
    int selection_method;
    int transition;
    int attribute_format;
    bool reencode;
    int x; // the window position, or -1 for none saved
    int y;
};

void PrintTo(const SavedChoices &saved, std::ostream *out) {
    *out << "palette " << saved.palette << " zoom " << saved.zoom;
}

constexpr std::array<const char *, 3> selection_items{
    "menuitem_selection_method_frame",
    "menuitem_selection_method_alpha_adjustment",
    "menuitem_selection_method_both",
};
constexpr std::array<const char *, 2> transition_items{
    "menuitem_transition_none",
    "menuitem_transition_flicker",
};
constexpr std::array<const char *, 2> attribute_items{
    "menuitem_sprite_attribute_byte_format_ignore",
    "menuitem_sprite_attribute_byte_format_sprite_pad",
};

class StartUp : public EditorTest, public ::testing::WithParamInterface<SavedChoices> {
  protected:
    bool active(const char *name) {
        return gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(widget(name)));
    }
    // Exactly the item at chosen is active in its group.
    template <std::size_t N>
    void expect_chosen(const std::array<const char *, N> &items, int chosen) {
        for (std::size_t index = 0; index < N; index++) {
            EXPECT_EQ(active(items[index]), static_cast<int>(index) == chosen) << items[index];
        }
    }
};

TEST_P(StartUp, BringsTheMenusAndTheWindowIntoTheSavedState) {
    const SavedChoices &saved = GetParam();
    std::ostringstream text;
    text << "[interface]\npalette=" << saved.palette << "\nexpansion=" << saved.zoom
         << "\nselection_method=" << saved.selection_method << "\ntransition=" << saved.transition
         << "\n[sprites]\nsprite_attribute_byte_format=" << saved.attribute_format
         << "\n[misc]\nreencode_graphics=" << (saved.reencode ? "true" : "false") << "\n";
    if (saved.x >= 0) {
        text << "[application]\nposition=" << saved.x << ";" << saved.y << ";\n";
    }
    const std::string saved_text = text.str();
    write_file(config_file(), std::vector<std::uint8_t>(saved_text.begin(), saved_text.end()));
    restart();

    expect_chosen(palette_items, saved.palette);
    const std::array<const char *, 4> zoom_items{"menuitem_zoom_1x", "menuitem_zoom_2x",
                                                 "menuitem_zoom_3x", "menuitem_zoom_4x"};
    expect_chosen(zoom_items, saved.zoom - 1);
    expect_chosen(selection_items, saved.selection_method);
    expect_chosen(transition_items, saved.transition);
    expect_chosen(attribute_items, saved.attribute_format);
    EXPECT_EQ(active("menuitem_reencode_graphics"), saved.reencode);
    EXPECT_EQ(options_palette, saved.palette);
    EXPECT_EQ(options_expansion, saved.zoom);
    EXPECT_EQ(options_selection_method, saved.selection_method);
    EXPECT_EQ(options_transition, saved.transition);
    EXPECT_EQ(options_sprite_attribute_byte_format, saved.attribute_format);
    EXPECT_EQ(options_reencode_graphics == TRUE, saved.reencode);

    // The zoom handler ran: the areas have the saved size.
    gint width = 0;
    gint height = 0;
    gtk_widget_get_size_request(widget("drawingarea_picture"), &width, &height);
    EXPECT_EQ(width, 320 * saved.zoom);
    EXPECT_EQ(height, 200 * saved.zoom);
    process_events(100);
    if (saved.x >= 0) {
        int x = 0;
        int y = 0;
        gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
        EXPECT_EQ(x, saved.x);
        EXPECT_EQ(y, saved.y);
    }
}

INSTANTIATE_TEST_SUITE_P(Saved, StartUp,
                         ::testing::Values(SavedChoices{0, 1, 0, 0, 0, false, -1, -1},
                                           SavedChoices{1, 2, 2, 0, 0, false, 10, 20},
                                           SavedChoices{2, 3, 1, 1, 1, true, 300, 150},
                                           SavedChoices{3, 4, 2, 1, 0, false, 0, 0}));

} // namespace
