// Full-screen pictures: format by load address and size, parts in the record, every pixel shown.

#include "core/c64pixbufs.hpp"
#include "core/hiresdecoder.hpp"
#include "core/pixbufs.hpp"
#include "core/reencode.hpp"
#include "test_support.hpp"

namespace {

using namespace test_support;

constexpr int none = -1;

// The layouts as the paint programs wrote them; offsets count the two load address bytes.
struct Format {
    int id;
    std::uint16_t load;
    std::size_t size;
    int bitmap, screen, colour, background, border, charset;
};

constexpr Format petscii = {1, 0x1928, 2005, none, 5, 1005, 3, 2, 4};
constexpr Format vidcom = {6, 0x5800, 10050, 2050, 1026, 2, 2026, none, none};
constexpr Format koala = {7, 0x6000, 10003, 2, 8002, 9002, 10002, none, none};
constexpr Format artist64 = {8, 0x4000, 10242, 2, 8194, 9218, 10241, none, none};
constexpr Format art_studio = {9, 0x2000, 10018, 2, 8002, 9018, 9003, 9002, none};
constexpr Format paddles = {10, 0xA000, 10242, 2, 8194, 9218, 8066, none, none};

// The Pepto colours as the C64 community publishes them, then the other three palettes.
constexpr std::array<std::array<std::uint32_t, 16>, 4> palettes = {{
    {0x000000, 0xFFFFFF, 0x68372B, 0x70A4B2, 0x6F3D86, 0x588D43, 0x352879, 0xB8C76F, 0x6F4F25,
     0x433900, 0x9A6759, 0x444444, 0x6C6C6C, 0x9AD284, 0x6C5EB5, 0x959595},
    {0x000000, 0xFFFFFF, 0x860000, 0x70D3FF, 0xC6009E, 0x00B200, 0x0000B9, 0xFFEB72, 0x973C00,
     0x654300, 0xC7564E, 0x3D3D3D, 0x6C6C6C, 0x40FF68, 0x2C83FF, 0xB0B0B0},
    {0x000000, 0xFFFFFF, 0x894036, 0x7ABFC7, 0x8A46AE, 0x68A941, 0x3E31A2, 0xD0DC71, 0x905F25,
     0x5C4700, 0xBB776D, 0x555555, 0x808080, 0xACEA88, 0x7C70DA, 0xABABAB},
    {0x101010, 0xFFFFFF, 0xE04040, 0x60FFFF, 0xE060E0, 0x40E040, 0x4040E0, 0xFFFF40, 0xE0A040,
     0x9C7448, 0xFFA0A0, 0x545454, 0x888888, 0xA0FFA0, 0xA0A0FF, 0xC0C0C0},
}};

// Every byte after the load address differs from its neighbours, so a misplaced part shows.
Bytes program_file(std::uint16_t load, std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i < 2 ? load >> (8 * i) : i * 151 + (i >> 8) * 7 + 1);
    return bytes;
}

// Multicolour pixel, 160x200: pairs 00 background, 01 screen high, 10 screen low, 11 colour RAM.
int multicolour_index(const std::uint8_t *bitmap, const std::uint8_t *screen,
                      const std::uint8_t *colour, int background, int x, int y) {
    const int cell = y / 8 * 40 + x / 4;
    const int pair = bitmap[cell * 8 + y % 8] >> (6 - 2 * (x % 4)) & 3;
    const int colours[] = {background, screen[cell] >> 4, screen[cell], colour[cell]};
    return colours[pair] & 0x0F;
}

// The character ROM in the shared folder; empty where that folder is missing.
const std::string character_rom_path =
    std::string{SIDEWELL_SHARED_DIR} + "/c64-roms/chargen-901225-01.bin";
const Bytes &character_rom() {
    static const Bytes rom = read_bytes(character_rom_path);
    return rom;
}

// Multicolour pairs in double-wide pixels, or ROM glyphs (charset 0 upper case, else lower).
Rgba expected_pixel(const Format &f, const Bytes &file, int x, int y) {
    if (f.bitmap != none)
        return opaque(multicolour_index(&file[f.bitmap], &file[f.screen], &file[f.colour],
                                        file[f.background], x / 2, y));
    const Bytes &rom = character_rom();
    const int cell = y / 8 * 40 + x / 8;
    const int glyph_row =
        rom.at((file[f.charset] == 0 ? 0 : 2048) + file[f.screen + cell] * 8 + y % 8);
    return opaque((glyph_row >> (7 - x % 8) & 1) != 0 ? file[f.colour + cell] & 0x0F
                                                      : file[f.background] & 0x0F);
}

struct Decoded {
    gboolean ok;
    PixbufPtr image;
    GErrorPtr error;
};

