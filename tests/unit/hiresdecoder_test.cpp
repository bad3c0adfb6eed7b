#include "core/hiresdecoder.hpp"

#include "core/c64pixbufs.hpp"
#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "picture_test_support.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using picture_test::pepto;
using picture_test::PrintTo;
using picture_test::rgb_at;
using picture_test::TempDir;

constexpr int none = -1;

// The file layouts as the paint programs wrote them; offsets count the two load address bytes.
struct Format {
    int id;
    std::uint16_t load;
    std::size_t size;
    int bitmap;
    int screen;
    int colour;
    int background;
    int border;
    int charset;
};

constexpr Format petscii = {1, 0x1928, 2005, none, 5, 1005, 3, 2, 4};
constexpr Format vidcom = {6, 0x5800, 10050, 2050, 1026, 2, 2026, none, none};
constexpr Format koala = {7, 0x6000, 10003, 2, 8002, 9002, 10002, none, none};
constexpr Format artist64 = {8, 0x4000, 10242, 2, 8194, 9218, 10241, none, none};
constexpr Format art_studio = {9, 0x2000, 10018, 2, 8002, 9018, 9003, 9002, none};
constexpr Format blazing_paddles = {10, 0xA000, 10242, 2, 8194, 9218, 8066, none, none};

// A C64 program file whose every byte after the load address differs from its neighbours, so a
// part read from the wrong offset shows.
std::vector<std::uint8_t> program_file(std::uint16_t load, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 151 + (i >> 8) * 7 + 1);
    }
    if (size > 0) {
        bytes[0] = static_cast<std::uint8_t>(load);
    }
    if (size > 1) {
        bytes[1] = static_cast<std::uint8_t>(load >> 8);
    }
    return bytes;
}

constexpr std::uint8_t sentinel = 0xAA;

PictureData sentinel_record() {
    PictureData record;
    std::memset(&record, sentinel, sizeof record);
    record.border_color = -1;
    record.format = picture_format_none;
    return record;
}

bool same_record(const PictureData &a, const PictureData &b) {
    return std::memcmp(a.bitmap, b.bitmap, sizeof a.bitmap) == 0 &&
           std::memcmp(a.screen_ram, b.screen_ram, sizeof a.screen_ram) == 0 &&
           std::memcmp(a.color_ram, b.color_ram, sizeof a.color_ram) == 0 &&
           a.background_color == b.background_color && a.charset == b.charset &&
           a.border_color == b.border_color && a.format == b.format;
}

struct Decoded {
    bool ok = false;
    PixbufPtr image;
    std::optional<std::string> message;
    GQuark domain = 0;
    int code = 0;
};

Decoded decode(const std::string &path, int format, PictureData *record) {
    GdkPixbuf *image = nullptr;
    GError *raw_error = nullptr;
    Decoded result;
    result.ok =
        hiresdecoder_decode_hires_screen_file(path.c_str(), format, &image, record, &raw_error);
    result.image.reset(image);
    if (raw_error != nullptr) {
        const GErrorPtr error(raw_error);
        result.message = error->message;
        result.domain = error->domain;
        result.code = error->code;
    }
    return result;
}

void expect_failure(const Decoded &result, const std::string &message) {
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.image);
    ASSERT_TRUE(result.message.has_value());
    EXPECT_EQ(*result.message, message);
    EXPECT_EQ(result.domain, G_FILE_ERROR);
    EXPECT_EQ(result.code, G_FILE_ERROR_FAILED);
}

void expect_picture(const Decoded &result) {
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.message.has_value()) << result.message.value_or("");
    ASSERT_TRUE(result.image);
    EXPECT_EQ(gdk_pixbuf_get_width(result.image.get()), 320);
    EXPECT_EQ(gdk_pixbuf_get_height(result.image.get()), 200);
}

class DecoderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { c64pixbufs_module_init(); }
    void SetUp() override {
        saved_palette_ = options_palette;
        options_palette = 0;
        c64pixbuf_set_case(1);
    }
    void TearDown() override {
        options_palette = saved_palette_;
        c64pixbuf_set_case(1);
    }

    std::string write(const std::vector<std::uint8_t> &bytes, const std::string &name = "picture") {
        return dir_.write(name, bytes);
    }

    TempDir dir_;

  private:
    int saved_palette_ = 0;
};

