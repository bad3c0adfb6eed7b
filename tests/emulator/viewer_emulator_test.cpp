// The four viewer templates run in x64sc: complete program files built from test data, made
// self-starting by the cruncher stand-in, judged by whole-frame screenshots against a display
// computed from the same data.

#include "emulator.hpp"
#include "expected_display.hpp"
#include "viewer_program.hpp"

#include "core/glib_ptr.hpp"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------------ test data

constexpr std::uint8_t picture_background = 6; // blue

// Digits 0-9 in a 3 x 5 font, one row per byte, bit 2 leftmost.
constexpr std::array<std::array<std::uint8_t, 5>, 10> digit_font = {{
    {7, 5, 5, 5, 7},
    {2, 6, 2, 2, 7},
    {7, 1, 7, 4, 7},
    {7, 1, 3, 1, 7},
    {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7},
    {7, 1, 1, 2, 2},
    {7, 5, 7, 5, 7},
    {7, 5, 7, 1, 7},
}};

void set_sprite_pixel(std::array<std::uint8_t, test_sprite_bytes> &bitmap, int x, int y) {
    bitmap[static_cast<std::size_t>(y * 3 + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
}

// Sprite i shows its number in 3 x 3 blocks, framed by a full top row and a patterned bottom
// row, so that every sprite differs and a lost or repeated line shows.
TestSprites make_sprites() {
    TestSprites sprites;
    for (unsigned i = 0; i < test_sprite_count; ++i) {
        auto &bitmap = sprites.bitmaps[i];
        bitmap[0] = bitmap[1] = bitmap[2] = 0xFF;
        bitmap[60] = 0xC3;
        bitmap[61] = 0x5A;
        bitmap[62] = static_cast<std::uint8_t>(0x80 | i);
        const unsigned digits[2] = {i / 10, i % 10};
        for (int d = 0; d < 2; ++d) {
            for (int row = 0; row < 5; ++row) {
                for (int column = 0; column < 3; ++column) {
                    if ((digit_font[digits[d]][static_cast<std::size_t>(row)] >> (2 - column)) &
                        1) {
                        for (int k = 0; k < 9; ++k) {
                            set_sprite_pixel(bitmap, 1 + d * 12 + column * 3 + k % 3,
                                             3 + row * 3 + k / 3);
                        }
                    }
                }
            }
        }
    }
    // Every colour but the background; each row takes the next four in turn. The rows that
    // keep the colours above them get colours of their own here, which must not show.
    constexpr std::array<std::uint8_t, 15> colours = {1,  2,  3,  4,  5,  7,  8, 9,
                                                      10, 11, 12, 13, 14, 15, 0};
    for (unsigned i = 0; i < test_sprite_count; ++i) {
        sprites.colours[i] = colours[(i * 3 + i / 4) % colours.size()];
    }
    sprites.multicolour = {true, false, true, false};
    sprites.multicolour0 = 2;
    sprites.multicolour1 = 13;
    return sprites;
}

// Every cell holds all four bit pairs in a pattern that moves with the cell, and its own
// pair of screen colours.
TestMcPicture make_mc_picture() {
    constexpr std::array<std::uint8_t, 4> patterns = {0x1B, 0xE4, 0x6C, 0x93};
    TestMcPicture picture;
    for (unsigned cell = 0; cell < 1000; ++cell) {
        for (unsigned row = 0; row < 8; ++row) {
            picture.bitmap[cell * 8 + row] = patterns[(row + cell) % patterns.size()];
        }
        picture.screen[cell] =
            static_cast<std::uint8_t>(((cell % 15 + 1) << 4) | ((cell / 40) % 15 + 1));
        picture.colour[cell] = static_cast<std::uint8_t>((cell * 7) % 16);
    }
    picture.background = picture_background;
    return picture;
}

// All 256 screen codes in turn, in changing colours.
TestPetsciiPicture make_petscii_picture(bool lower_case) {
    TestPetsciiPicture picture;
    for (unsigned cell = 0; cell < 1000; ++cell) {
        picture.screen[cell] = static_cast<std::uint8_t>(cell % 256);
        picture.colour[cell] = static_cast<std::uint8_t>(cell % 15 + (cell % 15 >= 6 ? 1 : 0));
    }
    picture.background = picture_background;
    picture.lower_case = lower_case;
    return picture;
}

std::vector<std::uint8_t> read_binary(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// ------------------------------------------------------------------ running

enum class Kind { mc, petscii_upper, petscii_lower };

const char *kind_name(Kind kind) {
    switch (kind) {
    case Kind::petscii_upper:
        return "petscii_upper_case";
    case Kind::petscii_lower:
        return "petscii_lower_case";
    case Kind::mc:
        break;
    }
    return "multicolour";
}

const char *standard_name(VideoStandard standard) {
    switch (standard) {
    case VideoStandard::ntsc:
        return "ntsc";
    case VideoStandard::paln:
        return "paln";
    case VideoStandard::pal:
        break;
    }
    return "pal";
}

struct TemporaryDirectory {
    std::string path;
    TemporaryDirectory()
        : path(GCharPtr(g_dir_make_tmp("sidewell-viewer-XXXXXX", nullptr)).get()) {}
    ~TemporaryDirectory() {
        const GCharPtr command(g_strdup_printf("rm -rf \"%s\"", path.c_str()));
        g_spawn_command_line_sync(command.get(), nullptr, nullptr, nullptr, nullptr);
    }
};

class ViewerRun {
  public:
    ViewerRun(Kind kind, bool flicker)
        : kind_(kind), sprites_(make_sprites()), mc_picture_(make_mc_picture()),
          petscii_picture_(make_petscii_picture(kind == Kind::petscii_lower)) {
        const bool petscii = kind != Kind::mc;
        const ViewerTemplate &viewer =
            petscii ? (flicker ? code_sidewell_petscii_with_flicker : code_sidewell_petscii)
                    : (flicker ? code_sidewell_mc_with_flicker : code_sidewell_mc);
        const auto file = petscii ? viewer_program_petscii(viewer, petscii_picture_, sprites_)
                                  : viewer_program_mc(viewer, mc_picture_, sprites_);
        program_ = directory_.path + "/viewer.prg";
        std::ofstream(program_, std::ios::binary)
            .write(reinterpret_cast<const char *>(file.data()),
                   static_cast<std::streamsize>(file.size()));
        crunch_status_ =
            crunch_in_place(program_, petscii ? petscii_program_start : mc_program_start);
    }

    int crunch_status() const { return crunch_status_; }

    Screenshot frame(VideoStandard standard, int frame) const {
        return run_emulator(program_, standard, frame, directory_.path);
    }

    std::vector<Screenshot> frames(VideoStandard standard, const std::vector<int> &frames) const {
        return run_emulator_frames(program_, standard, frames, directory_.path);
    }

    ExpectedDisplay expected(bool with_sprites) const {
        if (kind_ == Kind::mc) {
            return expected_display_mc(mc_picture_, sprites_, with_sprites);
        }
        return expected_display_petscii(petscii_picture_, sprites_,
                                        read_binary(shared_file("c64-roms/chargen-901225-01.bin")),
                                        with_sprites);
    }

  private:
    Kind kind_;
    TestSprites sprites_;
    TestMcPicture mc_picture_;
    TestPetsciiPicture petscii_picture_;
    TemporaryDirectory directory_;
    std::string program_;
    int crunch_status_ = -1;
};

// ------------------------------------------------------------------ judging

struct Region {
    std::string name;
    int x0, y0, x1, y1; // display pixels x0 <= x < x1, y0 <= y < y1
};

constexpr int sprite_area_top = 40;
constexpr int sprite_area_bottom = 250;
constexpr int left_border_end = 48;
constexpr int right_border_start = 368;

// Every region that could go wrong on its own: each sprite, both side borders of each line of
// the sprite area, the upper and lower borders and the picture.
std::vector<Region> regions_to_judge() {
    std::vector<Region> regions;
    for (unsigned i = 0; i < test_sprite_count; ++i) {
        const int x = sprite_display_x(i), y = sprite_display_y(i);
        regions.push_back({"sprite " + std::to_string(i), x, y, x + 24, y + 21});
    }
    for (int y = sprite_area_top; y < sprite_area_bottom; ++y) {
        const std::string line = std::to_string(y + 3);
        regions.push_back({"left border of raster line " + line, 0, y, left_border_end, y + 1});
        regions.push_back(
            {"right border of raster line " + line, right_border_start, y, display_width, y + 1});
    }
    regions.push_back({"upper border", 0, 0, display_width, 48});
    regions.push_back({"lower border", 0, 248, display_width, display_height});
    regions.push_back({"picture", 48, 48, 368, 248});
    return regions;
}

// One line per region that differs from the expected display, naming the first wrong pixel.
std::string differences(const Screenshot &screenshot, const ExpectedDisplay &expected,
                        const std::vector<Rgb> &palette) {
    constexpr int reported_regions = 8;
    std::ostringstream report;
    long compared = 0;
    int wrong_regions = 0;
    for (const Region &region : regions_to_judge()) {
        int wrong = 0, first_x = 0, first_y = 0;
        for (int y = region.y0; y < region.y1; ++y) {
            for (int x = region.x0; x < region.x1; ++x) {
                const auto pixel = display_pixel(screenshot, x, y);
                const auto colour =
                    expected.colours[static_cast<std::size_t>(y * display_width + x)];
                compared += pixel ? 1 : 0;
                if (pixel && *pixel != palette[colour]) {
                    if (wrong++ == 0) {
                        first_x = x;
                        first_y = y;
                    }
                }
            }
        }
        if (wrong > 0 && ++wrong_regions <= reported_regions) {
            report << region.name << ": " << wrong << " wrong pixels, first at display (" << first_x
                   << ", " << first_y << ")\n";
        }
    }
    if (wrong_regions > reported_regions) {
        report << "and " << wrong_regions - reported_regions << " more regions\n";
    }
    if (compared == 0) {
        report << "no pixel of the display in the screenshot\n";
    }
    return report.str();
}

// ------------------------------------------------------------------ the plain viewers

struct PlainCase {
    Kind kind;
    VideoStandard standard;
};

class PlainViewer : public testing::TestWithParam<PlainCase> {};

TEST_P(PlainViewer, ShowsPictureAndAllSpritesInOpenBordersFrameAfterFrame) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [kind, standard] = GetParam();
    const ViewerRun run(kind, false);
    ASSERT_EQ(run.crunch_status(), 0);
    const auto palette = emulator_pepto_palette();
    const ExpectedDisplay expected = run.expected(true);
    const std::vector<int> frames = {emulator_steady_frame(standard),
                                     emulator_steady_frame(standard) + 1};
    const auto screenshots = run.frames(standard, frames);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_GT(screenshots[i].width, 0)
            << "x64sc wrote no screenshot: " << screenshots[i].emulator_output;
        EXPECT_EQ(differences(screenshots[i], expected, palette), "") << "frame " << frames[i];
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
                             return std::string(kind_name(info.param.kind)) + "_" +
                                    standard_name(info.param.standard);
                         });

// ------------------------------------------------------------------ the flicker transition

// What a frame of the flicker variant shows: closed borders and no sprites; the first frame with
// the border routine after such frames, whose upper border stays closed down to line 50 (only
// the frame before could have opened it) and with it the left border of line 51, which the main
// border flip-flop enters still set; or the full picture.
enum class Shown { closed, opening, open };

constexpr int upper_border_rows = 48;
constexpr int left_border_width = 48;

ExpectedDisplay opening_display(const ExpectedDisplay &open, const ExpectedDisplay &closed) {
    ExpectedDisplay display = open;
    const auto closed_until = closed.colours.begin() + upper_border_rows * display_width;
    std::copy(closed.colours.begin(), closed_until + left_border_width, display.colours.begin());
    return display;
}

// Row 9 of the sprites, far from the upper border: shown in every frame with the routine.
bool last_row_shown(const Screenshot &screenshot, const ExpectedDisplay &open,
                    const std::vector<Rgb> &palette) {
    for (unsigned i = test_sprite_count - 4; i < test_sprite_count; ++i) {
        for (int y = sprite_display_y(i); y < sprite_display_y(i) + 21; ++y) {
            for (int x = sprite_display_x(i); x < sprite_display_x(i) + 24; ++x) {
                const auto pixel = display_pixel(screenshot, x, y);
                const auto colour = open.colours[static_cast<std::size_t>(y * display_width + x)];
                if (!pixel || *pixel != palette[colour]) {
                    return false;
                }
            }
        }
    }
    return true;
}

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
    bool whole_schedule;
};

