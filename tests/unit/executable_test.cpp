#include "core/executable.hpp"

#include "core/glib_ptr.hpp"
#include "core/reencode.hpp"
#include "core/sprites.hpp"
#include "core/viewer.hpp"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// File offsets of the two layouts, load-address bytes included.
struct Layout {
    std::size_t size;
    std::uint8_t load_low;
    std::uint8_t load_high;
    std::size_t viewer;
    std::optional<std::size_t> bitmap;
    std::size_t screen;
    std::size_t colour;
    std::size_t background;
    std::size_t sprites;
};

constexpr Layout mc_layout{19458, 0x00, 0x34, 2, 3074, 11074, 12074, 13074, 13314};
constexpr Layout petscii_layout{10754, 0x00, 0x20, 2, std::nullopt, 3074, 4074, 5074, 5122};

// What the test puts into the sprite store, so that the expected file is built from this
// description and not from the store.
struct SpriteSetup {
    unsigned count = 40;
    std::array<std::int32_t, 40> multicolor{};
    std::uint8_t multicolor0 = 4;
    std::uint8_t multicolor1 = 10;
};

std::uint8_t test_colour(unsigned i) {
    return static_cast<std::uint8_t>((i * 5 + 3) % 15 + 1);
}
std::uint8_t test_sprite_byte(unsigned i, unsigned j) {
    return static_cast<std::uint8_t>((i * 7 + j * 3) | 1);
}

void apply(const SpriteSetup &setup) {
    sprites_module_init();
    // Fill at least 40 records so that a shorter count must hide real data and colours.
    const unsigned filled = std::max(setup.count, 40u);
    ASSERT_EQ(sprites_set_array_size(filled), 1);
    for (unsigned i = 0; i < filled; ++i) {
        std::array<std::uint8_t, 63> data{};
        for (unsigned j = 0; j < data.size(); ++j) {
            data[j] = test_sprite_byte(i, j);
        }
        sprites_set_data_at_index(i, data.data());
        sprites_set_color_at_index(i, test_colour(i));
        sprites_set_multicolor_at_index(i, i < 40 ? setup.multicolor[i] : 0);
    }
    ASSERT_EQ(sprites_set_array_size(setup.count), 1);
    sprites_set_multicolor0(setup.multicolor0);
    sprites_set_multicolor1(setup.multicolor1);
}

std::unique_ptr<PictureData> random_picture(unsigned seed, int format) {
    std::mt19937 rng(seed);
    auto picture = std::make_unique<PictureData>();
    *picture = PictureData{};
    for (auto &b : picture->bitmap) {
        b = static_cast<std::uint8_t>(rng());
    }
    for (int i = 0; i < 1000; ++i) {
        picture->screen_ram[i] = static_cast<std::uint8_t>(rng());
        picture->color_ram[i] = static_cast<std::uint8_t>(rng());
    }
    picture->background_color = 0xF6;
    picture->format = format;
    picture->border_color = -1;
    return picture;
}

const ViewerTemplate &expected_template(bool petscii, int transition) {
    if (petscii) {
        return transition == 1 ? code_sidewell_petscii_with_flicker : code_sidewell_petscii;
    }
    return transition == 1 ? code_sidewell_mc_with_flicker : code_sidewell_mc;
}

