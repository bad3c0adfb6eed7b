// Exported programs in x64sc: the four viewer templates against a display computed from the test
// data, and whole projects exported by the editor against its own PNG export.

#include "emulator.hpp"

#include "core/c64pixbufs.hpp"
#include "core/executable.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr unsigned sprite_count = 40;
constexpr int sprite_width = 24;
constexpr int sprite_height = 21;
constexpr std::uint8_t low_nibble = 0x0F;

enum class Kind { mc, petscii_upper, petscii_lower };
constexpr const char *kind_names[] = {"multicolour", "petscii_upper_case", "petscii_lower_case"};
constexpr const char *standard_names[] = {"pal", "ntsc", "paln"};

// The numbered template sprites, all different, framed by a full top row and a patterned bottom
// row so that a lost or repeated line shows; multicolour in the first and third column; every
// colour but the background, each row taking the next four in turn. Rows 5 and 8 get colours of
// their own here, which must not show.
void load_sprites() {
    constexpr std::array<std::uint8_t, 15> colours = {1,  2,  3,  4,  5,  7,  8, 9,
                                                      10, 11, 12, 13, 14, 15, 0};
    sprites_module_init();
    sprites_set_array_size(sprite_count);
    for (unsigned i = 0; i < sprite_count; ++i) {
        std::array<std::uint8_t, sprite_data_size> bitmap{};
        std::ranges::copy(sprites_get_template_entry(i).first<sprite_data_size>(), bitmap.begin());
        bitmap[0] = bitmap[1] = bitmap[2] = 0xFF;
        bitmap[60] = 0xC3;
        bitmap[61] = 0x5A;
        bitmap[62] = static_cast<std::uint8_t>(0x80 | i);
        sprites_set_data_at_index(i, bitmap.data());
        sprites_set_color_at_index(i, colours[(i * 3 + i / 4) % colours.size()]);
        sprites_set_multicolor_at_index(i, i % 2 == 0 ? 1 : 0);
    }
    sprites_set_multicolor0(2);
    sprites_set_multicolor1(13);
}

// Multicolour: every cell holds all four bit pairs in a pattern that moves with the cell, and its
// own screen colours. PETSCII: all 256 screen codes in turn. Both in changing colours on blue.
PictureData make_picture(Kind kind) {
    constexpr std::array<std::uint8_t, 4> patterns = {0x1B, 0xE4, 0x6C, 0x93};
    PictureData picture{};
    for (unsigned cell = 0; cell < 1000; ++cell) {
        if (kind == Kind::mc) {
            for (unsigned row = 0; row < 8; ++row) {
                picture.bitmap[cell * 8 + row] = patterns[(row + cell) % patterns.size()];
            }
            picture.screen_ram[cell] =
                static_cast<std::uint8_t>(((cell % 15 + 1) << 4) | ((cell / 40) % 15 + 1));
            picture.color_ram[cell] = static_cast<std::uint8_t>((cell * 7) % 16);
        } else {
            picture.screen_ram[cell] = static_cast<std::uint8_t>(cell % 256);
            picture.color_ram[cell] =
                static_cast<std::uint8_t>(cell % 15 + (cell % 15 >= 6 ? 1 : 0));
        }
    }
    picture.background_color = 6;
    picture.charset = kind == Kind::petscii_lower ? 1 : 0;
    picture.format = kind == Kind::mc ? picture_format_koala : picture_format_petscii;
    return picture;
}

constexpr int picture_x = 48;
constexpr int picture_y = 48;
constexpr int sprite_area_y = 40;

// Display position of sprite i's top-left pixel: row i / 4, column i % 4 (two per border).
int sprite_x(unsigned index) {
    return static_cast<int>(index % 4) * sprite_width + (index % 4 >= 2 ? 320 : 0);
}
int sprite_y(unsigned index) {
    return sprite_area_y + static_cast<int>(index / 4) * sprite_height;
}

// Colour index of every display pixel, row by row. The viewer takes the multicolour flags of
// sprites 0-3 for their whole column.
using Display = std::vector<std::uint8_t>;

