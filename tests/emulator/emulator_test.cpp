// Projects exported by the editor, run in x64sc: every pixel of the PNG export against the
// emulator's frame, on each video standard and with each viewer, and the flicker transition's
// schedule of frames with and without the open borders.

#include "emulator.hpp"

#include "core/c64pixbufs.hpp"
#include "core/executable.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "gui/app.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace {

enum class Kind { mc, petscii_upper, petscii_lower };
constexpr const char *kind_names[] = {"multicolour", "petscii_upper_case", "petscii_lower_case"};
constexpr const char *standard_names[] = {"pal", "ntsc", "paln"};

constexpr int palette_pixcen = 2;
constexpr int palette_ccs64 = 3;
constexpr unsigned sprite_count = 40;
constexpr int png_top = 13; // display row of the PNG's first row
constexpr int png_height = 272;

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

// PETSCII Vellum: 40 x 25, border 14, background 0, every screen code, colours from noise.
Bytes petscii_file(bool lower_case) {
    Bytes file = {40, 25, 14, 0, static_cast<std::uint8_t>(lower_case ? 1 : 0)};
    for (unsigned i = 0; i < 1000; ++i) {
        file.push_back(static_cast<std::uint8_t>(i * 7));
    }
    file.resize(2005);
    std::generate(file.begin() + 1005, file.end(), noise(2));
    return file;
}

// Sprite Pad layout: the attribute byte after each bitmap holds the colour, and in the first
// slot the multicolour flag for the whole file. Slot rows 0 and 9 fill every pixel, in all
// three bit pairs, so that the first and last lines of the open side borders show; the rows
// between hold noise.
Bytes sprite_file(std::uint32_t seed) {
    constexpr std::uint8_t multicolour_flag = 0x80;
    constexpr std::array<std::uint8_t, 3> full = {0x5B, 0xE7, 0x9E}; // no bit pair 00
    auto next = noise(seed);
    Bytes file = {0x00, 0x20};
    for (unsigned i = 0; i < sprite_count; ++i) {
        const bool edge_row = i < 4 || i >= sprite_count - 4;
        for (unsigned k = 0; k < sprite_data_size; ++k) {
            file.push_back(edge_row ? full[(k + i) % full.size()] : next());
        }
        file.push_back(static_cast<std::uint8_t>(multicolour_flag | ((i * 5 + 1) % 16)));
    }
    return file;
}

// The project as the File menu and the colour pickers leave it, exported to PNG and to a program
// that starts itself with a BASIC SYS line. The viewer takes the multicolour flags of sprites 0-3
// for their whole column, so the project keeps each column alike; the second column is single
// colour.
class ExportedProject {
  public:
    ExportedProject(Kind kind, bool flicker) {
        const bool mc = kind == Kind::mc;
        c64pixbufs_module_init();
        sprites_module_init();
        options_palette = mc ? palette_ccs64 : palette_pixcen;
        options_selection_method = 0;
        options_transition = flicker ? 1 : 0;
        options_reencode_graphics = mc ? TRUE : FALSE;
        const std::string picture = directory.path + (mc ? "/scene.koa" : "/scene.pet");
        const std::string sprites = directory.path + "/scene.spr";
        write_bytes(picture, mc ? koala_file() : petscii_file(kind == Kind::petscii_lower));
        write_bytes(sprites, sprite_file(mc ? 3 : 4));
        if (!open_picture(picture.c_str(), TRUE)) {
            return;
        }
        picture_loaded = 1;
        GError *error = nullptr;
        if (!spritesdecoder_decode_sprites_file(sprites.c_str(),
                                                sprites_attribute_format_sprite_pad, 1, &error)) {
            failure = GErrorPtr(error)->message;
            return;
        }
        sprites_loaded = 1;
        for (unsigned i = 0; i < sprites_get_array_size(); ++i) {
            sprites_set_multicolor_at_index(i, i % 4 == 1 ? 0 : 1);
        }
        sprites_set_multicolor0(mc ? 7 : 10);
        sprites_set_multicolor1(mc ? 15 : 3);
        if (!export_screen_to_png(png.c_str(), &error)) {
            failure = GErrorPtr(error)->message;
        } else if (!(mc ? export_mc_to_executable(prg.c_str())
                        : export_petscii_to_executable(prg.c_str()))) {
            failure = "no program written";
        } else {
            write_bytes(prg, executable_make_self_starting(read_bytes(prg),
                                                           mc ? executable_start_address_mc
                                                              : executable_start_address_petscii));
            read_png();
        }
        background = emulator_rgb(picture_data.background_color);
    }
    ~ExportedProject() {
        cleanup_before_quitting();
        g_free(utf8_path_and_filename_picture);
        utf8_path_and_filename_picture = nullptr;
        picture_loaded = 0;
        sprites_loaded = 0;
    }
    ExportedProject(const ExportedProject &) = delete;
    ExportedProject &operator=(const ExportedProject &) = delete;

