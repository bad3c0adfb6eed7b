// Projects exported by the editor, run in x64sc: every pixel of the PNG export against the
// emulator's frame, on each video standard and with each viewer, and the flicker transition's
// schedule of frames with and without the open borders. x64sc runs the self-starting programs
// to the end of a frame and leaves a whole-frame screenshot, read here in the editor's display
// coordinates (416 x 296: left border 0-47, picture 48-367 x 48-247, right border 368-).

#include "../common.hpp"
#include "core/c64pixbufs.hpp"
#include "core/executable.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "core/viewer.hpp"
#include "gui/app.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

enum class VideoStandard { pal, ntsc, ntsc_old, paln };

constexpr int display_width = 416;

using Rgb = std::array<std::uint8_t, 3>;

struct StandardFacts {
    const char *option;
    long frame_cycles;
    long frame_offset; // cycles that align the stop with a frame boundary
    int first_line;    // raster line in the screenshot's first row; later rows wrap to line 0
    int lines;         // raster lines of a frame
};

constexpr int display_first_line = 3; // raster line of display row 0
constexpr int screenshot_left = 88;   // screenshot column of display x 0

// Indexed by VideoStandard.
constexpr StandardFacts standard_facts[] = {{"-pal", 19656, 0, 0, 312},
                                            {"-ntsc", 17095, 1300, 20, 263},
                                            {"-model oldntsc", 16768, 1280, 20, 262},
                                            {"-paln", 20280, 0, 0, 312}};

struct Screenshot {
    VideoStandard standard = VideoStandard::pal;
    PixbufPtr image;
    std::string emulator_output; // what x64sc printed on stderr when it wrote no screenshot
};

Rgb pixel_rgb(const GdkPixbuf *image, int x, int y) {
    const guchar *p = gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return {p[0], p[1], p[2]};
}

// Path of a file in the shared folder (ROMs), from the build's SIDEWELL_SHARED_DIR.
std::string shared_file(const std::string &relative) {
    return std::string(SIDEWELL_SHARED_DIR) + "/" + relative;
}

// Whether x64sc can run here (ROMs, palette file, X display); why not otherwise.
bool emulator_ready(std::string &why) {
    constexpr std::uintmax_t kernal_size = 8192;
    std::error_code missing;
    const std::string kernal = shared_file("c64-roms/kernal-901227-03.bin");
    if (std::filesystem::file_size(kernal, missing) != kernal_size) {
        why = "C64 ROMs not found in " + shared_file("c64-roms");
    } else if (!std::filesystem::exists("/usr/share/vice/C64/pepto-pal.vpl")) {
        why = "x64sc and its palette file pepto-pal.vpl not found";
    } else if (!g_getenv("DISPLAY")) {
        why = "x64sc needs an X display; run the tests under xvfb-run";
    }
    return why.empty();
}

#define SKIP_UNLESS_EMULATOR_READY()                                                               \
    if (std::string why; !emulator_ready(why))                                                     \
    GTEST_SKIP() << why

// A frame well after a viewer has started (about 4.3 s of emulated time after reset).
int emulator_steady_frame(VideoStandard standard) {
    const bool sixty_hertz = standard == VideoStandard::ntsc || standard == VideoStandard::ntsc_old;
    return sixty_hertz ? 300 : 250;
}

// x64sc's screenshot at the end of frame `frame` (counted from reset) of a self-starting program;
// no image when it wrote none. `work_dir` holds its private HOME and the screenshot.
Screenshot run_emulator(const std::string &program, VideoStandard standard, int frame,
                        const std::string &work_dir) {
    const StandardFacts &facts = standard_facts[static_cast<int>(standard)];
    const std::string home = work_dir + "/home";
    g_mkdir_with_parents(home.c_str(), 0700);
    const std::string png = work_dir + "/screenshot.png";
    g_remove(png.c_str());
    const std::string cycles = std::to_string(frame * facts.frame_cycles + facts.frame_offset);
    const auto quoted = [](const std::string &text) {
        return std::string(GCharPtr(g_shell_quote(text.c_str())).get());
    };
    const auto rom = [&](const char *name) { return quoted(shared_file("c64-roms/") + name); };
    // Neutral colour settings: the screenshot then holds the palette file's colours exactly.
    // x64sc keeps its settings in HOME; it exits with status 1 after -limitcycles, so the
    // screenshot tells whether it ran.
    const std::string command =
        "env HOME=" + quoted(home) + " x64sc " + facts.option + " -kernal " +
        rom("kernal-901227-03.bin") + " -basic " + rom("basic-901226-01.bin") + " -chargen " +
        rom("chargen-901225-01.bin") +
        " -autostartprgmode 1 -warp +sound -seed 1 -VICIIborders 2 -VICIIfilter 0 -VICIIextpal"
        " -VICIIpalette pepto-pal.vpl -VICIIsaturation 1000 -VICIIcontrast 1000"
        " -VICIIbrightness 1000 -VICIIgamma 1000 -VICIItint 1000 -limitcycles " +
        cycles + " -exitscreenshot " + quoted(png) + " " + quoted(program);
    gchar *standard_output = nullptr, *output = nullptr;
    GError *error = nullptr;
    // Xvfb resets itself when its last client leaves and refuses connections meanwhile; x64sc
    // may be the only client, so a refused display is tried again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        g_free(standard_output);
        g_free(output);
        g_spawn_command_line_sync(command.c_str(), &standard_output, &output, nullptr, &error);
        if (error != nullptr || !g_strrstr(output, "cannot open display"))
            break;
        g_usleep(G_USEC_PER_SEC / 5);
    }
    g_free(standard_output);
    const GCharPtr owned_output(output);
    const GErrorPtr owned_error(error);

    Screenshot screenshot;
    screenshot.standard = standard;
    screenshot.image.reset(gdk_pixbuf_new_from_file(png.c_str(), nullptr));
    if (!screenshot.image) {
        screenshot.emulator_output = error ? error->message : output ? output : "";
    }
    return screenshot;
}