Display expected_display(const PictureData &picture, bool with_sprites) {
    Display display(display_width * display_height, picture.background_color);
    const Bytes chargen = read_bytes(shared_file("c64-roms/chargen-901225-01.bin"));
    const unsigned set = picture.charset != 0 ? 2048 : 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            const unsigned cell = static_cast<unsigned>((y / 8) * 40 + x / 8);
            const unsigned row = static_cast<unsigned>(y % 8);
            const std::uint8_t screen = picture.screen_ram[cell];
            std::uint8_t colour = picture.background_color;
            if (picture.format == picture_format_petscii) {
                if ((chargen.at(set + screen * 8u + row) >> (7 - x % 8)) & 1) {
                    colour = picture.color_ram[cell];
                }
            } else {
                const int pair = (picture.bitmap[cell * 8 + row] >> (6 - (x % 8) / 2 * 2)) & 3;
                const std::uint8_t pair_colours[] = {picture.background_color,
                                                     static_cast<std::uint8_t>(screen >> 4), screen,
                                                     picture.color_ram[cell]};
                colour = pair_colours[pair];
            }
            display[static_cast<std::size_t>((picture_y + y) * display_width + picture_x + x)] =
                colour & low_nibble;
        }
    }
    for (unsigned i = 0; with_sprites && i < sprite_count; ++i) {
        const SpriteRecord &sprite = *sprites_get_record_at_index(i);
        // Rows 5 and 8 show the colours of the row above them.
        const std::uint8_t colour =
            sprites_get_record_at_index(i / 4 == 5 || i / 4 == 8 ? i - 4 : i)->color;
        const std::uint8_t pair_colours[] = {0, sprites_get_multicolor0(), colour,
                                             sprites_get_multicolor1()};
        const bool multicolour = sprites_get_record_at_index(i % 4)->multicolor == 1;
        for (int row = 0; row < sprite_height; ++row) {
            for (int x = 0; x < sprite_width; ++x) {
                const std::uint8_t byte = sprite.data[row * 3 + x / 8];
                const int value = multicolour ? (byte >> (6 - (x % 8) / 2 * 2)) & 3
                                              : ((byte >> (7 - x % 8)) & 1) * 2;
                if (value != 0) {
                    display[static_cast<std::size_t>((sprite_y(i) + row) * display_width +
                                                     sprite_x(i) + x)] = pair_colours[value];
                }
            }
        }
    }
    return display;
}

// Every region that could go wrong on its own: each sprite, both side borders of each line of
// the sprite area, the upper and lower borders and the picture.
std::vector<Region> regions_to_judge(unsigned first_sprite = 0) {
    std::vector<Region> regions;
    for (unsigned i = first_sprite; i < sprite_count; ++i) {
        regions.push_back({"sprite " + std::to_string(i), sprite_x(i), sprite_y(i),
                           sprite_x(i) + sprite_width, sprite_y(i) + sprite_height});
    }
    if (first_sprite > 0) {
        return regions;
    }
    for (int y = sprite_area_y; y < sprite_y(sprite_count); ++y) {
        const std::string line = " border of raster line " + std::to_string(y + 3);
        regions.push_back({"left" + line, 0, y, picture_x, y + 1});
        regions.push_back({"right" + line, picture_x + 320, y, display_width, y + 1});
    }
    regions.push_back({"upper border", 0, 0, display_width, picture_y});
    regions.push_back({"lower border", 0, picture_y + 200, display_width, display_height});
    regions.push_back({"picture", picture_x, picture_y, picture_x + 320, picture_y + 200});
    return regions;
}

std::string differences(const Screenshot &screenshot, const Display &expected,
                        const std::vector<Region> &regions = regions_to_judge()) {
    return display_differences(screenshot, regions, [&](int x, int y) {
        return std::optional(
            emulator_rgb(expected[static_cast<std::size_t>(y * display_width + x)]));
    });
}

// A program file of the viewer in its own folder, built and crunched as the editor would.
class ViewerRun {
  public:
    ViewerRun(Kind kind, bool flicker) : picture(make_picture(kind)) {
        load_sprites();
        const ExecutableProgram built = executable_build(
            picture, flicker ? executable_transition_flicker : executable_transition_none, false);
        write_bytes(program, built.bytes);
        crunch_status = crunch_in_place(program, static_cast<unsigned>(built.start_address));
    }
    std::vector<Screenshot> frames(VideoStandard standard, const std::vector<int> &frames) const {
        return run_emulator_frames(program, standard, frames, directory.path);
    }
    Display expected(bool with_sprites) const { return expected_display(picture, with_sprites); }