    std::vector<Screenshot> frames(VideoStandard standard, const std::vector<int> &frames) const {
        return run_emulator_frames(prg, standard, frames, directory.path);
    }

    // The PNG's pixel at display (x, y) in the emulator's colours.
    Rgb at(int x, int y) const {
        return file[static_cast<std::size_t>((y - png_top) * display_width + x)];
    }

    const TemporaryDirectory directory;
    const std::string png = directory.path + "/scene.png";
    const std::string prg = directory.path + "/scene.prg";
    std::string failure = "picture not loaded";
    Rgb background{};

  private:
    // The file, its colours mapped from the editor's palette onto the emulator's; every colour
    // of the file must be a palette colour.
    void read_png() {
        std::map<Rgb, Rgb> mapping;
        for (int colour = 0; colour < palette_colour_count; ++colour) {
            Rgb editor{};
            palette_get_rgb_at_index(colour, editor.data());
            mapping[editor] = emulator_rgb(colour);
        }
        GError *error = nullptr;
        const PixbufPtr image(gdk_pixbuf_new_from_file(png.c_str(), &error));
        if (!image) {
            failure = GErrorPtr(error)->message;
            return;
        }
        if (mapping.size() != palette_colour_count ||
            gdk_pixbuf_get_width(image.get()) != display_width ||
            gdk_pixbuf_get_height(image.get()) != png_height) {
            failure = "palette colours alike, or the PNG is not 416 x 272";
            return;
        }
        const guchar *pixels = gdk_pixbuf_read_pixels(image.get());
        const int stride = gdk_pixbuf_get_rowstride(image.get());
        const int channels = gdk_pixbuf_get_n_channels(image.get());
        for (int y = 0; y < png_height; ++y) {
            for (int x = 0; x < display_width; ++x) {
                const guchar *p = pixels + y * stride + x * channels;
                const auto mapped = mapping.find(Rgb{p[0], p[1], p[2]});
                if (mapped == mapping.end()) {
                    failure = "a PNG colour outside the palette";
                    return;
                }
                file.push_back(mapped->second);
            }
        }
        failure.clear();
    }

    std::vector<Rgb> file;
};

constexpr int left_border_end = 48, right_border_x = 368, picture_top = 48, picture_end = 248;
constexpr int png_bottom = png_top + png_height;

// The whole file in five parts, so that a report says where the frame differs.
const std::vector<Region> whole_file = {
    {"left border", 0, png_top, left_border_end, png_bottom},
    {"right border", right_border_x, png_top, display_width, png_bottom},
    {"upper border", left_border_end, png_top, right_border_x, picture_top},
    {"picture", left_border_end, picture_top, right_border_x, picture_end},
    {"lower border", left_border_end, picture_end, right_border_x, png_bottom},
};

bool in_side_border(int x) {
    return x < left_border_end || x >= right_border_x;
}

// A frame well after the flicker transition has ended, and two more spread over 50 frames.
std::vector<int> frames_to_capture(VideoStandard standard) {
    const int first = emulator_steady_frame(standard) + 40;
    return {first, first + 23, first + 50};
}

struct ExportCase {
    Kind kind;
    VideoStandard standard;
    bool flicker;
};

class ExportedProgram : public testing::TestWithParam<ExportCase> {};

