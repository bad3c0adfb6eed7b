// Full-screen pictures: a file is recognised by its load address and exact size, its parts land in
// the picture record, and the image shows every pixel as the VIC-II would (PETSCII glyphs from the
// character ROM file), in any palette. Palettes and real paint-program files are checked against
// their published sources.

#include "core/c64pixbufs.hpp"
#include "core/hiresdecoder.hpp"
#include "core/pixbufs.hpp"
#include "core/reencode.hpp"
#include "test_support.hpp"

namespace {

using namespace test_support;

constexpr int none = -1;

// The file layouts as the paint programs wrote them; offsets count the two load address bytes.
struct Format {
    const char *name;
    int id;
    std::uint16_t load;
    std::size_t size;
    int bitmap, screen, colour, background, border, charset;
};

constexpr Format petscii = {"petscii", 1, 0x1928, 2005, none, 5, 1005, 3, 2, 4};
constexpr Format vidcom = {"vidcom", 6, 0x5800, 10050, 2050, 1026, 2, 2026, none, none};
constexpr Format koala = {"koala", 7, 0x6000, 10003, 2, 8002, 9002, 10002, none, none};
constexpr Format artist64 = {"artist64", 8, 0x4000, 10242, 2, 8194, 9218, 10241, none, none};
constexpr Format art_studio = {"art_studio", 9, 0x2000, 10018, 2, 8002, 9018, 9003, 9002, none};
constexpr Format paddles = {"paddles", 10, 0xA000, 10242, 2, 8194, 9218, 8066, none, none};

// A C64 program file whose every byte after the load address differs from its neighbours, so a
// part read from the wrong offset shows.
Bytes program_file(std::uint16_t load, std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i < 2 ? load >> (8 * i) : i * 151 + (i >> 8) * 7 + 1);
    return bytes;
}

const Bytes &character_rom() {
    static const Bytes rom = read_bytes(shared_path("c64-roms/chargen-901225-01.bin"));
    return rom;
}

// The screen a file shows by the VIC-II's rules: multicolour bit pairs in double-wide pixels, or
// the glyphs of the ROM's upper case half (charset byte 0) or lower case half.
Rgba expected_pixel(const Format &f, const Bytes &file, int x, int y) {
    if (f.bitmap != none)
        return opaque(multicolour_index(&file[f.bitmap], &file[f.screen], &file[f.colour],
                                        file[f.background], x / 2, y));
    const int cell = y / 8 * 40 + x / 8;
    const int half = file[f.charset] == 0 ? 0 : 2048;
    const int glyph_row = character_rom().at(half + file[f.screen + cell] * 8 + y % 8);
    const bool lit = (glyph_row >> (7 - x % 8) & 1) != 0;
    return opaque(lit ? file[f.colour + cell] & 0x0F : file[f.background] & 0x0F);
}

constexpr std::uint8_t sentinel = 0xAA;

PictureData sentinel_record() {
    PictureData record;
    std::memset(&record, sentinel, sizeof record);
    record.border_color = -1;
    record.format = picture_format_none;
    return record;
}

class Decoder : public FreshState {
  protected:
    void TearDown() override {
        FreshState::TearDown();
        c64pixbuf_set_case(1);
    }

    struct Result {
        gboolean ok;
        PixbufPtr image;
        GErrorPtr error;
    };

    // The decoder takes UTF-8 paths: every file gets a name outside ASCII. A failed decode also
    // drops the caller's old image pointer.
    Result decode(const std::string &path, int format, PictureData *record) {
        GdkPixbuf *image = reinterpret_cast<GdkPixbuf *>(&dir_);
        GError *error = nullptr;
        const gboolean ok =
            hiresdecoder_decode_hires_screen_file(path.c_str(), format, &image, record, &error);
        EXPECT_TRUE(ok || image == nullptr);
        return {ok, PixbufPtr(ok ? image : nullptr), GErrorPtr(error)};
    }
    Result decode(const Bytes &file, int format, PictureData *record) {
        return decode(dir_.write("Bild-\u00e4\u00f6.prg", file), format, record);
    }

    TempDir dir_;
};

constexpr const char *unknown = "Unknown picture format";

struct FileCase {
    const char *name;
    int forced; // 0 detects
    std::uint16_t load;
    std::size_t size;
    int format;          // of the decoded record
    const char *message; // null: decodes
};

class PictureFile : public Decoder, public ::testing::WithParamInterface<FileCase> {};