constexpr const char *unknown_format = "Unknown picture format";

struct DetectionCase {
    const char *name;
    std::uint16_t load;
    std::size_t size;
    int format; // 0: rejected
};

class DetectionTest : public DecoderTest, public ::testing::WithParamInterface<DetectionCase> {};

TEST_P(DetectionTest, recognises_the_format_by_load_address_and_size) {
    const std::string path = write(program_file(GetParam().load, GetParam().size));
    PictureData record = sentinel_record();
    const Decoded result = decode(path, picture_format_none, &record);
    if (GetParam().format == picture_format_none) {
        expect_failure(result, unknown_format);
        EXPECT_EQ(record.format, picture_format_none);
    } else {
        expect_picture(result);
        EXPECT_EQ(record.format, GetParam().format);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DetectionTest,
    ::testing::Values(DetectionCase{"petscii", 0x1928, 2005, 1},
                      DetectionCase{"petscii_one_byte_too_long", 0x1928, 2006, 0},
                      DetectionCase{"petscii_truncated", 0x1928, 2004, 0},
                      DetectionCase{"vidcom", 0x5800, 10050, 6},
                      DetectionCase{"vidcom_one_byte_too_long", 0x5800, 10051, 0},
                      DetectionCase{"vidcom_truncated", 0x5800, 10049, 0},
                      DetectionCase{"koala_at_6000", 0x6000, 10003, 7},
                      DetectionCase{"koala_at_2000", 0x2000, 10003, 7},
                      DetectionCase{"koala_at_4000", 0x4000, 10003, 7},
                      DetectionCase{"koala_truncated", 0x6000, 10002, 0},
                      DetectionCase{"koala_one_byte_too_long", 0x6000, 10004, 0},
                      DetectionCase{"koala_size_at_a000_rejected", 0xA000, 10003, 0},
                      DetectionCase{"koala_size_at_e000_rejected", 0xE000, 10003, 0},
                      DetectionCase{"artist64", 0x4000, 10242, 8},
                      DetectionCase{"artist64_one_byte_too_long", 0x4000, 10243, 0},
                      DetectionCase{"artist64_truncated", 0x4000, 10241, 0},
                      DetectionCase{"art_studio", 0x2000, 10018, 9},
                      DetectionCase{"art_studio_at_6000_rejected", 0x6000, 10018, 0},
                      DetectionCase{"art_studio_at_4000_rejected", 0x4000, 10018, 0},
                      DetectionCase{"art_studio_truncated", 0x2000, 10017, 0},
                      DetectionCase{"artist64_size_at_2000_rejected", 0x2000, 10242, 0},
                      DetectionCase{"blazing_paddles", 0xA000, 10242, 10},
                      DetectionCase{"blazing_paddles_truncated", 0xA000, 10241, 0},
                      DetectionCase{"blazing_paddles_one_byte_too_long", 0xA000, 10243, 0},
                      DetectionCase{"basic_start_address_rejected", 0x0801, 10003, 0},
                      DetectionCase{"load_address_only", 0x6000, 2, 0}),
    [](const auto &info) { return std::string(info.param.name); });

struct TinyCase {
    const char *name;
    std::size_t size;
    int format;
};

class TinyFileTest : public DecoderTest, public ::testing::WithParamInterface<TinyCase> {};

TEST_P(TinyFileTest, is_an_unknown_format_whatever_is_forced) {
    const std::string path = write(std::vector<std::uint8_t>(GetParam().size, 0x28));
    PictureData record = sentinel_record();
    const PictureData before = record;
    expect_failure(decode(path, GetParam().format, &record), unknown_format);
    EXPECT_TRUE(same_record(record, before));
}

INSTANTIATE_TEST_SUITE_P(Files, TinyFileTest,
                         ::testing::Values(TinyCase{"empty_detect", 0, 0},
                                           TinyCase{"empty_forced_koala", 0, 7},
                                           TinyCase{"one_byte_detect", 1, 0},
                                           TinyCase{"one_byte_forced_petscii", 1, 1},
                                           TinyCase{"one_byte_forced_koala", 1, 7},
                                           TinyCase{"one_byte_forced_hires", 1, 3}),
                         [](const auto &info) { return std::string(info.param.name); });

struct ForcedCase {
    const char *name;
    int format;
    std::uint16_t load;
    std::size_t size;
    const char *message; // null: decodes
};

class ForcedFormatTest : public DecoderTest, public ::testing::WithParamInterface<ForcedCase> {};

TEST_P(ForcedFormatTest, checks_load_address_then_size) {
    const std::string path = write(program_file(GetParam().load, GetParam().size));
    PictureData record = sentinel_record();
    const PictureData before = record;
    const Decoded result = decode(path, GetParam().format, &record);
    if (GetParam().message == nullptr) {
        expect_picture(result);
        EXPECT_EQ(record.format, GetParam().format);
    } else {
        expect_failure(result, GetParam().message);
        EXPECT_TRUE(same_record(record, before));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ForcedFormatTest,
    ::testing::Values(ForcedCase{"petscii", 1, 0x1928, 2005, nullptr},
                      ForcedCase{"petscii_one_byte_too_long", 1, 0x1928, 2006,
                                 "Wrong file size\nExpected: 2005\nActual: 2006"},
                      ForcedCase{"petscii_wrong_header", 1, 0x2000, 2005,
                                 "Wrong load address\nExpected: $1928\nActual: $2000"},
                      ForcedCase{"vidcom", 6, 0x5800, 10050, nullptr},
                      ForcedCase{"vidcom_wrong_load_address", 6, 0x6000, 10050,
                                 "Wrong load address\nExpected: $5800\nActual: $6000"},
                      ForcedCase{"koala_at_6000", 7, 0x6000, 10003, nullptr},
                      ForcedCase{"koala_at_2000", 7, 0x2000, 10003, nullptr},
                      ForcedCase{"koala_at_4000", 7, 0x4000, 10003, nullptr},
                      ForcedCase{"koala_at_a000", 7, 0xA000, 10003,
                                 "Wrong load address\nExpected: $6000\nActual: $A000"},
                      ForcedCase{"koala_truncated", 7, 0x6000, 10002,
                                 "Wrong file size\nExpected: 10003\nActual: 10002"},
                      ForcedCase{"koala_one_byte_too_long", 7, 0x6000, 10004,
                                 "Wrong file size\nExpected: 10003\nActual: 10004"},
                      ForcedCase{"artist64", 8, 0x4000, 10242, nullptr},
                      ForcedCase{"artist64_on_a_koala_file", 8, 0x4000, 10003,
                                 "Wrong file size\nExpected: 10242\nActual: 10003"},
                      ForcedCase{"artist64_wrong_load_address", 8, 0x6000, 10242,
                                 "Wrong load address\nExpected: $4000\nActual: $6000"},
                      ForcedCase{"art_studio", 9, 0x2000, 10018, nullptr},
                      ForcedCase{"art_studio_at_6000", 9, 0x6000, 10018,
                                 "Wrong load address\nExpected: $2000\nActual: $6000"},
                      ForcedCase{"load_address_is_checked_before_size", 9, 0x0801, 5,
                                 "Wrong load address\nExpected: $2000\nActual: $0801"},
                      ForcedCase{"blazing_paddles", 10, 0xA000, 10242, nullptr},
                      ForcedCase{"blazing_paddles_on_an_artist64_file", 10, 0x4000, 10242,
                                 "Wrong load address\nExpected: $A000\nActual: $4000"},
                      ForcedCase{"blazing_paddles_truncated", 10, 0xA000, 2,
                                 "Wrong file size\nExpected: 10242\nActual: 2"},
                      ForcedCase{"hires_class_2", 2, 0x6000, 10003, unknown_format},
                      ForcedCase{"hires_class_3", 3, 0x6000, 10003, unknown_format},
                      ForcedCase{"hires_class_5", 5, 0x6000, 10003, unknown_format},
                      ForcedCase{"beyond_the_last_format", 11, 0xA000, 10242, unknown_format},
                      ForcedCase{"negative", -1, 0x6000, 10003, unknown_format}),
    [](const auto &info) { return std::string(info.param.name); });

struct LayoutCase {
    const char *name;
    Format format;
};

class LayoutTest : public DecoderTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutTest, copies_exactly_the_parts_the_format_carries) {
    const Format &format = GetParam().format;
    const std::vector<std::uint8_t> bytes = program_file(format.load, format.size);
    PictureData record = sentinel_record();
    expect_picture(decode(write(bytes), picture_format_none, &record));

    EXPECT_EQ(record.format, format.id);
    if (format.bitmap == none) {
        EXPECT_EQ(std::vector<std::uint8_t>(std::begin(record.bitmap), std::end(record.bitmap)),
                  std::vector<std::uint8_t>(picture_bitmap_size, sentinel));
    } else {
        EXPECT_EQ(0, std::memcmp(record.bitmap, &bytes[format.bitmap], picture_bitmap_size));
    }
    EXPECT_EQ(0, std::memcmp(record.screen_ram, &bytes[format.screen], picture_cell_count));
    EXPECT_EQ(0, std::memcmp(record.color_ram, &bytes[format.colour], picture_cell_count));
    EXPECT_EQ(record.background_color, bytes[format.background]);
    EXPECT_EQ(record.border_color, format.border == none ? -1 : bytes[format.border]);
    EXPECT_EQ(record.charset, format.charset == none ? sentinel : bytes[format.charset]);
}

// Bitmap cell 0 row 0 holds pairs 00 01 10 11; screen byte 0x25, colour byte 0xF7 and
// background 0x1B give them colours 11, 2, 5 and 7.
class MulticolorLayoutTest : public LayoutTest {};

TEST_P(MulticolorLayoutTest, renders_from_the_files_own_bytes) {
    const Format &format = GetParam().format;
    std::vector<std::uint8_t> bytes = program_file(format.load, format.size);
    bytes[format.bitmap] = 0b00'01'10'11;
    bytes[format.screen] = 0x25;
    bytes[format.colour] = 0xF7;
    bytes[format.background] = 0x1B;
    const Decoded result = decode(write(bytes), picture_format_none, nullptr);
    expect_picture(result);
    ASSERT_TRUE(result.image);
    const std::array<int, 4> expected = {11, 2, 5, 7};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(rgb_at(result.image.get(), x, 0), pepto[expected[x / 2]]) << "x " << x;
    }
}