// The same for several frames, each in a folder below `work_dir`.
std::vector<Screenshot> run_emulator_frames(const std::string &program, VideoStandard standard,
                                            const std::vector<int> &frames,
                                            const std::string &work_dir) {
    std::vector<Screenshot> screenshots;
    for (const int frame : frames) {
        const std::string folder = work_dir + "/frame-" + std::to_string(frame);
        g_mkdir_with_parents(folder.c_str(), 0700);
        screenshots.push_back(run_emulator(program, standard, frame, folder));
    }
    return screenshots;
}

// Display pixel (x, y) of a screenshot; nullopt for rows beyond the last raster line, which the
// frame does not have (NTSC's 263 lines end at display row 259, old NTSC's 262 at row 258).
std::optional<Rgb> display_pixel(const Screenshot &screenshot, int x, int y) {
    const StandardFacts &facts = standard_facts[static_cast<int>(screenshot.standard)];
    const int line = y + display_first_line;
    const int sx = x + screenshot_left;
    const int sy = (line - facts.first_line + facts.lines) % facts.lines;
    const GdkPixbuf *image = screenshot.image.get();
    if (line >= facts.lines || sx >= gdk_pixbuf_get_width(image) ||
        sy >= gdk_pixbuf_get_height(image)) {
        return std::nullopt;
    }
    return pixel_rgb(image, sx, sy);
}

// How many pixels of display rows y0 <= y < y1 differ from expected(x, y), and the first of them;
// empty when all agree. Rows beyond the video standard's frame are not compared; a screenshot
// without any of the rows is wrong.
std::string display_differences(const Screenshot &screenshot, int y0, int y1,
                                const std::function<Rgb(int x, int y)> &expected) {
    if (!screenshot.image) {
        return "x64sc wrote no screenshot: " + screenshot.emulator_output;
    }
    int wrong = 0, compared = 0, first_x = 0, first_y = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = 0; x < display_width; ++x) {
            const auto pixel = display_pixel(screenshot, x, y);
            compared += pixel ? 1 : 0;
            if (pixel && *pixel != expected(x, y) && wrong++ == 0) {
                first_x = x;
                first_y = y;
            }
        }
    }
    return wrong == 0 && compared > 0
               ? ""
               : std::to_string(wrong) + " wrong pixels, the first at display (" +
                     std::to_string(first_x) + ", " + std::to_string(first_y) + ")";
}

enum class Kind { mc, petscii_upper, petscii_lower };
constexpr const char *kind_names[] = {"multicolour", "petscii_upper_case", "petscii_lower_case"};
constexpr const char *standard_names[] = {"pal", "ntsc", "ntsc_old", "paln"};

constexpr int palette_pepto = 0;
constexpr unsigned sprite_count = 40;
constexpr int png_top = 13, png_bottom = 285; // display rows of the PNG, png_bottom excluded

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
// colour. The editor shows x64sc's Pepto colours, so the PNG compares as it is. A program made for
// an unknown timing has the 312-line frames taken out of the viewer's table of standards; one
// made from the frame reads the PNG back as picture and sprites before it is built.
class ExportedProject {
  public:
    ExportedProject(Kind kind, bool flicker, bool unknown_timing = false, bool from_frame = false) {
        const bool mc = kind == Kind::mc;
        c64pixbufs_module_init();
        sprites_module_init();
        options_palette = palette_pepto;
        options_selection_method = 0;
        options_transition = flicker ? 1 : 0;
        options_reencode_graphics = mc ? TRUE : FALSE;
        const std::string picture = directory.path + (mc ? "/scene.koa" : "/scene.pet");
        const std::string sprites = directory.path + "/scene.spr";
        write_file(picture, mc ? koala_file() : petscii_file(kind == Kind::petscii_lower));
        write_file(sprites, sprite_file(mc ? 3 : 4));
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
        } else if (from_frame && !(open_picture(png.c_str(), TRUE) &&
                                   spritesdecoder_decode_sprites_file(
                                       png.c_str(), sprites_attribute_format_ignore, 1, nullptr))) {
            failure = "the PNG frame does not read back";
        } else if (!(mc ? export_mc_to_executable(prg.c_str())
                        : export_petscii_to_executable(prg.c_str()))) {
            failure = "no program written";
        } else {
            Bytes program = read_bytes(prg);
            if (unknown_timing) {
                forget_312_line_frames(mc, flicker, program);
            }
            write_file(
                prg, executable_make_self_starting(program, mc ? executable_start_address_mc
                                                               : executable_start_address_petscii));
            image.reset(gdk_pixbuf_new_from_file(png.c_str(), nullptr));
            const bool whole = image && gdk_pixbuf_get_width(image.get()) == display_width &&
                               gdk_pixbuf_get_height(image.get()) == png_bottom - png_top;
            failure = whole ? "" : "no PNG of 416 x 272";
        }
        // x64sc's Pepto palette file holds exactly the editor's Pepto colours.
        palette_get_pepto_rgb_at_index(picture_data.background_color, background.data());
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

