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
#include <sys/wait.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Project { multicolour, petscii };

constexpr int palette_pixcen = 2;
constexpr int palette_ccs64 = 3;

// Repeatable noise from a linear congruential generator.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state(seed) {}
    std::uint8_t next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state >> 24);
    }

  private:
    std::uint32_t state;
};

// Koala Painter at $6000 with noise for bitmap and colours, junk in the high nibbles of colour
// RAM and background: every cell has its own four colours for the re-encoder to reorder.
Bytes koala_file() {
    Noise noise(1);
    Bytes file(10003);
    file[1] = 0x60;
    for (std::size_t i = 2; i < file.size() - 1; ++i) {
        file[i] = noise.next();
    }
    file.back() = 0xE9;
    return file;
}

// PETSCII Vellum in the lower case set: every screen code, colours from noise.
Bytes petscii_file() {
    Noise noise(2);
    Bytes file(2005);
    file[0] = 40;
    file[1] = 25;
    file[2] = 14; // border
    file[3] = 0;  // background
    file[4] = 1;  // lower case
    for (std::size_t i = 0; i < 1000; ++i) {
        file[5 + i] = static_cast<std::uint8_t>(i * 7);
        file[1005 + i] = noise.next();
    }
    return file;
}

// Sprite Pad layout: the attribute byte after each bitmap holds the colour, and in the first
// slot the multicolour flag for the whole file.
Bytes sprite_file(unsigned count, std::uint32_t seed) {
    constexpr std::uint8_t multicolour_flag = 0x80;
    Noise noise(seed);
    Bytes file = {0x00, 0x20};
    for (unsigned i = 0; i < count; ++i) {
        for (unsigned k = 0; k < sprite_data_size; ++k) {
            file.push_back(k % 4 == 3 ? 0 : noise.next());
        }
        file.push_back(static_cast<std::uint8_t>(multicolour_flag | ((i * 5 + 1) % 16)));
    }
    return file;
}

struct Region {
    const char *name;
    int x0, y0, x1, y1; // display pixels x0 <= x < x1, y0 <= y < y1
};

// The side borders are open on 201 lines, the left one a line later than the right one.
constexpr Region compared_regions[] = {
    {"picture", 48, 48, 368, 248},
    {"left border band", 0, 48, 48, 249},
    {"right border band", 368, 47, 416, 248},
};
constexpr int png_top = 13; // display row of the PNG's first row

struct ExportCase {
    Project project;
    VideoStandard standard;
};

std::string case_name(const ExportCase &c) {
    return std::string(c.project == Project::multicolour ? "multicolour" : "petscii") +
           (c.standard == VideoStandard::pal ? "_pal" : "_ntsc");
}

void PrintTo(const ExportCase &c, std::ostream *os) {
    *os << case_name(c);
}

class ExportedProgram : public testing::TestWithParam<ExportCase> {
  protected:
    void SetUp() override {
        c64pixbufs_module_init();
        sprites_module_init();
        dir = GCharPtr(g_dir_make_tmp("sidewell-export-XXXXXX", nullptr)).get();
    }
    void TearDown() override {
        cleanup_before_quitting();
        g_free(utf8_path_and_filename_picture);
        utf8_path_and_filename_picture = nullptr;
        picture_loaded = 0;
        sprites_loaded = 0;
        const GCharPtr command(g_strdup_printf("rm -rf \"%s\"", dir.c_str()));
        g_spawn_command_line_sync(command.get(), nullptr, nullptr, nullptr, nullptr);
    }

    std::string write(const std::string &name, const Bytes &bytes) const {
        const std::string path = dir + "/" + name;
        g_file_set_contents(path.c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                            static_cast<gssize>(bytes.size()), nullptr);
        return path;
    }

    // Loads the project as the File menu does and sets its sprite colours as the colour pickers
    // do. The viewer takes the multicolour flags of sprites 0-3 for their whole column, so the
    // project keeps each column alike.
    void load(Project project) {
        const bool mc = project == Project::multicolour;
        const std::string picture =
            write(mc ? "scene.koa" : "scene.pet", mc ? koala_file() : petscii_file());
        ASSERT_TRUE(open_picture(picture.c_str(), TRUE));
        picture_loaded = 1;
        GError *error = nullptr;
        const std::string sprites = write("scene.prg", sprite_file(mc ? 40 : 37, mc ? 3 : 4));
        ASSERT_TRUE(spritesdecoder_decode_sprites_file(
            sprites.c_str(), sprites_attribute_format_sprite_pad, 1, &error))
            << GErrorPtr(error)->message;
        for (unsigned i = 0; i < sprites_get_array_size(); ++i) {
            sprites_set_multicolor_at_index(i, i % 4 == 1 ? 0 : 1);
        }
        sprites_set_multicolor0(mc ? 7 : 10);
        sprites_set_multicolor1(mc ? 15 : 3);
        sprites_loaded = 1;
    }