// The program file built independently from the layout table and the setup.
Bytes expected_file(bool petscii, const PictureData &picture, const ViewerTemplate &viewer,
                    const SpriteSetup &setup) {
    const Layout &layout = petscii ? petscii_layout : mc_layout;
    Bytes file(layout.size, 0);
    file[0] = layout.load_low;
    file[1] = layout.load_high;

    Bytes code(viewer.code.begin(), viewer.code.end());
    code[viewer.patch_multicolor0] = setup.multicolor0;
    code[viewer.patch_multicolor1] = setup.multicolor1;
    for (unsigned i = 0; i < 40; ++i) {
        if (viewer.patch_sprite_color[i] != viewer_no_patch) {
            code[viewer.patch_sprite_color[i]] = i < setup.count ? test_colour(i) : 0;
        }
    }
    std::uint8_t mask = 0;
    for (unsigned i = 0; i < 4; ++i) {
        if (i < setup.count && setup.multicolor[i] == 1) {
            mask |= static_cast<std::uint8_t>(0x10 << i);
        }
    }
    code[viewer.patch_multicolor_mask] = mask;
    if (petscii && picture.charset != 0) {
        for (auto offset : viewer.patch_lowercase_14) {
            code[offset] = 0x16;
        }
        for (auto offset : viewer.patch_lowercase_24) {
            code[offset] = 0x26;
        }
        for (auto offset : viewer.patch_lowercase_f2) {
            code[offset] = 0xF0;
        }
    }
    std::copy(code.begin(), code.end(), file.begin() + layout.viewer);

    if (layout.bitmap) {
        std::copy(picture.bitmap, picture.bitmap + 8000, file.begin() + *layout.bitmap);
    }
    std::copy(picture.screen_ram, picture.screen_ram + 1000, file.begin() + layout.screen);
    std::copy(picture.color_ram, picture.color_ram + 1000, file.begin() + layout.colour);
    file[layout.background] = picture.background_color & 0x0F;
    for (unsigned i = 0; i < std::min(setup.count, 40u); ++i) {
        for (unsigned j = 0; j < 63; ++j) {
            file[layout.sprites + 64 * i + j] = test_sprite_byte(i, j);
        }
    }
    return file;
}

// Reports the first differing offset instead of two 19458-byte dumps.
::testing::AssertionResult same_bytes(const Bytes &actual, const Bytes &expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.size() << ", expected " << expected.size();
    }
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (a != actual.end()) {
        return ::testing::AssertionFailure() << "file offset " << (a - actual.begin()) << " holds "
                                             << int(*a) << ", expected " << int(*e);
    }
    return ::testing::AssertionSuccess();
}

struct BuildCase {
    std::string name;
    bool petscii;
    int transition;
    unsigned sprite_count;
    std::uint8_t charset;
};

class ExecutableBuild : public ::testing::TestWithParam<BuildCase> {};

