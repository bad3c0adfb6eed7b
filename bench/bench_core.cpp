// Decoding and rendering a full-screen picture: what Load picture, the file chooser's preview and
// a palette change cost.

#include "core/c64pixbufs.hpp"
#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/pixbufs.hpp"

#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct PictureFile {
    const char *name;
    std::uint16_t load_address;
    std::size_t size;
};

constexpr PictureFile petscii_file = {"petscii.pet", 0x1928, 2005};
constexpr PictureFile vidcom_file = {"vidcom.vid", 0x5800, 10050};
constexpr PictureFile koala_file = {"koala.koa", 0x6000, 10003};
constexpr PictureFile artist64_file = {"artist64.a64", 0x4000, 10242};
constexpr PictureFile art_studio_file = {"artstudio.mpic", 0x2000, 10018};
constexpr PictureFile blazing_paddles_file = {"blazing.blp", 0xA000, 10242};

// Busy pictures: every byte differs from its neighbours, so every cell uses all its colours.
std::vector<std::uint8_t> busy_bytes(std::size_t size, unsigned seed = 1) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 151 + (i >> 8) * 7 + seed);
    }
    return bytes;
}

// The generated files live in one temp dir for the whole run.
class BenchFiles {
  public:
    BenchFiles() : dir_(g_dir_make_tmp("sidewell-bench-XXXXXX", nullptr)) {}
    ~BenchFiles() {
        for (const std::string &path : written_) {
            g_unlink(path.c_str());
        }
        g_rmdir(dir_.get());
    }
    BenchFiles(const BenchFiles &) = delete;
    BenchFiles &operator=(const BenchFiles &) = delete;

    std::string write(const PictureFile &file) {
        std::vector<std::uint8_t> bytes = busy_bytes(file.size);
        bytes[0] = static_cast<std::uint8_t>(file.load_address);
        bytes[1] = static_cast<std::uint8_t>(file.load_address >> 8);
        const std::string path = std::string(dir_.get()) + "/" + file.name;
        g_file_set_contents(path.c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                            static_cast<gssize>(bytes.size()), nullptr);
        written_.push_back(path);
        return path;
    }

  private:
    GCharPtr dir_;
    std::vector<std::string> written_;
};

BenchFiles &bench_files() {
    static BenchFiles files;
    return files;
}

void decode_and_render(benchmark::State &state, const PictureFile &file) {
    c64pixbufs_module_init();
    const std::string path = bench_files().write(file);
    PictureData record{};
    for (auto _ : state) {
        GdkPixbuf *image = nullptr;
        GError *error = nullptr;
        if (!hiresdecoder_decode_hires_screen_file(path.c_str(), picture_format_none, &image,
                                                   &record, &error)) {
            state.SkipWithError(error->message);
            g_error_free(error);
            break;
        }
        const PixbufPtr owner(image);
        benchmark::DoNotOptimize(image);
    }
}

BENCHMARK_CAPTURE(decode_and_render, petscii, petscii_file)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_render, vidcom, vidcom_file)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_render, koala, koala_file)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_render, artist64, artist64_file)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_render, art_studio, art_studio_file)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_render, blazing_paddles, blazing_paddles_file)
    ->Unit(benchmark::kMicrosecond);

// Rendering alone, as after a palette change.
enum class Mode { multicolor, hires, petscii };

void render(benchmark::State &state, Mode mode) {
    c64pixbufs_module_init();
    const std::vector<std::uint8_t> bitmap = busy_bytes(picture_bitmap_size);
    const std::vector<std::uint8_t> screen = busy_bytes(picture_cell_count);
    const std::vector<std::uint8_t> colour = busy_bytes(picture_cell_count, 5);
    const std::uint8_t *bitmap_argument = mode == Mode::petscii ? nullptr : bitmap.data();
    const std::uint8_t *colour_argument = mode == Mode::hires ? nullptr : colour.data();
    for (auto _ : state) {
        const PixbufPtr image(pixbufs_new_from_hires_opaque(bitmap_argument, screen.data(),
                                                            colour_argument, 0x06, 40, 25));
        benchmark::DoNotOptimize(image.get());
    }
}

BENCHMARK_CAPTURE(render, multicolor, Mode::multicolor)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(render, hires, Mode::hires)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(render, petscii, Mode::petscii)->Unit(benchmark::kMicrosecond);

} // namespace