TEST_P(ExportedProgram, ShowsEveryPixelOfThePngFrameAfterFrame) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [kind, standard, flicker] = GetParam();
    const ExportedProject project(kind, flicker);
    ASSERT_EQ(project.failure, "");
    const std::vector<int> frames = frames_to_capture(standard);
    const auto screenshots = project.frames(standard, frames);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(display_differences(screenshots[i], whole_file,
                                      [&](int x, int y) { return project.at(x, y); }),
                  "")
            << "frame " << frames[i];
    }
}

std::vector<ExportCase> all_export_cases() {
    std::vector<ExportCase> cases;
    for (const Kind kind : {Kind::mc, Kind::petscii_upper, Kind::petscii_lower}) {
        for (const auto standard : {VideoStandard::pal, VideoStandard::ntsc, VideoStandard::paln}) {
            for (const bool flicker : {false, true}) {
                cases.push_back({kind, standard, flicker});
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryViewerAndStandard, ExportedProgram,
                         testing::ValuesIn(all_export_cases()),
                         [](const testing::TestParamInfo<ExportCase> &info) {
                             return std::string(kind_names[static_cast<int>(info.param.kind)]) +
                                    "_" + standard_names[static_cast<int>(info.param.standard)] +
                                    (info.param.flicker ? "_flicker" : "_plain");
                         });

// What a frame of the flicker variant shows: closed side borders and no sprites; the first frame
// with the border routine after such frames, whose upper border stays closed down to line 50
// (only the frame before could have opened it) and with it the left border of line 51, which
// the main border flip-flop enters still set; or the whole PNG. The closed border has the
// background colour.
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

TEST_P(FlickerViewer, FollowsTheSchedule) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [kind, steps] = GetParam();
    constexpr auto standard = VideoStandard::pal;
    const ExportedProject plain(kind, false);
    ASSERT_EQ(plain.failure, "");
    const auto expected = [&](Shown shown) {
        return [&plain, shown](int x, int y) {
            const bool opening_closed =
                y < picture_top || (y == picture_top && x < left_border_end);
            const bool closed = in_side_border(x) && (shown == Shown::closed ||
                                                      (shown == Shown::opening && opening_closed));
            return closed ? plain.background : plain.at(x, y);
        };
    };
    // Row 9 of the sprites, far from the upper border: shown in every frame with the routine.
    const std::vector<Region> last_row = {{"sprite row 9", 0, 229, display_width, 248}};

    // Both variants start the border routine in the same frame; find it in the plain one,
    // narrowing the range with two frames at a time.
    constexpr int before_start = 150;
    int before = before_start, first = emulator_steady_frame(standard);
    ASSERT_EQ(
        display_differences(plain.frames(standard, {first})[0], last_row, expected(Shown::open)),
        "");
    while (first - before > 1) {
        const std::vector<int> probes = {before + (first - before) / 3,
                                         before + (first - before) * 2 / 3};
        const auto screenshots = plain.frames(standard, probes);
        const int old_before = before, old_first = first;
        for (std::size_t k = 0; k < probes.size(); ++k) {
            if (probes[k] > old_before && probes[k] < old_first) {
                if (display_differences(screenshots[k], last_row, expected(Shown::open)).empty()) {
                    first = std::min(first, probes[k]);
                } else {
                    before = std::max(before, probes[k]);
                }
            }
        }
    }
    ASSERT_GT(first, before_start + 1) << "the border routine runs from the start of the search";
    ASSERT_LT(first + 39, frames_to_capture(standard).front())
        << "the whole-frame comparison starts before the schedule ends";

    std::vector<int> frames;
    for (const ScheduleStep &step : steps) {
        frames.push_back(first + step.frame);
    }
    const ExportedProject flicker(kind, true);
    ASSERT_EQ(flicker.failure, "");
    const auto shown = flicker.frames(standard, frames);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(display_differences(shown[i], whole_file, expected(steps[i].shown)), "")
            << "frame " << steps[i].frame << " of the schedule";
    }
}

INSTANTIATE_TEST_SUITE_P(BothPictureKinds, FlickerViewer,
                         testing::Values(FlickerCase{Kind::mc, whole_schedule},
                                         FlickerCase{Kind::petscii_upper, ends_of_schedule}),
                         [](const testing::TestParamInfo<FlickerCase> &info) {
                             return std::string(kind_names[static_cast<int>(info.param.kind)]);
                         });

} // namespace