TEST_P(ExecutableBuild, EveryByteAtItsAddress) {
    const BuildCase &c = GetParam();
    SpriteSetup setup;
    setup.count = c.sprite_count;
    setup.multicolor = {1, 0, 1, 1, 1, 1};
    setup.multicolor0 = 7;
    setup.multicolor1 = 11;
    apply(setup);
    auto picture = random_picture(5, c.petscii ? picture_format_petscii : picture_format_koala);
    picture->charset = c.charset;

    const Bytes file = c.petscii ? executable_build_petscii(*picture, c.transition)
                                 : executable_build_mc(*picture, c.transition, false);
    EXPECT_TRUE(same_bytes(file, expected_file(c.petscii, *picture,
                                               expected_template(c.petscii, c.transition), setup)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ExecutableBuild,
    ::testing::Values(BuildCase{"mc_no_transition", false, 0, 40, 0},
                      BuildCase{"mc_flicker", false, 1, 40, 0},
                      BuildCase{"mc_unknown_transition_is_none", false, 2, 40, 0},
                      BuildCase{"mc_negative_transition_is_none", false, -1, 40, 0},
                      BuildCase{"mc_twelve_sprites", false, 0, 12, 0},
                      BuildCase{"mc_sixty_sprites", false, 1, 60, 0},
                      BuildCase{"mc_no_sprites", false, 0, 0, 0},
                      BuildCase{"mc_ignores_charset", false, 0, 40, 1},
                      BuildCase{"petscii_no_transition", true, 0, 40, 0},
                      BuildCase{"petscii_flicker", true, 1, 40, 0},
                      BuildCase{"petscii_unknown_transition_is_none", true, 5, 40, 0},
                      BuildCase{"petscii_lower_case", true, 0, 40, 1},
                      BuildCase{"petscii_lower_case_flicker", true, 1, 40, 0xFF},
                      BuildCase{"petscii_twelve_sprites", true, 1, 12, 0}),
    [](const ::testing::TestParamInfo<BuildCase> &info) { return info.param.name; });

TEST(ExecutableBuild, FlickerAndPlainViewersDiffer) {
    // Otherwise the transition cases above could not tell the templates apart.
    EXPECT_NE(code_sidewell_mc.code, code_sidewell_mc_with_flicker.code);
    EXPECT_NE(code_sidewell_petscii.code, code_sidewell_petscii_with_flicker.code);
}

TEST(ExecutableBuild, TemplatesRunWhereLayoutsPutThem) {
    EXPECT_EQ(code_sidewell_mc.load_address, executable_start_address_mc);
    EXPECT_EQ(code_sidewell_mc_with_flicker.load_address, executable_start_address_mc);
    EXPECT_EQ(code_sidewell_petscii.load_address, executable_start_address_petscii);
    EXPECT_EQ(code_sidewell_petscii_with_flicker.load_address, executable_start_address_petscii);
}

TEST(ExecutableBuild, SizesAndLoadAddresses) {
    apply(SpriteSetup{});
    const auto picture = random_picture(1, picture_format_koala);
    const Bytes mc = executable_build_mc(*picture, 0, false);
    const Bytes petscii = executable_build_petscii(*picture, 0);
    ASSERT_EQ(mc.size(), executable_size_mc);
    ASSERT_EQ(mc.size(), 19458u);
    EXPECT_EQ(mc[0] | mc[1] << 8, 0x3400);
    EXPECT_EQ(mc[0] | mc[1] << 8, executable_start_address_mc);
    EXPECT_EQ(mc.back(), 0);
    ASSERT_EQ(petscii.size(), executable_size_petscii);
    ASSERT_EQ(petscii.size(), 10754u);
    EXPECT_EQ(petscii[0] | petscii[1] << 8, 0x2000);
    EXPECT_EQ(petscii[0] | petscii[1] << 8, executable_start_address_petscii);
    EXPECT_EQ(petscii.back(), 0);
    EXPECT_EQ(executable_start_address_mc, 13312);
    EXPECT_EQ(executable_start_address_petscii, 8192);
}

TEST(ExecutableBuild, TwelveSpritesLeaveZeroSlotsAndColours) {
    SpriteSetup setup;
    setup.count = 12;
    apply(setup);
    const auto picture = random_picture(2, picture_format_koala);
    const Bytes file = executable_build_mc(*picture, 0, false);
    for (unsigned i = 0; i < 40; ++i) {
        const auto slot = file.begin() + 13314 + 64 * i;
        const bool all_zero = std::all_of(slot, slot + 64, [](auto b) { return b == 0; });
        EXPECT_EQ(all_zero, i >= 12) << "slot " << i;
        EXPECT_EQ(slot[63], 0) << "slot " << i;
        const auto patch = code_sidewell_mc.patch_sprite_color[i];
        if (patch != viewer_no_patch) {
            EXPECT_EQ(file[2 + patch], i < 12 ? test_colour(i) : 0) << "colour of sprite " << i;
        }
    }
}

TEST(ExecutableBuild, LinkedColourPairsHaveNoPatchPoint) {
    for (const ViewerTemplate *viewer :
         {&code_sidewell_mc, &code_sidewell_mc_with_flicker, &code_sidewell_petscii,
          &code_sidewell_petscii_with_flicker}) {
        for (unsigned i = 0; i < 40; ++i) {
            const bool linked = (i >= 20 && i <= 23) || (i >= 32 && i <= 35);
            EXPECT_EQ(viewer->patch_sprite_color[i] == viewer_no_patch, linked) << "sprite " << i;
        }
    }
}

TEST(ExecutableBuild, BackgroundKeepsLowNibble) {
    apply(SpriteSetup{});
    const auto picture = random_picture(3, picture_format_koala);
    ASSERT_EQ(picture->background_color, 0xF6);
    EXPECT_EQ(executable_build_mc(*picture, 0, false)[13074], 0x06); // $6710
    EXPECT_EQ(executable_build_petscii(*picture, 0)[5074], 0x06);    // $33D0
}

struct MaskCase {
    std::string name;
    std::array<std::int32_t, 4> flags;
    std::uint8_t mask;
};

class ExecutableMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(ExecutableMask, FromFirstFourSprites) {
    SpriteSetup setup;
    std::copy(GetParam().flags.begin(), GetParam().flags.end(), setup.multicolor.begin());
    setup.multicolor[4] = 1; // later rows share the columns of sprites 0-3
    setup.multicolor[5] = 1;
    apply(setup);
    const auto picture = random_picture(4, picture_format_koala);
    EXPECT_EQ(executable_build_mc(*picture, 0, false)[2 + code_sidewell_mc.patch_multicolor_mask],
              GetParam().mask);
    EXPECT_EQ(executable_build_petscii(
                  *picture, 1)[2 + code_sidewell_petscii_with_flicker.patch_multicolor_mask],
              GetParam().mask);
}

INSTANTIATE_TEST_SUITE_P(Flags, ExecutableMask,
                         ::testing::Values(MaskCase{"none", {0, 0, 0, 0}, 0x00},
                                           MaskCase{"sprites_0_2_3", {1, 0, 1, 1}, 0xD0},
                                           MaskCase{"all", {1, 1, 1, 1}, 0xF0},
                                           MaskCase{"sprite_1", {0, 1, 0, 0}, 0x20},
                                           MaskCase{"only_one_counts_as_set", {2, -1, 1, 0}, 0x40}),
                         [](const ::testing::TestParamInfo<MaskCase> &info) {
                             return info.param.name;
                         });

class ExecutableLowerCase : public ::testing::TestWithParam<int> {};

TEST_P(ExecutableLowerCase, PatchesEveryCharacterSetSelection) {
    apply(SpriteSetup{});
    const ViewerTemplate &viewer = expected_template(true, GetParam());
    auto picture = random_picture(6, picture_format_petscii);
    for (auto offset : viewer.patch_lowercase_14) {
        ASSERT_EQ(viewer.code[offset], 0x14) << "template offset " << offset;
    }
    for (auto offset : viewer.patch_lowercase_24) {
        ASSERT_EQ(viewer.code[offset], 0x24) << "template offset " << offset;
    }
    for (auto offset : viewer.patch_lowercase_f2) {
        ASSERT_EQ(viewer.code[offset], 0xF2) << "template offset " << offset;
    }

    picture->charset = 0;
    const Bytes upper = executable_build_petscii(*picture, GetParam());
    picture->charset = 1;
    const Bytes lower = executable_build_petscii(*picture, GetParam());
    for (auto offset : viewer.patch_lowercase_14) {
        EXPECT_EQ(upper[2 + offset], 0x14);
        EXPECT_EQ(lower[2 + offset], 0x16);
    }
    for (auto offset : viewer.patch_lowercase_24) {
        EXPECT_EQ(upper[2 + offset], 0x24);
        EXPECT_EQ(lower[2 + offset], 0x26);
    }
    for (auto offset : viewer.patch_lowercase_f2) {
        EXPECT_EQ(upper[2 + offset], 0xF2);
        EXPECT_EQ(lower[2 + offset], 0xF0);
    }
    // Fourteen bytes and nothing else.
    const auto differing = std::inner_product(upper.begin(), upper.end(), lower.begin(), 0,
                                              std::plus<>(), std::not_equal_to<>());
    EXPECT_EQ(differing, 14);
}

INSTANTIATE_TEST_SUITE_P(Transitions, ExecutableLowerCase, ::testing::Values(0, 1));

TEST(ExecutableBuild, ReencodeFlagUsesReencodedCopy) {
    apply(SpriteSetup{});
    const auto picture = random_picture(8, picture_format_vidcom);
    const auto before = std::make_unique<PictureData>(*picture);
    auto reencoded = std::make_unique<PictureData>();
    reencode_process_picture_mc(picture.get(), reencoded.get());
    ASSERT_FALSE(std::equal(picture->bitmap, picture->bitmap + 8000, reencoded->bitmap));

    const Bytes plain = executable_build_mc(*picture, 0, false);
    const Bytes packed = executable_build_mc(*picture, 0, true);
    EXPECT_TRUE(same_bytes(plain, expected_file(false, *picture, code_sidewell_mc, SpriteSetup{})));
    EXPECT_TRUE(
        same_bytes(packed, expected_file(false, *reencoded, code_sidewell_mc, SpriteSetup{})));
    EXPECT_TRUE(std::equal(picture->bitmap, picture->bitmap + 8000, before->bitmap));
    EXPECT_TRUE(std::equal(picture->screen_ram, picture->screen_ram + 1000, before->screen_ram));
    EXPECT_TRUE(std::equal(picture->color_ram, picture->color_ram + 1000, before->color_ram));
    EXPECT_EQ(picture->background_color, before->background_color);
}

struct FormatCase {
    int format;
    std::size_t size;
    int start_address;
};

class ExecutableByFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ExecutableByFormat, PicksLayoutOrNothing) {
    apply(SpriteSetup{});
    const auto picture = random_picture(10, GetParam().format);
    const ExecutableProgram program = executable_build(*picture, 0, true);
    EXPECT_EQ(program.bytes.size(), GetParam().size);
    EXPECT_EQ(program.start_address, GetParam().start_address);
    if (GetParam().size == mc_layout.size) {
        EXPECT_EQ(program.bytes, executable_build_mc(*picture, 0, true));
    } else if (GetParam().size == petscii_layout.size) {
        EXPECT_EQ(program.bytes, executable_build_petscii(*picture, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ExecutableByFormat,
                         ::testing::Values(FormatCase{0, 0, 0}, FormatCase{1, 10754, 8192},
                                           FormatCase{2, 0, 0}, FormatCase{5, 0, 0},
                                           FormatCase{6, 19458, 13312}, FormatCase{7, 19458, 13312},
                                           FormatCase{10, 19458, 13312}, FormatCase{11, 0, 0},
                                           FormatCase{-1, 0, 0}));

// The linker on a small image $1000-$10FF with one block at $1010-$101F already placed.
struct PlaceCase {
    std::string name;
    unsigned address;
    std::size_t length;
    bool accepted;
};

class ExecutableLinkerPlace : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(ExecutableLinkerPlace, RefusesOverlapAndOutside) {
    ExecutableLinker linker = executable_linker_new(0x1000, 0x1100);
    ASSERT_EQ(linker.file.size(), 0x102u);
    EXPECT_EQ(linker.file[0], 0x00);
    EXPECT_EQ(linker.file[1], 0x10);
    const Bytes first(16, 0xAA);
    ASSERT_TRUE(executable_linker_place(&linker, 0x1010, first, nullptr));
    const Bytes before = linker.file;

    const Bytes block(GetParam().length, 0x55);
    GError *raw_error = nullptr;
    const gboolean ok = executable_linker_place(&linker, GetParam().address, block, &raw_error);
    const GErrorPtr error(raw_error);
    ASSERT_EQ(ok != FALSE, GetParam().accepted);
    if (GetParam().accepted) {
        EXPECT_EQ(error.get(), nullptr);
        const std::size_t offset = GetParam().address - 0x1000 + 2;
        Bytes expected = before;
        std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(offset), block.size(), 0x55);
        EXPECT_EQ(linker.file, expected);
    } else {
        ASSERT_NE(error.get(), nullptr);
        EXPECT_TRUE(g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_FAILED));
        EXPECT_EQ(linker.file, before);
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, ExecutableLinkerPlace,
                         ::testing::Values(PlaceCase{"adjacent_below", 0x1000, 16, true},
                                           PlaceCase{"adjacent_above", 0x1020, 4, true},
                                           PlaceCase{"last_byte", 0x10FF, 1, true},
                                           PlaceCase{"overlaps_first_byte", 0x100F, 2, false},
                                           PlaceCase{"overlaps_last_byte", 0x101F, 1, false},
                                           PlaceCase{"inside", 0x1014, 2, false},
                                           PlaceCase{"around", 0x100C, 32, false},
                                           PlaceCase{"below_load_address", 0x0FFF, 2, false},
                                           PlaceCase{"past_end", 0x10FF, 2, false}),
                         [](const ::testing::TestParamInfo<PlaceCase> &info) {
                             return info.param.name;
                         });

TEST(ExecutableLinker, FileOffsetFollowsLoadAddress) {
    EXPECT_EQ(executable_file_offset(0x3400, 0x4000), 3074u);
    EXPECT_EQ(executable_file_offset(0x3400, 0x7FFF), 19457u);
    EXPECT_EQ(executable_file_offset(0x2000, 0x3400), 5122u);
}

class ExecutableWrite : public ::testing::Test {
  protected:
    void SetUp() override {
        GError *error = nullptr;
        dir_.reset(g_dir_make_tmp("sidewell-export-XXXXXX", &error));
        ASSERT_NE(dir_.get(), nullptr) << error->message;
    }
    void TearDown() override {
        for (const auto &path : created_) {
            g_remove(path.c_str());
        }
        g_rmdir(dir_.get());
    }
    std::string path(const char *name) {
        const GCharPtr full(g_build_filename(dir_.get(), name, nullptr));
        created_.emplace_back(full.get());
        return full.get();
    }
    static Bytes read(const std::string &path) {
        gchar *contents = nullptr;
        gsize length = 0;
        if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) {
            return {};
        }
        const GCharPtr owner(contents);
        return Bytes(contents, contents + length);
    }

    GCharPtr dir_;
    std::vector<std::string> created_;
};

TEST_F(ExecutableWrite, WritesAndReplacesInOnePiece) {
    const std::string target = path("Bild über $HOME; 'x'.prg");
    const Bytes longer(5000, 0x77);
    ASSERT_TRUE(executable_write_file(target.c_str(), longer, nullptr));
    ASSERT_EQ(read(target), longer);

    apply(SpriteSetup{});
    const Bytes program = executable_build_petscii(*random_picture(9, picture_format_petscii), 0);
    GError *raw_error = nullptr;
    EXPECT_TRUE(executable_write_file(target.c_str(), program, &raw_error));
    const GErrorPtr error(raw_error);
    EXPECT_EQ(error.get(), nullptr);
    EXPECT_EQ(read(target), program);
}

TEST_F(ExecutableWrite, MissingFolderIsReported) {
    const std::string target = path("missing") + "/out.prg";
    GError *raw_error = nullptr;
    EXPECT_FALSE(executable_write_file(target.c_str(), Bytes(10, 1), &raw_error));
    const GErrorPtr error(raw_error);
    ASSERT_NE(error.get(), nullptr);
    EXPECT_EQ(error->domain, G_FILE_ERROR);
    EXPECT_FALSE(g_file_test(target.c_str(), G_FILE_TEST_EXISTS));
}

struct CommandCase {
    std::string name;
    int start_address;
    std::string path;
};

class ExecutableCruncher : public ::testing::TestWithParam<CommandCase> {};

// The spawn splits the command line with the shell rules; every name must come back whole.
TEST_P(ExecutableCruncher, PathSurvivesShellParsing) {
    const CommandCase &c = GetParam();
    const GCharPtr line(executable_cruncher_command_line(c.start_address, c.path.c_str()));
    gint argc = 0;
    gchar **argv = nullptr;
    GError *raw_error = nullptr;
    ASSERT_TRUE(g_shell_parse_argv(line.get(), &argc, &argv, &raw_error)) << raw_error->message;
    std::vector<std::string> parsed(argv, argv + argc);
    g_strfreev(argv);
    const std::vector<std::string> expected{
        "exomizer", "sfx", std::to_string(c.start_address), c.path, "-o", c.path, "-n"};
    EXPECT_EQ(parsed, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ExecutableCruncher,
    ::testing::Values(CommandCase{"plain", 13312, "/home/artist/out.prg"},
                      CommandCase{"petscii_start", 8192, "welcome.prg"},
                      CommandCase{"spaces", 13312, "/home/artist/my pictures/sun set.prg"},
                      CommandCase{"double_quotes", 13312, "say \"hi\".prg"},
                      CommandCase{"single_quotes", 13312, "it's Bob's.prg"},
                      CommandCase{"dollar", 13312, "$HOME ${PATH}.prg"},
                      CommandCase{"semicolon", 8192, "a; rm -rf x.prg"},
                      CommandCase{"backticks", 13312, "`id` $(id).prg"},
                      CommandCase{"backslash", 13312, "back\\slash\\.prg"},
                      CommandCase{"non_ascii", 13312, "/tmp/Bildschirmfoto über 🌅.prg"},
                      CommandCase{"glob_and_redirect", 13312, "*?[x] > y | z & .prg"},
                      CommandCase{"newline_and_tab", 13312, "two\nlines\tand tab.prg"},
                      CommandCase{"leading_dash", 13312, "-o.prg"}),
    [](const ::testing::TestParamInfo<CommandCase> &info) { return info.param.name; });

} // namespace