const auto multicolor_formats = ::testing::Values(
    LayoutCase{"vidcom", vidcom}, LayoutCase{"koala", koala}, LayoutCase{"artist64", artist64},
    LayoutCase{"art_studio", art_studio}, LayoutCase{"blazing_paddles", blazing_paddles});

INSTANTIATE_TEST_SUITE_P(Petscii, LayoutTest, ::testing::Values(LayoutCase{"petscii", petscii}),
                         [](const auto &info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Multicolor, LayoutTest, multicolor_formats,
                         [](const auto &info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Multicolor, MulticolorLayoutTest, multicolor_formats,
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(DecoderTest, koala_keeps_a_border_of_minus_1_and_art_studio_sets_its_own) {
    PictureData record = sentinel_record();
    expect_picture(
        decode(write(program_file(koala.load, koala.size), "a.koa"), picture_format_none, &record));
    EXPECT_EQ(record.border_color, -1);

    std::vector<std::uint8_t> studio = program_file(art_studio.load, art_studio.size);
    studio[9002] = 0xFE;
    expect_picture(decode(write(studio, "b.mpic"), picture_format_none, &record));
    EXPECT_EQ(record.border_color, 0xFE);
}

// A PETSCII Vellum screen with "a" (screen code 1) in light blue on blue in the first cell.
std::vector<std::uint8_t> petscii_file(std::uint8_t charset) {
    std::vector<std::uint8_t> bytes(petscii.size, 32);
    bytes[0] = 40;
    bytes[1] = 25;
    bytes[2] = 0x0E; // border
    bytes[3] = 0x06; // background
    bytes[4] = charset;
    bytes[5] = 1;
    std::fill(bytes.begin() + 1005, bytes.end(), std::uint8_t{14});
    return bytes;
}

std::array<std::uint8_t, 8> cell_shape(const GdkPixbuf *image) {
    std::array<std::uint8_t, 8> rows{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t colour = rgb_at(image, x, y);
            EXPECT_TRUE(colour == pepto[14] || colour == pepto[6]) << x << "," << y;
            if (colour == pepto[14]) {
                rows[y] |= static_cast<std::uint8_t>(0x80 >> x);
            }
        }
    }
    return rows;
}

constexpr std::array<std::uint8_t, 8> capital_a = {0x18, 0x3C, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00};
constexpr std::array<std::uint8_t, 8> small_a = {0x00, 0x00, 0x3C, 0x06, 0x3E, 0x66, 0x3E, 0x00};

struct CharsetCase {
    const char *name;
    std::uint8_t charset;
    bool with_record;
    bool uppercase;
};

class PetsciiCharsetTest : public DecoderTest, public ::testing::WithParamInterface<CharsetCase> {};

TEST_P(PetsciiCharsetTest, selects_the_set_and_renders_with_it) {
    // Start from the other set so that the decode has to switch.
    c64pixbuf_set_case(GetParam().uppercase ? 0 : 1);
    PictureData record = sentinel_record();
    const Decoded result = decode(write(petscii_file(GetParam().charset)), picture_format_none,
                                  GetParam().with_record ? &record : nullptr);
    expect_picture(result);
    ASSERT_TRUE(result.image);
    EXPECT_EQ(cell_shape(result.image.get()), GetParam().uppercase ? capital_a : small_a);
    EXPECT_EQ(c64pixbufs_get_char_at_index(1), GetParam().uppercase
                                                   ? c64pixbufs_get_uppercase_char_at_index(1)
                                                   : c64pixbufs_get_lowercase_char_at_index(1));
    if (GetParam().with_record) {
        EXPECT_EQ(record.charset, GetParam().charset);
        EXPECT_EQ(record.border_color, 0x0E);
        EXPECT_EQ(record.background_color, 0x06);
    } else {
        EXPECT_EQ(record.format, picture_format_none);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, PetsciiCharsetTest,
                         ::testing::Values(CharsetCase{"upper_case", 0, true, true},
                                           CharsetCase{"lower_case", 1, true, false},
                                           CharsetCase{"any_nonzero_is_lower_case", 0x80, true,
                                                       false},
                                           CharsetCase{"preview_selects_too", 1, false, false},
                                           CharsetCase{"preview_upper_case", 0, false, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(DecoderTest, petscii_leaves_the_bitmap_alone) {
    PictureData record = sentinel_record();
    expect_picture(decode(write(petscii_file(0)), picture_format_none, &record));
    for (std::uint8_t byte : record.bitmap) {
        ASSERT_EQ(byte, sentinel);
    }
}

TEST_F(DecoderTest, a_preview_fills_no_record) {
    const PictureData global_before = picture_data;
    const Decoded result =
        decode(write(program_file(koala.load, koala.size)), picture_format_none, nullptr);
    expect_picture(result);
    EXPECT_TRUE(same_record(picture_data, global_before));
}

TEST_F(DecoderTest, a_failed_decode_drops_the_callers_old_image_pointer) {
    const PixbufPtr old_image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 1, 1));
    GdkPixbuf *image = old_image.get();
    GError *raw_error = nullptr;
    const std::string path = write(program_file(0x0801, 100));
    EXPECT_FALSE(
        hiresdecoder_decode_hires_screen_file(path.c_str(), 0, &image, nullptr, &raw_error));
    const GErrorPtr error(raw_error);
    EXPECT_EQ(image, nullptr);
}

TEST_F(DecoderTest, a_utf8_file_name_is_found) {
    const std::string path = write(program_file(koala.load, koala.size), "Bild-\u00e4\u00f6.koa");
    expect_picture(decode(path, picture_format_none, nullptr));
}

// What GLib's whole-file read says about the path, to compare with the decoder's error.
std::pair<int, std::string> file_system_error(const std::string &path) {
    gchar *contents = nullptr;
    GError *raw_error = nullptr;
    EXPECT_FALSE(g_file_get_contents(path.c_str(), &contents, nullptr, &raw_error));
    g_free(contents);
    const GErrorPtr error(raw_error);
    return {error->code, error->message};
}

struct FileSystemCase {
    const char *name;
    const char *path; // inside the temp dir
};

class FileSystemErrorTest : public DecoderTest,
                            public ::testing::WithParamInterface<FileSystemCase> {};

TEST_P(FileSystemErrorTest, passes_the_file_systems_own_error_on) {
    ASSERT_EQ(g_mkdir(dir_.file("folder.koa").c_str(), 0700), 0);
    const std::string path = dir_.file(GetParam().path);
    const auto [code, message] = file_system_error(path);
    PictureData record = sentinel_record();
    const PictureData before = record;
    const Decoded result = decode(path, picture_format_none, &record);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.image);
    ASSERT_TRUE(result.message.has_value());
    EXPECT_EQ(*result.message, message);
    EXPECT_EQ(result.domain, G_FILE_ERROR);
    EXPECT_EQ(result.code, code);
    EXPECT_NE(result.code, G_FILE_ERROR_FAILED);
    EXPECT_TRUE(same_record(record, before));
}

INSTANTIATE_TEST_SUITE_P(Paths, FileSystemErrorTest,
                         ::testing::Values(FileSystemCase{"a_directory", "folder.koa"},
                                           FileSystemCase{"a_missing_file", "missing.koa"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(DecoderTest, an_unreadable_file_gives_the_file_systems_error) {
    const std::string path = write(program_file(koala.load, koala.size));
    ASSERT_EQ(g_chmod(path.c_str(), 0), 0);
    gchar *contents = nullptr;
    if (g_file_get_contents(path.c_str(), &contents, nullptr, nullptr)) {
        g_free(contents);
        GTEST_SKIP() << "running with rights that read any file";
    }
    const auto [code, message] = file_system_error(path);
    const Decoded result = decode(path, picture_format_none, nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, message);
    EXPECT_EQ(result.code, code);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_space_is_reserved = true; // AddressSanitizer maps terabytes of shadow
#else
constexpr bool address_space_is_reserved = false;
#endif

// Current size of this process's address space, from the kernel's own accounting.
rlim_t address_space_in_use() {
    unsigned long pages = 0;
    if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu", &pages) != 1) {
            pages = 0;
        }
        std::fclose(statm);
    }
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// Run in a child process: caps the address space and uses up the heap's free memory in 16 KB
// blocks, then gives back 64 KB. Reading the 10 KB file still succeeds, the 256 000-byte image
// cannot be made. 0 when the decoder reports exactly that, with the record already filled.
int decode_without_memory_for_the_image(const std::string &path, std::uint8_t background) {
    constexpr std::size_t block_size = 16 * 1024;
    constexpr std::size_t blocks_given_back = 4;
    PictureData record = sentinel_record();
    std::vector<void *> blocks;
    blocks.reserve(1 << 16);
    const rlim_t limit = address_space_in_use() + 128 * 1024;
    const rlimit cap = {limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0) {
        return 2;
    }
    while (blocks.size() < blocks.capacity()) {
        void *block = std::malloc(block_size);
        if (block == nullptr) {
            break;
        }
        blocks.push_back(block);
    }
    for (std::size_t i = 0; i < blocks_given_back && !blocks.empty(); ++i) {
        std::free(blocks.back());
        blocks.pop_back();
    }
    GdkPixbuf *image = nullptr;
    GError *error = nullptr;
    const gboolean ok = hiresdecoder_decode_hires_screen_file(path.c_str(), picture_format_none,
                                                              &image, &record, &error);
    const bool filled =
        record.format == picture_format_koala && record.background_color == background;
    const bool reported = error != nullptr && error->domain == G_FILE_ERROR &&
                          error->code == G_FILE_ERROR_FAILED &&
                          std::strcmp(error->message, "Could not create pixbuf") == 0;
    if (error != nullptr) {
        std::fprintf(stderr, "decoder said: %s\n", error->message);
    }
    return !ok && image == nullptr && reported && filled ? 0 : 1;
}

TEST_F(DecoderTest, no_memory_for_the_image_fails_after_filling_the_record) {
    if (address_space_is_reserved) {
        GTEST_SKIP() << "AddressSanitizer cannot run with a capped address space";
    }
    const std::vector<std::uint8_t> bytes = program_file(koala.load, koala.size);
    const std::string path = write(bytes);
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(std::_Exit(decode_without_memory_for_the_image(path, bytes[koala.background])),
                ::testing::ExitedWithCode(0), "");
}

} // namespace