    const PictureData picture;
    const TemporaryDirectory directory;
    const std::string program = directory.path + "/viewer.prg";
    int crunch_status = -1;
};

struct PlainCase {
    Kind kind;
    VideoStandard standard;
};

class PlainViewer : public testing::TestWithParam<PlainCase> {};

TEST_P(PlainViewer, ShowsPictureAndAllSpritesInOpenBordersFrameAfterFrame) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [kind, standard] = GetParam();
    const ViewerRun run(kind, false);
    ASSERT_EQ(run.crunch_status, 0);
    const Display expected = run.expected(true);
    const std::vector<int> frames = {emulator_steady_frame(standard),
                                     emulator_steady_frame(standard) + 1};
    const auto screenshots = run.frames(standard, frames);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(differences(screenshots[i], expected), "") << "frame " << frames[i];
    }
}

INSTANTIATE_TEST_SUITE_P(AllStandards, PlainViewer,
                         testing::Values(PlainCase{Kind::mc, VideoStandard::pal},
                                         PlainCase{Kind::mc, VideoStandard::ntsc},
                                         PlainCase{Kind::mc, VideoStandard::paln},
                                         PlainCase{Kind::petscii_upper, VideoStandard::pal},
                                         PlainCase{Kind::petscii_upper, VideoStandard::ntsc},
                                         PlainCase{Kind::petscii_upper, VideoStandard::paln},
                                         PlainCase{Kind::petscii_lower, VideoStandard::pal},
                                         PlainCase{Kind::petscii_lower, VideoStandard::ntsc}),
                         [](const testing::TestParamInfo<PlainCase> &info) {
                             return std::string(kind_names[static_cast<int>(info.param.kind)]) +
                                    "_" + standard_names[static_cast<int>(info.param.standard)];
                         });

// What a frame of the flicker variant shows: closed borders and no sprites; the first frame with
// the border routine after such frames, whose upper border stays closed down to line 50 (only
// the frame before could have opened it) and with it the left border of line 51, which the main
// border flip-flop enters still set; or the full picture.
enum class Shown { closed, opening, open };

struct ScheduleStep {
    int frame; // counted from the first frame of the border routine in the plain viewer
    Shown shown;
};

// Runs of 1 off, 2 on, 2 off, 3 on, 4 off, 5 on, 6 off, 7 on, 8 off, then on. An opening frame
// only follows a closed one, so it pins both sides of the change to on; the changes to off
// are pinned by a frame on each side.
constexpr ScheduleStep whole_schedule[] = {
    {1, Shown::opening},  {2, Shown::open},     {3, Shown::closed},   {5, Shown::opening},
    {7, Shown::open},     {8, Shown::closed},   {12, Shown::opening}, {16, Shown::open},
    {17, Shown::closed},  {23, Shown::opening}, {29, Shown::open},    {30, Shown::closed},
    {38, Shown::opening}, {39, Shown::open}};
constexpr ScheduleStep ends_of_schedule[] = {
    {0, Shown::closed}, {2, Shown::open}, {37, Shown::closed}, {39, Shown::open}};

struct FlickerCase {
    Kind kind;
    std::span<const ScheduleStep> steps;
};

class FlickerViewer : public testing::TestWithParam<FlickerCase> {};