// A failed decode also drops the caller's old image pointer.
Decoded decode(const std::string &path, int format, PictureData *record) {
    GdkPixbuf *image = reinterpret_cast<GdkPixbuf *>(record);
    GError *error = nullptr;
    const gboolean ok =
        hiresdecoder_decode_hires_screen_file(path.c_str(), format, &image, record, &error);
    EXPECT_TRUE(ok || image == nullptr);
    return {ok, PixbufPtr(ok ? image : nullptr), GErrorPtr(error)};
}

constexpr const char *unknown = "Unknown picture format";

// The record holds exactly the file's parts; the charset byte switches the editor's glyphs.
TEST_F(FreshState, PictureRecordHoldsTheFilesPartsAndImageEveryPixel) {
    bool rom_missing = false;
    for (const auto &[f, palette, charset] :
         {std::tuple{petscii, 0, 0}, std::tuple{petscii, 3, 0x80}, std::tuple{vidcom, 0, 0},
          std::tuple{artist64, 0, 0}, std::tuple{paddles, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << "format " << f.id << " charset " << charset);
        if (f.charset != none && character_rom().empty()) {
            rom_missing = true;
            continue;
        }
        options_palette = palette;
        Bytes file = program_file(f.load, f.size);
        if (f.charset != none)
            file[f.charset] = static_cast<std::uint8_t>(charset);
        c64pixbuf_set_case(charset == 0 ? 0 : 1);
        const TempDir dir;
        const std::string path = dir.write("\u00e4.prg", file);
        PictureData record; // what the file does not hold must stay as it was
        std::memset(&record, 0xAA, sizeof record);
        record.border_color = -1;
        PictureData want = record;
        const Decoded result = decode(path, picture_format_none, &record);
        ASSERT_TRUE(result.ok) << result.error->message;
        const auto expected = [&](int x, int y) { return expected_pixel(f, file, x, y); };
        EXPECT_TRUE(same_image(result.image.get(), 320, 200, expected));
        EXPECT_TRUE(same_image(decode(path, f.id, nullptr).image.get(), 320, 200, expected));
        for (const auto &[part, offset, size] :
             {std::tuple{want.bitmap, f.bitmap, 8000}, std::tuple{want.screen_ram, f.screen, 1000},
              std::tuple{want.color_ram, f.colour, 1000},
              std::tuple{&want.background_color, f.background, 1},
              std::tuple{&want.charset, f.charset, 1}})
            if (offset != none)
                std::copy_n(&file[offset], size, part);
        want.border_color = f.border == none ? -1 : file[f.border];
        want.format = f.id;
        EXPECT_TRUE(same_picture(record, want));
        if (f.charset != none) { // glyphs are Pepto light blue on blue; 160 is all set, 32 clear
            EXPECT_EQ(pixel_at(c64pixbufs_get_char_at_index(160), 7, 7), opaque(palettes[0][14]));
            EXPECT_EQ(pixel_at(c64pixbufs_get_char_at_index(32), 0, 0), opaque(palettes[0][6]));
            EXPECT_EQ(c64pixbufs_get_char_at_index(65),
                      charset == 0 ? c64pixbufs_get_uppercase_char_at_index(65)
                                   : c64pixbufs_get_lowercase_char_at_index(65));
        }
    }
    c64pixbuf_set_case(1);
    if (rom_missing)
        GTEST_SKIP() << "PETSCII cases skipped: no character ROM at " << character_rom_path;
}

// Hires: a set bit shows the screen byte's high nibble, a clear bit its low one.
TEST_F(FreshState, HiresImageShowsEveryBitInItsCellsColours) {
    const Bytes bytes = program_file(0, 9002);
    const std::uint8_t *bitmap = &bytes[2];
    const std::uint8_t *screen = &bytes[8002];
    for (const auto &[columns, rows] : {std::pair{40, 25}, std::pair{3, 1}}) {
        const PixbufPtr image(
            pixbufs_new_from_hires_opaque(bitmap, screen, nullptr, 0, columns, rows));
        EXPECT_TRUE(same_image(image.get(), 8 * columns, 8 * rows, [&](int x, int y) {
            const int cell = y / 8 * columns + x / 8;
            const bool set = (bitmap[cell * 8 + y % 8] >> (7 - x % 8) & 1) != 0;
            return opaque(set ? screen[cell] >> 4 : screen[cell] & 0x0F);
        }));
    }
    EXPECT_EQ(pixbufs_new_from_hires_opaque(bitmap, screen, nullptr, 0, 0, 25), nullptr);
    EXPECT_EQ(pixbufs_new_from_hires_opaque(bitmap, screen, nullptr, 0, 40, 0), nullptr);
}

// Indices modulo 16; an unknown palette writes nothing; the reverse lookup needs exact colours.
TEST_F(FreshState, EveryPaletteGivesThePublishedColourForEveryIndex) {
    for (int palette = -1; palette <= 4; ++palette) {
        options_palette = palette;
        const bool known = palette >= 0 && palette < 4;
        for (int index = -32; index < 32; ++index) {
            const Rgba want = opaque(known ? palettes[palette][(index % 16 + 16) % 16] : 0xA5A5A5);
            Rgba bytes = opaque(0xA5A5A5u);
            palette_get_rgb_at_index(index, bytes.data());
            std::array<double, 3> fractions = {0xA5 / 255.0, 0xA5 / 255.0, 0xA5 / 255.0};
            palette_get_rgb_double_at_index(index, fractions.data());
            EXPECT_EQ(bytes, want) << palette << " index " << index;
            for (int c = 0; c < 3; ++c)
                EXPECT_DOUBLE_EQ(fractions[c] * 255.0, want[c]) << palette << index;
            EXPECT_TRUE(!known || palette_get_rgba_fill(index) ==
                                      (palettes[palette][index & 15] << 8 | 0xFF));
            Rgba pepto_bytes = opaque(0u);
            palette_get_pepto_rgb_at_index(index, pepto_bytes.data());
            EXPECT_EQ(pepto_bytes, opaque(palettes[0][index & 15]));
        }
        for (unsigned index = 0; index < 16; ++index)
            EXPECT_EQ(
                palette_get_index_for_rgb(opaque(palettes[known ? palette : 0][index]).data()),
                known ? index : 0u);
    }
    options_palette = 0;
    for (std::uint32_t near_miss : {0x6D5EB5u, 0x6C5FB5u, 0x6C5EB4u}) // Pepto light blue, off by 1
        EXPECT_EQ(palette_get_index_for_rgb(opaque(near_miss).data()), 0u);
}

// Real paint program files decode, show and keep every colour through re-encoding.
TEST_F(FreshState, RealPicturesDecodeShowAndSurviveReencoding) {
    for (const auto &[folder, format] :
         {std::pair{"koala", &koala}, std::pair{"artstudio", &art_studio},
          std::pair{"negative", static_cast<const Format *>(nullptr)}}) {
        const std::filesystem::path pictures = std::string{SIDEWELL_SHARED_DIR} + "/pictures/";
        if (!std::filesystem::is_directory(pictures / folder))
            GTEST_SKIP() << "shared pictures not available: " << pictures / folder;
        for (const auto &entry : std::filesystem::directory_iterator(pictures / folder)) {
            SCOPED_TRACE(entry.path().string());
            const Bytes file = read_bytes(entry.path());
            PictureData record{};
            const Decoded result = decode(entry.path(), picture_format_none, &record);
            if (format == nullptr) {
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
            const auto index = [](const PictureData &p, int x, int y) {
                return multicolour_index(p.bitmap, p.screen_ram, p.color_ram, p.background_color, x,
                                         y);
            };
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 160; ++x)
                    ASSERT_EQ(index(output, x, y), index(record, x, y));
        }
    }
}

// Pairs sort ascending and carry from cell to cell, across a row's end too; unused pairs hold
// light green. Each case: the first of two cells, both cells as screen, colour RAM and bitmap
// rows 0 and 3 (the other rows background), then the second cell as re-encoded.
TEST(Reencode, GivesTheBytesWorkedOutByHand) {
    struct Cell {
        std::uint8_t screen, colour, row0, row3;
    };
    for (const auto &[first, cells, want] :
         {std::tuple{39,
                     std::array{Cell{0x94, 0, 0b00'01'00'00, 0b00'00'10'00},
                                Cell{0x90, 0, 0b00'01'00'00, 0b00'00'01'00}},
                     Cell{0x49, 0x0D, 0b00'10'00'00, 0}},
          std::tuple{
              0, std::array{Cell{0x95, 0x01, 0b01'10'11'00, 0}, Cell{0x1E, 0, 0b01'10'00'00, 0}},
              Cell{0x1E, 0x09, 0b01'10'00'00, 0}}}) {
        PictureData input{};
        for (int k = 0; k < 2; ++k) {
            input.screen_ram[first + k] = cells[k].screen;
            input.color_ram[first + k] = cells[k].colour;
            input.bitmap[(first + k) * 8] = cells[k].row0;
            input.bitmap[(first + k) * 8 + 3] = cells[k].row3;
        }
        PictureData output{};
        reencode_process_picture_mc(&input, &output);
        const int second = first + 1;
        EXPECT_EQ(std::tuple(output.screen_ram[second], output.color_ram[second],
                             output.bitmap[second * 8]),
                  std::tuple(want.screen, want.colour, want.row0))
            << first;
    }
}

} // namespace