TEST_P(PictureFile, DecodesOrSaysWhyAndLeavesTheRecord) {
    const FileCase &c = GetParam();
    PictureData record = sentinel_record();
    const Result result = decode(program_file(c.load, c.size), c.forced, &record);
    if (c.message == nullptr) {
        EXPECT_TRUE(result.ok && result.image && !result.error);
        EXPECT_EQ(record.format, c.format);
        return;
    }
    EXPECT_FALSE(result.ok);
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(g_error_matches(result.error.get(), G_FILE_ERROR, G_FILE_ERROR_FAILED));
    EXPECT_STREQ(result.error->message, c.message);
    EXPECT_TRUE(same_picture(record, sentinel_record()));
}

const FileCase file_cases[] = {
    {"petscii", 0, 0x1928, 2005, 1, nullptr},
    {"petscii_truncated", 0, 0x1928, 2004, 0, unknown},
    {"petscii_size_at_0000", 0, 0x0000, 2005, 0, unknown},
    {"koala_at_2000", 0, 0x2000, 10003, 7, nullptr},
    {"koala_at_4000", 0, 0x4000, 10003, 7, nullptr},
    {"koala_one_byte_too_long", 0, 0x6000, 10004, 0, unknown},
    {"koala_size_at_a000", 0, 0xA000, 10003, 0, unknown},
    {"art_studio_at_6000", 0, 0x6000, 10018, 0, unknown},
    {"basic_start_address", 0, 0x0801, 10003, 0, unknown},
    {"empty", 0, 0, 0, 0, unknown},
    {"forced_koala_at_4000", 7, 0x4000, 10003, 7, nullptr},
    {"forced_petscii_too_long", 1, 0x1928, 2006, 0,
     "Wrong file size\nExpected: 2005\nActual: 2006"},
    {"forced_koala_at_a000", 7, 0xA000, 10003, 0,
     "Wrong load address\nExpected: $6000\nActual: $A000"},
    {"forced_artist64_on_koala", 8, 0x4000, 10003, 0,
     "Wrong file size\nExpected: 10242\nActual: 10003"},
    {"forced_load_before_size", 9, 0x0801, 5, 0,
     "Wrong load address\nExpected: $2000\nActual: $0801"},
    {"forced_hires_class", 2, 0x6000, 10003, 0, unknown},
    {"forced_negative", -1, 0x6000, 10003, 0, unknown},
    {"forced_one_byte", 7, 0x1928, 1, 0, unknown},
    {"forced_load_address_only", 10, 0xA000, 2, 0, "Wrong file size\nExpected: 10242\nActual: 2"},
};

INSTANTIATE_TEST_SUITE_P(Files, PictureFile, ::testing::ValuesIn(file_cases), by_name);

struct ScreenCase {
    const char *name;
    Format format;
    int palette;
    std::uint8_t charset; // PETSCII only
};

class PictureScreen : public Decoder, public ::testing::WithParamInterface<ScreenCase> {};

// The record holds exactly the parts the format carries (others keep the sentinel), and the
// image, with or without a record, is the screen the VIC-II shows for the file's bytes. The
// character set byte also switches the editor's glyphs, so the decode must change the case.
TEST_P(PictureScreen, RecordHoldsTheFilesPartsAndImageEveryPixel) {
    const ScreenCase &c = GetParam();
    const Format &f = c.format;
    if (f.bitmap == none && character_rom().size() != 4096)
        GTEST_SKIP() << "character ROM not found in " << SIDEWELL_SHARED_DIR;
    options_palette = c.palette;
    Bytes file = program_file(f.load, f.size);
    if (f.charset != none)
        file[f.charset] = c.charset;
    const bool uppercase = f.charset == none || c.charset == 0;
    c64pixbuf_set_case(uppercase ? 0 : 1);

    PictureData record = sentinel_record();
    const Result result = decode(file, picture_format_none, &record);
    ASSERT_TRUE(result.ok) << result.error->message;
    const auto expected = [&](int x, int y) { return expected_pixel(f, file, x, y); };
    EXPECT_TRUE(same_image(result.image.get(), 320, 200, expected));
    EXPECT_TRUE(same_image(decode(file, f.id, nullptr).image.get(), 320, 200, expected));

    PictureData want = sentinel_record();
    const auto copy = [&](std::uint8_t *part, int offset, int size) {
        if (offset != none)
            std::copy_n(&file[offset], size, part);
    };
    copy(want.bitmap, f.bitmap, picture_bitmap_size);
    copy(want.screen_ram, f.screen, picture_cell_count);
    copy(want.color_ram, f.colour, picture_cell_count);
    copy(&want.background_color, f.background, 1);
    copy(&want.charset, f.charset, 1);
    want.border_color = f.border == none ? -1 : file[f.border];
    want.format = f.id;
    EXPECT_TRUE(same_picture(record, want));
    if (f.charset != none) { // glyphs are Pepto light blue on blue; 160 is all set, 32 clear
        EXPECT_EQ(pixel_at(c64pixbufs_get_char_at_index(160), 7, 7), opaque(pepto[14]));
        EXPECT_EQ(pixel_at(c64pixbufs_get_char_at_index(32), 0, 0), opaque(pepto[6]));
        EXPECT_EQ(c64pixbufs_get_char_at_index(65),
                  uppercase ? c64pixbufs_get_uppercase_char_at_index(65)
                            : c64pixbufs_get_lowercase_char_at_index(65));
    }
}