    // The exports of the File menu without their dialogs: PNG, program file, cruncher run.
    void export_project(Project project) {
        const bool mc = project == Project::multicolour;
        options_palette = mc ? palette_ccs64 : palette_pixcen;
        options_selection_method = 0;
        options_transition = 0;
        options_reencode_graphics = mc ? TRUE : FALSE;
        load(project);
        png = dir + "/scene.png";
        prg = dir + "/scene.prg";
        GError *error = nullptr;
        ASSERT_TRUE(export_screen_to_png(png.c_str(), &error)) << GErrorPtr(error)->message;
        ASSERT_TRUE(mc ? export_mc_to_executable(prg.c_str())
                       : export_petscii_to_executable(prg.c_str()));

        const std::string old_path = g_getenv("PATH") ? g_getenv("PATH") : "";
        g_setenv("PATH", (std::string(SIDEWELL_TOOLS_DIR) + ":" + old_path).c_str(), TRUE);
        gint status = -1;
        const gboolean started = export_crunch_executable(
            prg.c_str(), mc ? executable_start_address_mc : executable_start_address_petscii,
            &status, &error);
        g_setenv("PATH", old_path.c_str(), TRUE);
        ASSERT_TRUE(started) << GErrorPtr(error)->message;
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::string dir;
    std::string png;
    std::string prg;
};

// The editor's colours, which must all differ, to the emulator's.
std::map<Rgb, Rgb> palette_mapping() {
    const std::vector<Rgb> emulator = emulator_pepto_palette();
    std::map<Rgb, Rgb> mapping;
    for (int colour = 0; colour < palette_colour_count; ++colour) {
        Rgb editor{};
        palette_get_rgb_at_index(colour, editor.data());
        mapping[editor] = emulator[static_cast<std::size_t>(colour)];
    }
    return mapping;
}

TEST_P(ExportedProgram, ShowsWhatThePngShows) {
    SKIP_UNLESS_EMULATOR_READY();
    const auto [project, standard] = GetParam();
    export_project(project);
    if (HasFatalFailure()) {
        return;
    }
    const std::map<Rgb, Rgb> mapping = palette_mapping();
    ASSERT_EQ(mapping.size(), static_cast<std::size_t>(palette_colour_count));

    GError *error = nullptr;
    const PixbufPtr image(gdk_pixbuf_new_from_file(png.c_str(), &error));
    ASSERT_TRUE(image) << GErrorPtr(error)->message;
    const Screenshot screenshot = run_emulator(prg, standard, emulator_steady_frame(standard), dir);
    ASSERT_GT(screenshot.width, 0) << "x64sc wrote no screenshot: " << screenshot.emulator_output;

    const guchar *pixels = gdk_pixbuf_read_pixels(image.get());
    const int stride = gdk_pixbuf_get_rowstride(image.get());
    const int channels = gdk_pixbuf_get_n_channels(image.get());
    std::ostringstream report;
    for (const Region &region : compared_regions) {
        int wrong = 0, unmapped = 0, missing = 0;
        std::ostringstream first;
        for (int y = region.y0; y < region.y1; ++y) {
            for (int x = region.x0; x < region.x1; ++x) {
                const guchar *p = pixels + (y - png_top) * stride + x * channels;
                const auto mapped = mapping.find(Rgb{p[0], p[1], p[2]});
                const auto shown = display_pixel(screenshot, x, y);
                if (mapped == mapping.end()) {
                    ++unmapped;
                } else if (!shown) {
                    ++missing;
                } else if (*shown != mapped->second && wrong++ == 0) {
                    first << ", first at display (" << x << ", " << y << ")";
                }
            }
        }
        if (wrong + unmapped + missing > 0) {
            report << region.name << ": " << wrong << " wrong" << first.str() << "; " << unmapped
                   << " not in the palette; " << missing << " not in the screenshot\n";
        }
    }
    EXPECT_EQ(report.str(), "");
}

INSTANTIATE_TEST_SUITE_P(BothKindsBothStandards, ExportedProgram,
                         testing::Values(ExportCase{Project::multicolour, VideoStandard::pal},
                                         ExportCase{Project::multicolour, VideoStandard::ntsc},
                                         ExportCase{Project::petscii, VideoStandard::pal},
                                         ExportCase{Project::petscii, VideoStandard::ntsc}),
                         [](const testing::TestParamInfo<ExportCase> &info) {
                             return case_name(info.param);
                         });

} // namespace