TEST_P(FlickerViewer, FollowsTheScheduleThenShowsThePlainViewersFrames) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [kind, steps] = GetParam();
    constexpr auto standard = VideoStandard::pal;
    const ViewerRun plain(kind, false);
    const ViewerRun flicker(kind, true);
    ASSERT_EQ(plain.crunch_status, 0);
    ASSERT_EQ(flicker.crunch_status, 0);
    const Display open = plain.expected(true);
    const Display closed = plain.expected(false);
    Display opening = open;
    std::copy_n(closed.begin(), picture_y * display_width + picture_x, opening.begin());
    // Row 9 of the sprites, far from the upper border: shown in every frame with the routine.
    const std::vector<Region> last_row = regions_to_judge(sprite_count - 4);

    // Both variants start the border routine in the same frame; find it in the plain one,
    // narrowing the range with two frames at a time.
    constexpr int before_start = 150;
    int before = before_start, first = emulator_steady_frame(standard);
    ASSERT_EQ(differences(plain.frames(standard, {first})[0], open, last_row), "");
    while (first - before > 1) {
        const std::vector<int> probes = {before + (first - before) / 3,
                                         before + (first - before) * 2 / 3};
        const auto screenshots = plain.frames(standard, probes);
        const int old_before = before, old_first = first;
        for (std::size_t k = 0; k < probes.size(); ++k) {
            if (probes[k] > old_before && probes[k] < old_first) {
                if (differences(screenshots[k], open, last_row).empty()) {
                    first = std::min(first, probes[k]);
                } else {
                    before = std::max(before, probes[k]);
                }
            }
        }
    }
    ASSERT_GT(first, before_start + 1) << "the border routine runs from the start of the search";

    std::vector<int> frames;
    for (const ScheduleStep &step : steps) {
        frames.push_back(first + step.frame);
    }
    const std::vector<int> later = {first + 50, first + 51};
    frames.insert(frames.end(), later.begin(), later.end());
    const auto shown = flicker.frames(standard, frames);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Display &expected = steps[i].shown == Shown::closed    ? closed
                                  : steps[i].shown == Shown::opening ? opening
                                                                     : open;
        EXPECT_EQ(differences(shown[i], expected), "")
            << "frame " << steps[i].frame << " of the schedule";
    }
    const auto plain_later = plain.frames(standard, later);
    for (std::size_t i = 0; i < later.size(); ++i) {
        ASSERT_GT(plain_later[i].width, 0);
        EXPECT_TRUE(shown[steps.size() + i].bytes == plain_later[i].bytes)
            << later[i] - first << " frames after the start";
    }
}

INSTANTIATE_TEST_SUITE_P(BothPictureKinds, FlickerViewer,
                         testing::Values(FlickerCase{Kind::mc, whole_schedule},
                                         FlickerCase{Kind::petscii_upper, ends_of_schedule}),
                         [](const testing::TestParamInfo<FlickerCase> &info) {
                             return std::string(kind_names[static_cast<int>(info.param.kind)]);
                         });

constexpr int palette_pixcen = 2;
constexpr int palette_ccs64 = 3;

// Repeatable noise from a linear congruential generator.
auto noise(std::uint32_t seed) {
    return [seed]() mutable {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(seed >> 24);
    };
}

// Koala Painter at $6000 with noise for bitmap and colours, junk in the high nibbles of colour
// RAM and background: every cell has its own four colours for the re-encoder to reorder.
Bytes koala_file() {
    Bytes file(10003);
    std::generate(file.begin() + 2, file.end() - 1, noise(1));
    file[1] = 0x60;
    file.back() = 0xE9;
    return file;
}

// PETSCII Vellum in the lower case set: 40 x 25, border 14, background 0, every screen code,
// colours from noise.
Bytes petscii_file() {
    Bytes file = {40, 25, 14, 0, 1};
    for (unsigned i = 0; i < 1000; ++i) {
        file.push_back(static_cast<std::uint8_t>(i * 7));
    }
    file.resize(2005);
    std::generate(file.begin() + 1005, file.end(), noise(2));
    return file;
}

// Sprite Pad layout: the attribute byte after each bitmap holds the colour, and in the first
// slot the multicolour flag for the whole file.
Bytes sprite_file(unsigned count, std::uint32_t seed) {
    constexpr std::uint8_t multicolour_flag = 0x80;
    auto next = noise(seed);
    Bytes file = {0x00, 0x20};
    for (unsigned i = 0; i < count; ++i) {
        for (unsigned k = 0; k < sprite_data_size; ++k) {
            file.push_back(k % 4 == 3 ? 0 : next());
        }
        file.push_back(static_cast<std::uint8_t>(multicolour_flag | ((i * 5 + 1) % 16)));
    }
    return file;
}

// The side borders are open on 201 lines, the left one a line later than the right one.
const std::vector<Region> compared_regions = {
    {"picture", 48, 48, 368, 248},
    {"left border band", 0, 48, 48, 249},
    {"right border band", 368, 47, 416, 248},
};
constexpr int png_top = 13; // display row of the PNG's first row

struct ExportCase {
    bool multicolour;
    VideoStandard standard;
};