const ScreenCase screen_cases[] = {
    {"petscii_upper_case", petscii, 0, 0},
    {"petscii_lower_case_high_contrast", petscii, 1, 1},
    {"petscii_any_other_charset_is_lower_case", petscii, 3, 0x80},
    {"vidcom", vidcom, 0, 0},
    {"koala_pixcen", koala, 2, 0},
    {"artist64", artist64, 0, 0},
    {"art_studio_ccs64", art_studio, 3, 0},
    {"blazing_paddles_high_contrast", paddles, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(Formats, PictureScreen, ::testing::ValuesIn(screen_cases), by_name);

// A folder, a missing file and a name that is no UTF-8 fail with GLib's own error.
TEST_F(Decoder, UnreadablePathsGiveGlibsError) {
    std::filesystem::create_directory(dir_.file("folder.koa"));
    for (const auto &[path, domain] : {std::pair{dir_.file("folder.koa"), G_FILE_ERROR},
                                       std::pair{dir_.file("absent.koa"), G_FILE_ERROR},
                                       std::pair{dir_.file("\xff.koa"), G_CONVERT_ERROR}}) {
        PictureData record = sentinel_record();
        const Result result = decode(path, picture_format_none, &record);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error && result.error->domain == domain && result.error->code != 0 &&
                    !g_error_matches(result.error.get(), G_FILE_ERROR, G_FILE_ERROR_FAILED));
        EXPECT_TRUE(same_picture(record, sentinel_record()));
    }
}

// Hires: one pixel a bit; a set bit shows the screen byte's high nibble, a clear bit its low one.
TEST_F(FreshState, HiresImageShowsEveryBitInItsCellsColours) {
    const Bytes bytes = program_file(0, 9002);
    const std::uint8_t *bitmap = &bytes[2];
    const std::uint8_t *screen = &bytes[8002];
    const PixbufPtr image(pixbufs_new_from_hires_opaque(bitmap, screen, nullptr, 0, 40, 25));
    EXPECT_TRUE(same_image(image.get(), 320, 200, [&](int x, int y) {
        const int cell = y / 8 * 40 + x / 8;
        const bool set = (bitmap[cell * 8 + y % 8] >> (7 - x % 8) & 1) != 0;
        return opaque(set ? screen[cell] >> 4 : screen[cell] & 0x0F);
    }));
    const PixbufPtr small(pixbufs_new_from_hires_opaque(bitmap, screen, nullptr, 0, 3, 2));
    EXPECT_TRUE(same_image(small.get(), 24, 16, [&](int x, int y) {
        const bool set = (bitmap[x / 8 * 8 + y % 8 + y / 8 * 24] >> (7 - x % 8) & 1) != 0;
        return opaque(set ? screen[x / 8 + y / 8 * 3] >> 4 : screen[x / 8 + y / 8 * 3] & 0x0F);
    }));
    EXPECT_EQ(pixbufs_new_from_hires_opaque(bitmap, screen, nullptr, 0, 0, 25), nullptr);
    EXPECT_EQ(pixbufs_new_from_hires_opaque(bitmap, screen, nullptr, 0, 40, 0), nullptr);
}

// The other three palettes as published, one hex number a colour.
constexpr std::array<std::array<std::uint32_t, 16>, 4> palettes = {{
    pepto,
    {0x000000, 0xFFFFFF, 0x860000, 0x70D3FF, 0xC6009E, 0x00B200, 0x0000B9, 0xFFEB72, 0x973C00,
     0x654300, 0xC7564E, 0x3D3D3D, 0x6C6C6C, 0x40FF68, 0x2C83FF, 0xB0B0B0},
    {0x000000, 0xFFFFFF, 0x894036, 0x7ABFC7, 0x8A46AE, 0x68A941, 0x3E31A2, 0xD0DC71, 0x905F25,
     0x5C4700, 0xBB776D, 0x555555, 0x808080, 0xACEA88, 0x7C70DA, 0xABABAB},
    {0x101010, 0xFFFFFF, 0xE04040, 0x60FFFF, 0xE060E0, 0x40E040, 0x4040E0, 0xFFFF40, 0xE0A040,
     0x9C7448, 0xFFA0A0, 0x545454, 0x888888, 0xA0FFA0, 0xA0A0FF, 0xC0C0C0},
}};

std::array<std::uint8_t, 3> rgb_of_hex(std::uint32_t hex) {
    return {std::uint8_t(hex >> 16), std::uint8_t(hex >> 8), std::uint8_t(hex)};
}

// Indices count modulo 16 (a colour RAM byte's junk high nibble, negative values too); bytes,
// fractions, the fill value and the reverse lookup describe the same colours. A palette number
// out of range writes nothing, and the lookup needs an exact colour.
TEST_F(FreshState, EveryPaletteGivesThePublishedColourForEveryIndex) {
    for (int palette = -1; palette <= 4; ++palette) {
        options_palette = palette;
        const bool known = palette >= 0 && palette < 4;
        for (int index = -32; index < 32; ++index) {
            const std::uint32_t hex = known ? palettes[palette][(index % 16 + 16) % 16] : 0xA5A5A5;
            std::array<std::uint8_t, 3> bytes = rgb_of_hex(0xA5A5A5);
            palette_get_rgb_at_index(index, bytes.data());
            std::array<double, 3> fractions = {0xA5 / 255.0, 0xA5 / 255.0, 0xA5 / 255.0};
            palette_get_rgb_double_at_index(index, fractions.data());
            EXPECT_EQ(bytes, rgb_of_hex(hex)) << palette << " index " << index;
            for (int c = 0; c < 3; ++c)
                EXPECT_DOUBLE_EQ(fractions[c] * 255.0, rgb_of_hex(hex)[c]) << palette << index;
            if (known) {
                EXPECT_EQ(palette_get_rgba_fill(index), hex << 8 | 0xFF);
            }
            std::array<std::uint8_t, 3> pepto_bytes{};
            palette_get_pepto_rgb_at_index(index, pepto_bytes.data());
            EXPECT_EQ(pepto_bytes, rgb_of_hex(pepto[index & 15]));
        }
        for (unsigned index = 0; index < 16; ++index)
            EXPECT_EQ(
                palette_get_index_for_rgb(rgb_of_hex(palettes[known ? palette : 0][index]).data()),
                known ? index : 0u);
    }
    options_palette = 0;
    for (std::uint32_t near_miss : {0x6D5EB5u, 0x6C5FB5u, 0x6C5EB4u}) // Pepto light blue, off by 1
        EXPECT_EQ(palette_get_index_for_rgb(rgb_of_hex(near_miss).data()), 0u);
}

// Pictures made by other people with the real paint programs: they decode as the paint program
// saved them, show the VIC-II's screen and keep every colour through re-encoding, junk in colour
// RAM included. Files that are no picture of a known format are refused.
TEST_F(Decoder, RealPicturesDecodeShowAndSurviveReencoding) {
    for (const auto &[folder, format] :
         {std::pair{"koala", &koala}, std::pair{"artstudio", &art_studio},
          std::pair{"negative", static_cast<const Format *>(nullptr)}}) {
        const std::string path = shared_path("pictures/") + folder;
        if (!g_file_test(path.c_str(), G_FILE_TEST_IS_DIR))
            GTEST_SKIP() << "no pictures in " << path;
        for (const auto &entry : std::filesystem::directory_iterator(path)) {
            SCOPED_TRACE(entry.path().string());
            const Bytes file = read_bytes(entry.path());
            PictureData record{};
            const Result result = decode(entry.path(), picture_format_none, &record);
            if (format == nullptr) {
                ASSERT_TRUE(result.error);
                EXPECT_STREQ(result.error->message, unknown);
                continue;
            }
            ASSERT_TRUE(result.ok) << result.error->message;
            EXPECT_EQ(record.format, format->id);
            EXPECT_TRUE(same_image(result.image.get(), 320, 200, [&](int x, int y) {
                return expected_pixel(*format, file, x, y);
            }));
            PictureData output{};
            reencode_process_picture_mc(&record, &output);
            int changed = 0;
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 160; ++x)
                    changed += multicolour_index(output, x, y) != multicolour_index(record, x, y);
            EXPECT_EQ(changed, 0);
        }
    }
}

} // namespace
