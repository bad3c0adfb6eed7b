// PNG frames read back: export, import, export again gives the same file; every refusal names
// what is wrong; the choices the export never makes follow their rules.

#include "core/pngreader.hpp"

#include "core/hiresdecoder.hpp"
#include "core/spritesdecoder.hpp"
#include "core/spriteviews.hpp"
#include "test_support.hpp"

#include <cstdio>
#include <filesystem>

namespace {

using namespace test_support;
namespace fs = std::filesystem;

const fs::path shared_pictures = fs::path(SIDEWELL_SHARED_DIR) / "pictures";

// The picture and sprites loaded as the window loads them, in attribute format Sprite Pad.
PixbufPtr load(const std::string &picture, const std::string &sprites) {
    GdkPixbuf *rendered = nullptr;
    GError *error = nullptr;
    picture_data.format = picture_format_none;
    picture_data.border_color = -1;
    EXPECT_TRUE(hiresdecoder_decode_hires_screen_file(picture.c_str(), picture_format_none,
                                                      &rendered, &picture_data, &error))
        << (error ? GErrorPtr(error)->message : "");
    error = nullptr;
    EXPECT_EQ(spritesdecoder_decode_sprites_file(sprites.c_str(),
                                                 sprites_attribute_format_sprite_pad, 1, &error),
              1)
        << (error ? GErrorPtr(error)->message : "");
    sprites_set_background_color(picture_data.background_color);
    return PixbufPtr(rendered);
}

Bytes export_png(const TempDir &dir, const std::string &name, const GdkPixbuf *picture,
                 int method = spriteviews_method_frame) {
    GError *error = nullptr;
    const std::string path = dir.file(name);
    EXPECT_TRUE(spriteviews_save_screen_png(path.c_str(), picture, method,
                                            picture_data.background_color, &error))
        << (error ? GErrorPtr(error)->message : "");
    return read_bytes(path);
}

// The image enlarged by whole blocks, as a paint program saves a zoomed drawing.
std::string write_scaled(const TempDir &dir, const std::string &png, int scale) {
    const PixbufPtr image(gdk_pixbuf_new_from_file(png.c_str(), nullptr));
    const PixbufPtr scaled(
        gdk_pixbuf_scale_simple(image.get(), gdk_pixbuf_get_width(image.get()) * scale,
                                gdk_pixbuf_get_height(image.get()) * scale, GDK_INTERP_NEAREST));
    const std::string path = dir.file("scaled.png");
    EXPECT_TRUE(gdk_pixbuf_save(scaled.get(), path.c_str(), "png", nullptr, nullptr));
    return path;
}

// Multicolour sprites in every other row, each with its own colour as the linked pairs allow.
void colour_sprites() {
    for (unsigned i = 0; i < sprites_border_count; ++i) {
        sprites_set_multicolor_at_index(i, (i / 4) % 2 == 0 ? 1 : 0);
        sprites_set_color_at_index(
            i, static_cast<std::uint8_t>((sprites_get_colour_source_index(i) * 7 + 3) % 16));
    }
    sprites_set_multicolor0(2);
    sprites_set_multicolor1(7);
}

struct RoundTrip {
    std::string picture;
    std::string sprites;
    int palette;
    int scale;
    int charset = 0; // for a PETSCII screen: 1 shows it in the lower case set
};

// The example PETSCII screen in the lower case set: its letters exist only there.
std::string lower_case_welcome(const TempDir &dir) {
    Bytes screen = read_bytes(example_path("welcome.pet"));
    screen.at(4) = 1;
    return dir.write("lower.pet", screen);
}

// Export, read the PNG back as picture and sprites, export again: the same file, byte for byte.
TEST_F(FreshState, ExportedFrameReadBackExportsTheSameFile) {
    const TempDir sources;
    std::vector<RoundTrip> cases = {
        {example_path("sunset.koa"), example_path("shapes.prg"), 0, 1},
        {example_path("welcome.pet"), example_path("shapes.prg"), 1, 1},
        {lower_case_welcome(sources), example_path("shapes.prg"), 2, 1, 1},
        {example_path("sunset.koa"), example_path("shapes.prg"), 2, 2},
        {example_path("welcome.pet"), example_path("shapes.prg"), 3, 3},
        {lower_case_welcome(sources), example_path("shapes.prg"), 0, 4, 1},
    };
    if (fs::is_directory(shared_pictures)) {
        const std::string sprites = shared_pictures / "sprites" / "gdc_TFIGHT_64spr.MOB";
        int palette = 0;
        for (const char *picture : {"koala/onyx_abydos.koa", "koala/onyx_NINJA3.KOA",
                                    "koala/gdc_PIC_COS1.koa", "koala/afterimage_metal.kla",
                                    "koala/sidplayer_pvm.koa", "artstudio/gdc_demo-meyes.mpic"})
            cases.push_back({shared_pictures / picture, sprites, palette++ % 4, 1 + palette % 2});
    } else {
        std::cout << "[  SKIPPED ] " << shared_pictures << " is missing: only our own examples\n";
    }
    for (const RoundTrip &c : cases) {
        SCOPED_TRACE(c.picture + " palette " + std::to_string(c.palette) + " scale " +
                     std::to_string(c.scale));
        options_palette = c.palette;
        const TempDir dir;
        const PixbufPtr original = load(c.picture, c.sprites);
        colour_sprites();
        const Bytes first = export_png(dir, "first.png", original.get());
        const std::string frame = c.scale == 1 ? dir.file("first.png")
                                               : write_scaled(dir, dir.file("first.png"), c.scale);
        sprites_module_init();
        const PictureData original_picture = picture_data;
        const PixbufPtr imported = load(frame, frame);
        EXPECT_EQ(picture_data.format, picture_format_is_multicolor(original_picture.format)
                                           ? picture_format_koala
                                           : picture_format_petscii);
        EXPECT_EQ(picture_data.charset, c.charset);
        EXPECT_TRUE(pngreader_picture_offences.empty());
        EXPECT_TRUE(pngreader_sprite_offences.empty());
        EXPECT_TRUE(same_bytes(export_png(dir, "second.png", imported.get()), first));
        // The picture alone, without borders, shows the same.
        const std::string alone = dir.file("alone.png");
        ASSERT_TRUE(gdk_pixbuf_save(original.get(), alone.c_str(), "png", nullptr, nullptr));
        GdkPixbuf *rendered = nullptr;
        ASSERT_TRUE(hiresdecoder_decode_hires_screen_file(alone.c_str(), picture_format_none,
                                                          &rendered, &picture_data, nullptr));
        const PixbufPtr picture(rendered);
        EXPECT_TRUE(pngreader_picture_offences.empty());
        EXPECT_TRUE(same_image(picture.get(), 320, 200,
                               [&](int x, int y) { return pixel_at(original.get(), x, y); }));
    }
}

std::string picture_error(const std::string &path) {
    GdkPixbuf *rendered = nullptr;
    GError *error = nullptr;
    PictureData record{};
    const gboolean ok = hiresdecoder_decode_hires_screen_file(path.c_str(), picture_format_none,
                                                              &rendered, &record, &error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(rendered, nullptr);
    return error ? GErrorPtr(error)->message : "";
}

constexpr const char *accepted =
    "Accepted: 416×272 (the exported frame) or 320×200 (the picture alone), each also at 2×, 3× "
    "or 4× with every block one colour";

struct Refusal {
    const char *name;
    int width;
    int height;
    Painter paint;
    std::string message;
};

// Each image the editor refuses, with the whole message it gives.
TEST_F(FreshState, RefusedImagesNameWhatIsWrong) {
    const auto blue = [](int, int) { return pepto(6); };
    const std::vector<Refusal> refusals = {
        {"wide", 417, 272, blue, std::string("The image is 417×272 pixels\n") + accepted},
        {"five times", 1600, 1000, blue, std::string("The image is 1600×1000 pixels\n") + accepted},
        {"blocks", 832, 544, [](int x, int y) { return pepto(x == 101 && y == 60 ? 1 : 6); },
         std::string("The image is 832×544 pixels, 2× the exported frame, but its 2×2 block at "
                     "pixel (100, 60) is not one colour\n") +
             accepted},
        {"transparent", 320, 200,
         [](int x, int y) { return x == 5 && y == 7 ? 0x35287900u : pepto(6); },
         "Colour #352879 with alpha 0 at pixel (5, 7) is not opaque: every pixel must show one of "
         "the 16 C64 colours"},
        {"foreign in the right border", 416, 272,
         [](int x, int y) { return x == 368 && y == 100 ? 0xFF00FFFFu : pepto(6); },
         "Colour #FF00FF at pixel (368, 100) is none of the 16 C64 colours\nA PNG exported while "
         "unselected sprites were dimmed has such colours: export it with the selection method "
         "Frame"},
        {"foreign in the picture", 416, 272,
         [](int x, int y) { return x == 367 && y == 100 ? 0xFF00FFFFu : pepto(6); },
         "Colour #FF00FF at pixel (367, 100) is none of the 16 C64 colours"},
        {"foreign", 960, 600,
         [](int x, int y) { return x / 3 == 10 && y / 3 == 20 ? 0xFF00FFFFu : pepto(6); },
         "Colour #FF00FF at pixel (30, 60) is none of the 16 C64 colours"},
        {"strip", 416, 272, [](int x, int y) { return pepto(x == 100 && y == 3 ? 1 : 6); },
         "Colour 1 (white) at pixel (100, 3) lies in the open border outside the picture and the "
         "sprites, which shows only the background colour 6 (blue)"},
        {"corner", 1248, 816, [](int x, int y) { return pepto(x < 3 && y < 3 ? 1 : 6); },
         "Colour 1 (white) at pixel (0, 0) lies in the open border outside the picture and the "
         "sprites, which shows only the background colour 6 (blue)"},
        {"border", 416, 272, [](int x, int y) { return pepto(x == 400 && y == 270 ? 0 : 6); },
         "Colour 0 (black) at pixel (400, 270) lies in the open border outside the picture and the "
         "sprites, which shows only the background colour 6 (blue)"},
    };
    const TempDir dir;
    for (const Refusal &refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        const std::string path = write_png(dir.file(std::string(refusal.name) + ".png"),
                                           refusal.width, refusal.height, refusal.paint);
        EXPECT_EQ(picture_error(path), refusal.message);
        GError *error = nullptr;
        EXPECT_EQ(spritesdecoder_decode_sprites_file(path.c_str(), 0, 1, &error), 0);
        EXPECT_EQ(GErrorPtr(error)->message, refusal.message);
    }
    // A PNG cut short would leave rows undefined.
    const Bytes whole = read_bytes(write_png(dir.file("whole.png"), 320, 200, blue));
    const std::string cut = dir.write("cut.png", Bytes(whole.begin(), whole.end() - 1));
    EXPECT_EQ(picture_error(cut), "The PNG file is cut short: its closing IEND chunk is missing");
    // A PNG whose data is damaged is refused with the PNG reader's own message.
    Bytes damaged = whole;
    damaged[whole.size() / 2] ^= 0xFF;
    EXPECT_NE(picture_error(dir.write("damaged.png", damaged)), "");
    // The picture alone is a picture, but no sprite file.
    const std::string picture = write_png(dir.file("picture.png"), 320, 200, blue);
    GError *error = nullptr;
    EXPECT_EQ(spritesdecoder_decode_sprites_file(picture.c_str(), 0, 1, &error), 0);
    EXPECT_STREQ(GErrorPtr(error)->message,
                 "A 320×200 image holds no sprites: only a 416×272 frame has the side borders");
    EXPECT_EQ(sprites_get_array_size(), sprites_border_count);
}

// Unselected sprites dimmed by the export are blended with the background: no C64 colour, and
// the message says where such colours come from.
TEST_F(FreshState, DimmedExportIsRefusedWithTheReason) {
    const TempDir dir;
    const PixbufPtr picture = load(example_path("sunset.koa"), example_path("shapes.prg"));
    sprites_select_none();
    export_png(dir, "dimmed.png", picture.get(), spriteviews_method_alpha);
    const std::string message = picture_error(dir.file("dimmed.png"));
    unsigned rgb = 0;
    int x = -1;
    int y = -1;
    ASSERT_EQ(std::sscanf(message.c_str(), "Colour #%6X at pixel (%d, %d)", &rgb, &x, &y), 3)
        << message;
    const PixbufPtr image(gdk_pixbuf_new_from_file(dir.file("dimmed.png").c_str(), nullptr));
    EXPECT_EQ(pixel_at(image.get(), x, y), opaque(rgb));
    EXPECT_TRUE(x < 48 || x >= 368) << x;
    for (int colour = 0; colour < 16; ++colour)
        EXPECT_NE(opaque(colour), opaque(rgb));
    EXPECT_EQ(message,
              GCharPtr(g_strdup_printf(
                           "Colour #%06X at pixel (%d, %d) is none of the 16 C64 colours\nA PNG "
                           "exported while unselected sprites were dimmed has such colours: "
                           "export it with the selection method Frame",
                           rgb, x, y))
                  .get());
}

// A drawing that breaks the rules loads as the nearest fit: light grey, the cell's least used
// colour, becomes cyan, its nearest kept one; the sprite keeps white and its red pixel shows
// the background. Both places are listed.
TEST_F(FreshState, OffendingDrawingLoadsTheNearestFitAndListsThePlaces) {
    const TempDir dir;
    const std::string frame = write_png(dir.file("rules.png"), 416, 272,
                                        [](int x, int y) { return offending_frame(x, y, false); });
    const PixbufPtr imported = load(frame, frame);
    export_png(dir, "fitted.png", imported.get());
    const PixbufPtr fitted(gdk_pixbuf_new_from_file(dir.file("fitted.png").c_str(), nullptr));
    EXPECT_TRUE(same_image(fitted.get(), 416, 272, [](int x, int y) {
        const std::uint32_t rgba = offending_frame(x, y, true);
        return Rgba{std::uint8_t(rgba >> 24), std::uint8_t(rgba >> 16), std::uint8_t(rgba >> 8),
                    255};
    }));
    EXPECT_EQ(pngreader_describe_offences(pngreader_picture_offences, pngreader_sprite_offences),
              "The drawing breaks the C64's rules in 2 places (cells: the colours besides the "
              "background):\nCell column 3, row 2: cyan, white, red, light grey\nSprite slot 5: "
              "white, red");
    // A multicolour sprite of four colours keeps the shared pair that covers most of it and its
    // own colour; the fourth colour, purple, shows as its nearest of them, red.
    const auto four_colours = [](bool fitted) {
        return [fitted](int x, int y) {
            const std::array<int, 4> pairs = {1, 2, 3, fitted ? 2 : 4};
            return pepto(y == 48 && x >= 24 && x < 32 ? pairs[(x - 24) / 2] : 0);
        };
    };
    const std::string sprite = write_png(dir.file("sprite.png"), 416, 272, four_colours(false));
    sprites_module_init();
    ASSERT_EQ(spritesdecoder_decode_sprites_file(sprite.c_str(), 0, 1, nullptr), 1);
    EXPECT_EQ(pngreader_describe_offences({}, pngreader_sprite_offences),
              "The drawing breaks the C64's rules in 1 place (cells: the colours besides the "
              "background):\nSprite slot 5: white, red, cyan, purple");
    export_png(dir, "sprite_fitted.png", imported.get());
    const PixbufPtr sprite_fitted(
        gdk_pixbuf_new_from_file(dir.file("sprite_fitted.png").c_str(), nullptr));
    EXPECT_TRUE(same_image(sprite_fitted.get(), 416, 272, [&](int x, int y) {
        return x >= 48 && x < 368 && y >= 35 && y < 235
                   ? pixel_at(fitted.get(), x, y)
                   : Rgba{std::uint8_t(four_colours(true)(x, y) >> 24),
                          std::uint8_t(four_colours(true)(x, y) >> 16),
                          std::uint8_t(four_colours(true)(x, y) >> 8), 255};
    }));
    // Outlined on their own pixels at zoom 2: cell (3, 2) in the picture, slot 5 in the left
    // border (column 24, line 61).
    EXPECT_EQ(pngreader_get_cell_outlines(2), (std::vector<SpriteviewsRect>{{49, 33, 15, 15}}));
    EXPECT_EQ(pngreader_get_slot_outlines(SpriteviewsSide::left, 2),
              (std::vector<SpriteviewsRect>{{49, 123, 47, 41}}));
    EXPECT_TRUE(pngreader_get_slot_outlines(SpriteviewsSide::right, 2).empty());
    // Loading a C64 file ends the outlines.
    load(example_path("sunset.koa"), example_path("shapes.prg"));
    EXPECT_TRUE(pngreader_picture_offences.empty());
    EXPECT_TRUE(pngreader_sprite_offences.empty());
}

// The dialog lists ten places and counts the rest.
TEST(PngReader, OffenceListShowsTenAndTheTotal) {
    std::vector<PngreaderOffence> cells;
    for (int i = 0; i < 11; ++i)
        cells.push_back({false, i, 24 - i, {static_cast<std::uint8_t>(i), 1, 2, 3}});
    const std::vector<PngreaderOffence> sprites = {{true, 39, 0, {7, 8}}};
    std::string expected = "The drawing breaks the C64's rules in 12 places (cells: the colours "
                           "besides the background):";
    const char *names[] = {"black", "white", "red",    "cyan",   "purple",
                           "green", "blue",  "yellow", "orange", "brown"};
    for (int i = 0; i < 10; ++i)
        expected += "\nCell column " + std::to_string(i) + ", row " + std::to_string(24 - i) +
                    ": " + names[i] + ", white, red, cyan";
    EXPECT_EQ(pngreader_describe_offences(cells, sprites), expected + "\n… and 2 more");
    EXPECT_EQ(pngreader_describe_offence(sprites[0]), "Sprite slot 39: yellow, orange");
}

PngreaderCounts counts(std::initializer_list<std::pair<int, unsigned>> uses) {
    PngreaderCounts result{};
    for (const auto &[colour, count] : uses)
        result[colour] = count;
    return result;
}

struct BackgroundCase {
    const char *name;
    std::vector<PngreaderCounts> cells;
    int max_others;
    int expected;
};

TEST(PngReader, BackgroundLeavesTheFewestCellsWithTooManyColours) {
    const std::vector<BackgroundCase> cases = {
        {"most used wins a tie", {counts({{0, 10}, {1, 5}}), counts({{0, 3}, {2, 9}})}, 3, 0},
        {"fewest offending cells beat the most used colour",
         {counts({{1, 1}, {2, 50}, {3, 1}, {4, 1}}), counts({{1, 1}, {5, 1}, {6, 1}, {7, 1}})},
         3,
         1},
        {"characters allow one colour",
         {counts({{0, 10}, {1, 54}}), counts({{0, 30}, {2, 34}})},
         1,
         0},
        {"lowest index on a full tie", {counts({{12, 4}, {5, 4}})}, 3, 5},
    };
    for (const BackgroundCase &c : cases)
        EXPECT_EQ(pngreader_choose_background(c.cells, c.max_others), c.expected) << c.name;
}

// Each known palette's own colours point to it; colours all palettes share go to Pepto.
TEST(PngReader, PaletteIsTheOneTheColoursLieNearest) {
    const std::span<const PaletteKnown> known = palette_get_known_palettes();
    ASSERT_EQ(known.size(), 7u);
    const std::vector<std::string> names = {"Pepto",    "High contrast", "Pixcen", "CCS64",
                                            "Colodore", "VICE Colodore", "VICE"};
    for (std::size_t p = 0; p < known.size(); ++p) {
        EXPECT_EQ(known[p].name, names[p]);
        std::vector<std::array<std::uint8_t, 3>> colours(known[p].colours->begin(),
                                                         known[p].colours->end());
        std::vector<unsigned> uses(colours.size(), 1);
        EXPECT_EQ(pngreader_choose_palette(colours, uses), static_cast<int>(p)) << names[p];
        // A colour off by a few steps, used most, still points to its palette.
        colours.push_back({static_cast<std::uint8_t>((*known[p].colours)[6][0] + 3),
                           (*known[p].colours)[6][1], (*known[p].colours)[6][2]});
        uses.push_back(1000);
        EXPECT_EQ(pngreader_choose_palette(colours, uses), static_cast<int>(p)) << names[p];
    }
    const std::vector<std::array<std::uint8_t, 3>> white = {{0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(pngreader_choose_palette(white, std::vector<unsigned>{5}), 0);
    // Colodore as colodore.com shows it, against Pepto's table (for the editor's value 0).
    for (const auto &[index, rgb] : {std::pair{4, 0x813338u}, std::pair{0, 0x68372Bu},
                                     std::pair{6, 0xBE1A24u}, std::pair{5, 0x96282Eu}})
        EXPECT_EQ(pngreader_choose_palette(
                      std::vector<std::array<std::uint8_t, 3>>{
                          {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)}},
                      std::vector<unsigned>{1}),
                  index)
            << std::hex << rgb;
}

// Rows of the character ROM as the C64 Programmer's Reference Guide prints them.
TEST(PngReader, GlyphIsFoundInItsSetOnly) {
    using Rows = std::array<std::uint8_t, 8>;
    const Rows capital_a = {0x18, 0x3C, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00};
    const Rows small_a = {0x00, 0x00, 0x3C, 0x06, 0x3E, 0x66, 0x3E, 0x00};
    Rows reversed_a{};
    std::ranges::transform(capital_a, reversed_a.begin(),
                           [](std::uint8_t row) { return static_cast<std::uint8_t>(~row); });
    const Rows at_sign = {0x3C, 0x66, 0x6E, 0x6E, 0x60, 0x62, 0x3C, 0x00};
    const Rows blank{};
    Rows solid{};
    solid.fill(0xFF);
    for (const auto &[set, rows, code] :
         {std::tuple{0, capital_a, 1}, std::tuple{1, capital_a, 65}, std::tuple{1, small_a, 1},
          std::tuple{0, at_sign, 0}, std::tuple{1, at_sign, 0}, std::tuple{0, small_a, -1},
          std::tuple{0, reversed_a, 129}, std::tuple{1, reversed_a, 193}, std::tuple{0, blank, 32},
          std::tuple{1, solid, 160}})
        EXPECT_EQ(pngreader_find_glyph(set, rows), code) << set << " " << code;
}

TEST(PngReader, SharedMulticoloursLetTheMostSpritesKeepTheirColours) {
    struct Case {
        const char *name;
        std::vector<PngreaderCounts> sprites;
        std::array<std::uint8_t, 2> expected;
    };
    const std::vector<Case> cases = {
        {"no multicolour sprite keeps the store's pair", {}, {4, 10}},
        {"the pair all sprites share",
         {counts({{2, 10}, {7, 10}, {5, 3}}), counts({{2, 4}, {7, 1}, {9, 2}})},
         {2, 7}},
        {"more sprites beat more pixels",
         {counts({{1, 90}, {3, 90}, {5, 1}, {8, 1}}), counts({{5, 2}, {8, 2}, {1, 1}}),
          counts({{5, 2}, {8, 2}, {3, 1}})},
         {5, 8}},
        {"never the background", {counts({{6, 9}, {11, 9}, {12, 1}})}, {11, 12}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(pngreader_choose_multicolors(c.sprites, 6), c.expected) << c.name;
}

// A PNG of one byte a pixel written here, since GdkPixbuf writes RGB and RGBA only: colour type
// 3 (indexed, with PLTE and, when given, tRNS) or 0 (grey), in stored deflate blocks.
Bytes png_file(int width, int height, std::uint8_t colour_type, const Bytes &palette,
               const Bytes &alphas, const std::function<std::uint8_t(int, int)> &pixel) {
    const auto crc = [](const Bytes &bytes, std::size_t from) {
        std::uint32_t c = 0xFFFFFFFF;
        for (std::size_t i = from; i < bytes.size(); ++i) {
            c ^= bytes[i];
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        }
        return ~c;
    };
    const auto put32 = [](Bytes &bytes, std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    Bytes file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const auto chunk = [&](const char *type, const Bytes &data) {
        put32(file, static_cast<std::uint32_t>(data.size()));
        const std::size_t start = file.size();
        file.insert(file.end(), type, type + 4);
        file.insert(file.end(), data.begin(), data.end());
        put32(file, crc(file, start));
    };
    Bytes header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, colour_type, 0, 0, 0});
    chunk("IHDR", header);
    if (!palette.empty())
        chunk("PLTE", palette);
    if (!alphas.empty())
        chunk("tRNS", alphas);
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < width; ++x)
            raw.push_back(pixel(x, y));
    }
    Bytes deflated = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        const std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
        deflated.push_back(at + length == raw.size() ? 1 : 0);
        deflated.insert(deflated.end(), {std::uint8_t(length), std::uint8_t(length >> 8),
                                         std::uint8_t(~length), std::uint8_t(~length >> 8)});
        deflated.insert(deflated.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                        raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    put32(deflated, b << 16 | a);
    chunk("IDAT", deflated);
    chunk("IEND", {});
    return file;
}

// Palette-indexed and grey PNGs show the picture they hold; a transparent palette entry is
// refused like any transparent pixel.
TEST_F(FreshState, IndexedAndGreyImagesAreReadLikeRgb) {
    const TempDir dir;
    GdkPixbuf *rendered = nullptr;
    ASSERT_TRUE(hiresdecoder_decode_hires_screen_file(example_path("sunset.koa").c_str(), 0,
                                                      &rendered, nullptr, nullptr));
    const PixbufPtr sunset(rendered);
    Bytes pepto_palette;
    for (int colour = 0; colour < 16; ++colour)
        for (int c = 0; c < 3; ++c)
            pepto_palette.push_back(opaque(colour)[c]);
    const auto index_at = [&](int x, int y) {
        return static_cast<std::uint8_t>(
            palette_get_index_for_rgb(pixel_at(sunset.get(), x, y).data()));
    };
    // Pepto's greys are its black, dark grey, grey, light grey and white.
    const std::array<std::uint8_t, 5> greys = {0x00, 0x44, 0x6C, 0x95, 0xFF};
    const std::array<int, 5> grey_colours = {0, 11, 12, 15, 1};
    // Black and one other grey in each cell, every pair one colour: a multicolour picture.
    const auto grey_at = [](int x, int y) { return x / 2 % 2 == 0 ? 0 : 1 + (x / 8 + y / 8) % 4; };

    const std::string indexed =
        dir.write("indexed.png", png_file(320, 200, 3, pepto_palette, {}, index_at));
    const std::string grey = dir.write("grey.png", png_file(320, 200, 0, {}, {}, [&](int x, int y) {
                                           return greys[grey_at(x, y)];
                                       }));
    for (const auto &[path, expected] :
         {std::pair<std::string, std::function<Rgba(int, int)>>{
              indexed, [&](int x, int y) { return pixel_at(sunset.get(), x, y); }},
          {grey, [&](int x, int y) { return opaque(grey_colours[grey_at(x, y)]); }}}) {
        GdkPixbuf *image = nullptr;
        GError *error = nullptr;
        ASSERT_TRUE(
            hiresdecoder_decode_hires_screen_file(path.c_str(), 0, &image, &picture_data, &error))
            << GErrorPtr(error)->message;
        const PixbufPtr owned(image);
        EXPECT_EQ(picture_data.format, picture_format_koala);
        EXPECT_TRUE(same_image(image, 320, 200, expected)) << path;
    }
    const std::string clear =
        dir.write("clear.png", png_file(320, 200, 3, pepto_palette, {255, 0}, [](int x, int y) {
                      return static_cast<std::uint8_t>(x == 7 && y == 3 ? 1 : 0);
                  }));
    EXPECT_EQ(
        picture_error(clear),
        "Colour #FFFFFF with alpha 0 at pixel (7, 3) is not opaque: every pixel must show one of "
        "the 16 C64 colours");
}

// A PETSCII screen that breaks the rules: a third colour in cell 0 takes the nearer of the two
// (red is nearer blue, so it vanishes); the stray pixels of cells 1 and 3 make no glyph, so the
// nearest one is shown, the lowest code on a tie (space, not the other blanks). Cells 0 and 1
// show a white A, cell 2 its @, cell 3 nothing; all these glyphs are in both sets, so the upper
// case set is kept.
TEST_F(FreshState, PetsciiCellsBreakingTheRulesShowTheNearestCharacter) {
    constexpr std::array<std::array<std::uint8_t, 8>, 4> glyphs = {{
        {0x18, 0x3C, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00}, // A
        {0x18, 0x3C, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00},
        {0x3C, 0x66, 0x6E, 0x6E, 0x60, 0x62, 0x3C, 0x00}, // @
        {},
    }};
    const auto glyph_pixel = [&](int x, int y) {
        return x < 32 && y < 8 && (glyphs[x / 8][y] >> (7 - x % 8) & 1) != 0;
    };
    const TempDir dir;
    const std::string path = write_png(dir.file("text.png"), 320, 200, [&](int x, int y) {
        if (glyph_pixel(x, y) || (y == 7 && (x == 8 || x == 28)))
            return pepto(1);
        return pepto(x == 7 && y == 0 ? 2 : 6);
    });
    GdkPixbuf *image = nullptr;
    ASSERT_TRUE(
        hiresdecoder_decode_hires_screen_file(path.c_str(), 0, &image, &picture_data, nullptr));
    const PixbufPtr owned(image);
    EXPECT_EQ(std::tuple(picture_data.format, picture_data.charset, picture_data.screen_ram[0],
                         picture_data.screen_ram[1], picture_data.screen_ram[2],
                         picture_data.screen_ram[3]),
              std::tuple(picture_format_petscii, 0, 1, 1, 0, 32));
    EXPECT_TRUE(same_image(image, 320, 200,
                           [&](int x, int y) { return opaque(glyph_pixel(x, y) ? 1 : 6); }));
    EXPECT_EQ(pngreader_describe_offences(pngreader_picture_offences, {}),
              "The drawing breaks the C64's rules in 3 places (cells: the colours besides the "
              "background):\nCell column 0, row 0: white, red\nCell column 1, row 0: white\n"
              "Cell column 3, row 0: white");
}

// A drop or a lone file argument takes sprites too from a PNG whose header gives a frame's size.
TEST(PngReader, FrameIsKnownByItsHeader) {
    const TempDir dir;
    const auto blue = [](int, int) { return pepto(6); };
    for (const auto &[width, height, frame] :
         {std::tuple{416, 272, true}, std::tuple{1664, 1088, true}, std::tuple{320, 200, false},
          std::tuple{416, 200, false}, std::tuple{320, 272, false}, std::tuple{416, 273, false}})
        EXPECT_EQ(pngreader_is_frame_file(
                      write_png(dir.file(std::to_string(width) + "x" + std::to_string(height)),
                                width, height, blue)
                          .c_str()),
                  frame)
            << width << "x" << height;
    EXPECT_FALSE(pngreader_is_frame_file(example_path("sunset.koa").c_str()));
    EXPECT_FALSE(pngreader_is_frame_file(dir.file("missing.png").c_str()));
}

// A frame painted with any known palette, Colodore's and VICE's included, reads as the same
// picture and sprites: exported again in Pepto it is the Pepto frame, byte for byte.
TEST_F(FreshState, FramePaintedInAnyKnownPaletteReadsTheSame) {
    const TempDir dir;
    const PixbufPtr original = load(example_path("sunset.koa"), example_path("shapes.prg"));
    colour_sprites();
    const Bytes pepto_frame = export_png(dir, "pepto.png", original.get());
    const PixbufPtr frame(gdk_pixbuf_new_from_file(dir.file("pepto.png").c_str(), nullptr));
    for (const PaletteKnown &known : palette_get_known_palettes()) {
        SCOPED_TRACE(known.name);
        const std::string painted = write_png(dir.file("painted.png"), 416, 272, [&](int x, int y) {
            const Rgba rgba = pixel_at(frame.get(), x, y);
            const auto &rgb = (*known.colours)[palette_get_index_for_rgb(rgba.data())];
            return std::uint32_t{rgb[0]} << 24 | std::uint32_t{rgb[1]} << 16 |
                   std::uint32_t{rgb[2]} << 8 | 0xFF;
        });
        sprites_module_init();
        const PixbufPtr imported = load(painted, painted);
        EXPECT_TRUE(same_bytes(export_png(dir, "again.png", imported.get()), pepto_frame));
    }
}

// The viewer sets multicolour mode once for each column of border sprites (index mod 4): a
// one-colour sprite in pairs joins a column with multicolour sprites, one with single pixels
// cannot, and another column stays single colour. The frame shows the same either way.
TEST_F(FreshState, OneColourSpritesJoinTheirColumnsMulticolourWhenTheirPixelsArePairs) {
    // Row 10 of a slot in the file: slots start at line 40 of the display, the file at line 13.
    const auto slot_row = [](unsigned index) { return 27 + 21 * static_cast<int>(index / 4) + 10; };
    const auto drawing = [&](int x, int y) {
        if (y == slot_row(0) && x < 4)
            return pepto(x < 2 ? 1 : 2); // sprite 0: white and red pairs
        if ((y == slot_row(4) && x < 2) || (y == slot_row(1) && x >= 24 && x < 26) ||
            (y == slot_row(8) && x == 0))
            return pepto(3); // sprites 4 and 1 a cyan pair, sprite 8 one cyan pixel
        return pepto(0);
    };
    const TempDir dir;
    const std::string frame = write_png(dir.file("columns.png"), 416, 272, drawing);
    const PixbufPtr imported = load(frame, frame);
    const auto multicolour = [](unsigned index) {
        std::int32_t flag = -1;
        sprites_get_multicolor_at_index(index, &flag);
        return flag;
    };
    EXPECT_EQ(std::tuple(multicolour(0), multicolour(4), multicolour(8), multicolour(1)),
              std::tuple(1, 1, 0, 0));
    EXPECT_TRUE(pngreader_sprite_offences.empty());
    // Only sprite 0 needs multicolour: the shared pair is its white and red.
    EXPECT_EQ(std::pair(sprites_get_multicolor0(), sprites_get_multicolor1()),
              std::pair(std::uint8_t{1}, std::uint8_t{2}));
    export_png(dir, "again.png", imported.get());
    const PixbufPtr again(gdk_pixbuf_new_from_file(dir.file("again.png").c_str(), nullptr));
    EXPECT_TRUE(same_image(again.get(), 416, 272, [&](int x, int y) {
        const std::uint32_t rgba = drawing(x, y);
        return Rgba{std::uint8_t(rgba >> 24), std::uint8_t(rgba >> 16), std::uint8_t(rgba >> 8),
                    255};
    }));
}

} // namespace