    // The PNG's pixel at display (x, y).
    Rgb at(int x, int y) const { return pixel_rgb(image.get(), x, y - png_top); }

    const TempDir directory;
    const std::string png = directory.path + "/scene.png";
    const std::string prg = directory.path + "/scene.prg";
    std::string failure = "picture not loaded";
    Rgb background{};

  private:
    // Moves every known last raster line $137 to $138, which no VIC-II frame ends on.
    static void forget_312_line_frames(bool mc, bool flicker, Bytes &program) {
        constexpr int known_standards = 4; // PAL, old NTSC, NTSC, PAL-N
        constexpr std::uint8_t last_line_312 = 0x37;
        const ViewerTemplate &viewer =
            mc ? (flicker ? code_sidewell_mc_with_flicker : code_sidewell_mc)
               : (flicker ? code_sidewell_petscii_with_flicker : code_sidewell_petscii);
        for (int i = 0; i < known_standards; ++i) {
            std::uint8_t &last_line = program.at(2 + viewer.frame_last_lines + i);
            last_line += last_line == last_line_312 ? 1 : 0;
        }
    }

    PixbufPtr image;
};

constexpr int left_border_end = 48, right_border_x = 368, picture_top = 48;

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
        EXPECT_EQ(display_differences(screenshots[i], png_top, png_bottom,
                                      [&](int x, int y) { return project.at(x, y); }),
                  "")
            << "frame " << frames[i];
    }
}

std::vector<ExportCase> all_export_cases() {
    std::vector<ExportCase> cases;
    for (const Kind kind : {Kind::mc, Kind::petscii_upper, Kind::petscii_lower}) {
        for (const auto standard : {VideoStandard::pal, VideoStandard::ntsc,
                                    VideoStandard::ntsc_old, VideoStandard::paln}) {
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

// A PNG frame read back as picture and sprites is released as a program that shows that frame.
TEST(ImportedFrame, ShowsEveryPixelOfTheFrame) {
    SKIP_UNLESS_EMULATOR_READY();
    constexpr auto standard = VideoStandard::pal;
    const ExportedProject project(Kind::mc, false, false, true);
    ASSERT_EQ(project.failure, "");
    const auto screenshots = project.frames(standard, {emulator_steady_frame(standard)});
    EXPECT_EQ(display_differences(screenshots[0], png_top, png_bottom,
                                  [&](int x, int y) { return project.at(x, y); }),
              "");
}

// A machine whose timing the viewer does not know shows the picture with closed borders.
TEST(UnknownTiming, ShowsThePictureWithClosedBorders) {
    SKIP_UNLESS_EMULATOR_READY();
    constexpr auto standard = VideoStandard::pal;
    const ExportedProject project(Kind::mc, false, true);
    ASSERT_EQ(project.failure, "");
    const auto screenshots = project.frames(standard, {emulator_steady_frame(standard)});
    EXPECT_EQ(display_differences(screenshots[0], png_top, png_bottom,
                                  [&](int x, int y) {
                                      return in_side_border(x) ? project.background
                                                               : project.at(x, y);
                                  }),
              "");
}

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
    constexpr int last_row_top = 229, last_row_end = 248;

    // Both variants start the border routine in the same frame; find it in the plain one by
    // bisection.
    constexpr int before_start = 150;
    int before = before_start, first = emulator_steady_frame(standard);
    const auto routine_runs = [&](int frame) {
        return display_differences(plain.frames(standard, {frame})[0], last_row_top, last_row_end,
                                   expected(Shown::open))
            .empty();
    };
    ASSERT_TRUE(routine_runs(first));
    while (first - before > 1) {
        const int middle = (before + first) / 2;
        (routine_runs(middle) ? first : before) = middle;
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
        EXPECT_EQ(display_differences(shown[i], png_top, png_bottom, expected(steps[i].shown)), "")
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