class FlickerViewer : public testing::TestWithParam<FlickerCase> {};

TEST_P(FlickerViewer, FollowsTheScheduleThenShowsThePlainViewersFrames) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [kind, whole] = GetParam();
    constexpr auto standard = VideoStandard::pal;
    const ViewerRun plain(kind, false);
    const ViewerRun flicker(kind, true);
    ASSERT_EQ(plain.crunch_status(), 0);
    ASSERT_EQ(flicker.crunch_status(), 0);
    const auto palette = emulator_pepto_palette();
    const ExpectedDisplay open = plain.expected(true);
    const ExpectedDisplay closed = plain.expected(false);
    const ExpectedDisplay opening = opening_display(open, closed);

    // Both variants start the border routine in the same frame; find it in the plain one,
    // narrowing the range with two frames at a time.
    constexpr int before_start = 150;
    int before = before_start, first = emulator_steady_frame(standard);
    const Screenshot steady = plain.frame(standard, first);
    ASSERT_GT(steady.width, 0) << "x64sc wrote no screenshot: " << steady.emulator_output;
    ASSERT_TRUE(last_row_shown(steady, open, palette));
    while (first - before > 1) {
        constexpr int probes = 2;
        std::vector<int> frames;
        for (int k = 1; k <= probes; ++k) {
            frames.push_back(before + (first - before) * k / (probes + 1));
        }
        const auto screenshots = plain.frames(standard, frames);
        const int old_before = before, old_first = first;
        for (std::size_t k = 0; k < frames.size(); ++k) {
            if (frames[k] > old_before && frames[k] < old_first) {
                if (last_row_shown(screenshots[k], open, palette)) {
                    first = std::min(first, frames[k]);
                } else {
                    before = std::max(before, frames[k]);
                }
            }
        }
    }
    ASSERT_GT(first, before_start + 1) << "the border routine runs from the start of the search";

    const auto steps = whole ? std::span<const ScheduleStep>(whole_schedule)
                             : std::span<const ScheduleStep>(ends_of_schedule);
    std::vector<int> frames;
    for (const ScheduleStep &step : steps) {
        frames.push_back(first + step.frame);
    }
    const std::vector<int> later = {first + 50, first + 51};
    frames.insert(frames.end(), later.begin(), later.end());
    const auto shown = flicker.frames(standard, frames);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const ExpectedDisplay &expected = steps[i].shown == Shown::closed    ? closed
                                          : steps[i].shown == Shown::opening ? opening
                                                                             : open;
        EXPECT_EQ(differences(shown[i], expected, palette), "")
            << "frame " << steps[i].frame << " of the schedule";
    }
    const auto plain_later = plain.frames(standard, later);
    for (std::size_t i = 0; i < later.size(); ++i) {
        ASSERT_GT(plain_later[i].width, 0);
        EXPECT_TRUE(shown[steps.size() + i].pixels == plain_later[i].pixels)
            << later[i] - first << " frames after the start";
    }
}

INSTANTIATE_TEST_SUITE_P(BothPictureKinds, FlickerViewer,
                         testing::Values(FlickerCase{Kind::mc, true},
                                         FlickerCase{Kind::petscii_upper, false}),
                         [](const testing::TestParamInfo<FlickerCase> &info) {
                             return std::string(kind_name(info.param.kind));
                         });

} // namespace