class ExportedProgram : public testing::TestWithParam<ExportCase> {
  protected:
    void SetUp() override {
        c64pixbufs_module_init();
        sprites_module_init();
    }
    void TearDown() override {
        cleanup_before_quitting();
        g_free(utf8_path_and_filename_picture);
        utf8_path_and_filename_picture = nullptr;
        picture_loaded = 0;
        sprites_loaded = 0;
    }
};

// Loaded, coloured and exported as the File menu and the colour pickers do, without dialogs; the
// PNG and the screen must agree pixel for pixel once the editor's palette is mapped onto the
// emulator's, in the picture and in both side-border bands. The viewer takes the multicolour
// flags of sprites 0-3 for their whole column, so the project keeps each column alike.
TEST_P(ExportedProgram, ShowsWhatThePngShows) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [mc, standard] = GetParam();
    options_palette = mc ? palette_ccs64 : palette_pixcen;
    options_selection_method = 0;
    options_transition = 0;
    options_reencode_graphics = mc ? TRUE : FALSE;
    const TemporaryDirectory dir;
    const std::string picture = dir.path + (mc ? "/scene.koa" : "/scene.pet");
    const std::string sprites = dir.path + "/scene.spr";
    const std::string png = dir.path + "/scene.png", prg = dir.path + "/scene.prg";
    write_bytes(picture, mc ? koala_file() : petscii_file());
    write_bytes(sprites, sprite_file(mc ? 40 : 37, mc ? 3 : 4));
    ASSERT_TRUE(open_picture(picture.c_str(), TRUE));
    picture_loaded = 1;
    GError *error = nullptr;
    ASSERT_TRUE(spritesdecoder_decode_sprites_file(sprites.c_str(),
                                                   sprites_attribute_format_sprite_pad, 1, &error))
        << GErrorPtr(error)->message;
    sprites_loaded = 1;
    for (unsigned i = 0; i < sprites_get_array_size(); ++i) {
        sprites_set_multicolor_at_index(i, i % 4 == 1 ? 0 : 1);
    }
    sprites_set_multicolor0(mc ? 7 : 10);
    sprites_set_multicolor1(mc ? 15 : 3);
    ASSERT_TRUE(export_screen_to_png(png.c_str(), &error)) << GErrorPtr(error)->message;
    ASSERT_TRUE(mc ? export_mc_to_executable(prg.c_str())
                   : export_petscii_to_executable(prg.c_str()));
    ASSERT_EQ(
        crunch_in_place(prg, mc ? executable_start_address_mc : executable_start_address_petscii),
        0);

    // The editor's colours, which must all differ, to the emulator's.
    std::map<Rgb, Rgb> mapping;
    for (int colour = 0; colour < palette_colour_count; ++colour) {
        Rgb editor{};
        palette_get_rgb_at_index(colour, editor.data());
        mapping[editor] = emulator_rgb(colour);
    }
    ASSERT_EQ(mapping.size(), static_cast<std::size_t>(palette_colour_count));

    const PixbufPtr image(gdk_pixbuf_new_from_file(png.c_str(), &error));
    ASSERT_TRUE(image) << GErrorPtr(error)->message;
    const guchar *pixels = gdk_pixbuf_read_pixels(image.get());
    const int stride = gdk_pixbuf_get_rowstride(image.get());
    const int channels = gdk_pixbuf_get_n_channels(image.get());
    const auto expected = [&](int x, int y) -> std::optional<Rgb> {
        const guchar *p = pixels + (y - png_top) * stride + x * channels;
        const auto mapped = mapping.find(Rgb{p[0], p[1], p[2]});
        return mapped == mapping.end() ? std::nullopt : std::optional(mapped->second);
    };
    const Screenshot screenshot =
        run_emulator(prg, standard, emulator_steady_frame(standard), dir.path);
    EXPECT_EQ(display_differences(screenshot, compared_regions, expected), "");
}

INSTANTIATE_TEST_SUITE_P(
    BothKindsBothStandards, ExportedProgram,
    testing::Values(ExportCase{true, VideoStandard::pal}, ExportCase{true, VideoStandard::ntsc},
                    ExportCase{false, VideoStandard::pal}, ExportCase{false, VideoStandard::ntsc}),
    [](const testing::TestParamInfo<ExportCase> &info) {
        return std::string(info.param.multicolour ? "multicolour" : "petscii") +
               (info.param.standard == VideoStandard::pal ? "_pal" : "_ntsc");
    });

} // namespace
