// End to end: a multicolour and a PETSCII project, loaded and exported by the editor's own code
// as a PNG screenshot and as a crunched program. The program runs in x64sc on PAL and NTSC, and
// its screen must equal the PNG pixel for pixel, once the editor's palette is mapped onto the
// emulator's, in the picture and in both side-border bands.

#include "emulator.hpp"

#include "core/c64pixbufs.hpp"
#include "core/executable.hpp"
#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "gui/app.hpp"
#include "gui/exports.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

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

// The project is loaded as the File menu does, its sprite colours set as the colour pickers do
// (the viewer takes the multicolour flags of sprites 0-3 for their whole column, so the project
// keeps each column alike), and exported as the File menu does without its dialogs.
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
