#include "core/pngreader.hpp"

#include "core/data/chargen.hpp"
#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"
#include "core/palette.hpp"
#include "core/reencode.hpp"
#include "core/spriteviews.hpp"

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>
#include <tuple>
#include <unordered_map>

std::vector<PngreaderOffence> pngreader_picture_offences;
std::vector<PngreaderOffence> pngreader_sprite_offences;

namespace {

constexpr std::array<std::uint8_t, 8> png_signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// The IHDR chunk follows the signature: length, type, then width and height big-endian.
constexpr std::size_t ihdr_width_offset = 16;
constexpr std::size_t ihdr_size = 24;
// The closing IEND chunk's type and CRC. GdkPixbuf's loader takes a file cut short without
// complaint and leaves the missing rows undefined, so a whole file must hold them.
constexpr std::array<std::uint8_t, 8> iend_chunk = {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

constexpr int colour_count = palette_colour_count;
constexpr std::uint8_t opaque_alpha = 255;
// A pixel further than this (squared RGB distance, about 24 steps in each component) from every
// colour of the chosen palette is no C64 colour; nearer, it is taken for the nearest, so that a
// palette rounded a little differently still reads.
constexpr int far_distance = 3 * 24 * 24;

// The two shapes an image may have, before enlargement.
struct Shape {
    int width;
    int height;
    bool frame;
    const char *what;
};
constexpr std::array<Shape, 2> shapes = {{
    {spriteviews_screen_width, spriteviews_export_height, true, "exported frame"},
    {pngreader_picture_width, pngreader_picture_height, false, "picture"},
}};
constexpr const char *accepted_sizes =
    "Accepted: 416×272 (the exported frame) or 320×200 (the picture alone), each also at 2×, "
    "3× or 4× with every block one colour";

// Where the picture lies in a frame file: the export cuts the display from its row 13.
constexpr int frame_picture_x = spriteviews_picture_x;
constexpr int frame_picture_y = spriteviews_picture_y - spriteviews_export_top;

// Cells: 8x8 pixels, 40 by 25. A multicolour cell is 4x8 double-wide pixels and may show three
// colours besides the background; a character one colour on it.
constexpr int cell_pixels = 8;
constexpr int screen_columns = pngreader_picture_width / cell_pixels;
constexpr int screen_rows = pngreader_picture_height / cell_pixels;
static_assert(screen_columns * screen_rows == picture_cell_count);
constexpr int multicolor_cell_colours = 3;
constexpr int character_colours = 1;
constexpr int upper_case_set = 0;
constexpr int lower_case_set = 1;

// Sprite bitmaps: three bytes a row, the leftmost pixel in the top bit.
constexpr int sprite_bytes_per_row = 3;
// The viewer shows the border sprites of every row with the same four hardware sprites, so it
// sets multicolour mode once for each column of them: index mod 4.
constexpr unsigned viewer_sprite_columns = 4;
constexpr int transparent = -1;

using Rgba = std::uint32_t; // red in the top byte, alpha in the lowest
using Rgb = std::array<std::uint8_t, 3>;
using Palette = std::array<PaletteRgb, colour_count>;

Rgb rgb_of(Rgba rgba) {
    return {static_cast<std::uint8_t>(rgba >> 24), static_cast<std::uint8_t>(rgba >> 16),
            static_cast<std::uint8_t>(rgba >> 8)};
}

int distance(const Rgb &a, const PaletteRgb &b) {
    int sum = 0;
    for (int i = 0; i < 3; ++i) {
        const int d = int{a[i]} - int{b[i]};
        sum += d * d;
    }
    return sum;
}

std::uint8_t nearest_in(const Rgb &rgb, const Palette &palette) {
    int best = 0;
    for (int i = 1; i < colour_count; ++i) {
        if (distance(rgb, palette[i]) < distance(rgb, palette[best]))
            best = i;
    }
    return static_cast<std::uint8_t>(best);
}

// Of the allowed colours, the one nearest to colour as the palette shows them.
std::uint8_t nearest_of(std::uint8_t colour, std::span<const std::uint8_t> allowed,
                        const Palette &palette) {
    std::uint8_t best = allowed.front();
    for (const std::uint8_t c : allowed) {
        if (distance(palette[colour], palette[c]) < distance(palette[colour], palette[best]))
            best = c;
    }
    return best;
}

void fail(GError **error, const std::string &message) {
    g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, message.c_str());
}

std::string printf_text(const char *format_text, auto... values) {
    const GCharPtr text(g_strdup_printf(format_text, values...));
    return text.get();
}

// The image at scale 1 as packed RGBA, each block of the file one pixel.
struct Pixels {
    const Shape *shape;
    int scale;
    std::vector<Rgba> rgba;
    int width() const { return shape->width; }
};

Rgba pixel_of(const guchar *pixels, int rowstride, int channels, int x, int y) {
    const guchar *p = pixels + static_cast<std::ptrdiff_t>(y) * rowstride + x * channels;
    return Rgba{p[0]} << 24 | Rgba{p[1]} << 16 | Rgba{p[2]} << 8 |
           (channels == 4 ? p[3] : opaque_alpha);
}

const Shape *shape_of(int width, int height, int *scale) {
    for (const Shape &shape : shapes) {
        for (int n = 1; n <= pngreader_max_scale; ++n) {
            if (width == shape.width * n && height == shape.height * n) {
                *scale = n;
                return &shape;
            }
        }
    }
    return nullptr;
}

std::optional<Pixels> sample(const GdkPixbuf *pixbuf, GError **error) {
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    int scale = 1;
    const Shape *shape = shape_of(width, height, &scale);
    if (shape == nullptr) {
        fail(error, printf_text("The image is %d×%d pixels\n%s", width, height, accepted_sizes));
        return std::nullopt;
    }
    const guchar *pixels = gdk_pixbuf_read_pixels(pixbuf);
    const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    Pixels sampled{shape, scale, std::vector<Rgba>(std::size_t(shape->width) * shape->height)};
    for (int by = 0; by < shape->height; ++by) {
        for (int bx = 0; bx < shape->width; ++bx) {
            const Rgba value = pixel_of(pixels, rowstride, channels, bx * scale, by * scale);
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    if (pixel_of(pixels, rowstride, channels, bx * scale + dx, by * scale + dy) !=
                        value) {
                        fail(error,
                             printf_text("The image is %d×%d pixels, %d× the %s, but its %d×%d "
                                         "block at pixel (%d, %d) is not one colour\n%s",
                                         width, height, scale, shape->what, scale, scale,
                                         bx * scale, by * scale, accepted_sizes));
                        return std::nullopt;
                    }
                }
            }
            sampled.rgba[std::size_t(by) * shape->width + bx] = value;
        }
    }
    return sampled;
}

// Every distinct colour of the image with its count and its first pixel.
struct ColourUse {
    Rgba rgba;
    unsigned count;
    int first;
};

std::vector<ColourUse> colours_of(const Pixels &pixels, std::vector<std::uint32_t> *use_of_pixel) {
    std::vector<ColourUse> uses;
    std::unordered_map<Rgba, std::uint32_t> index_of;
    use_of_pixel->resize(pixels.rgba.size());
    for (std::size_t i = 0; i < pixels.rgba.size(); ++i) {
        const auto [found, added] =
            index_of.try_emplace(pixels.rgba[i], static_cast<std::uint32_t>(uses.size()));
        if (added)
            uses.push_back({pixels.rgba[i], 0, static_cast<int>(i)});
        ++uses[found->second].count;
        (*use_of_pixel)[i] = found->second;
    }
    return uses;
}

bool in_side_border(const Pixels &pixels, int x) {
    return pixels.shape->frame && (x < spriteviews_border_width || x >= spriteviews_right_border_x);
}

// The image as C64 colour indices; false with error for a colour that is none of them.
bool to_indices(const Pixels &pixels, std::vector<std::uint8_t> *indices, int *palette_index,
                GError **error) {
    std::vector<std::uint32_t> use_of_pixel;
    const std::vector<ColourUse> uses = colours_of(pixels, &use_of_pixel);
    const auto file_x = [&](const ColourUse &use) {
        return use.first % pixels.width() * pixels.scale;
    };
    const auto file_y = [&](const ColourUse &use) {
        return use.first / pixels.width() * pixels.scale;
    };
    std::vector<Rgb> rgbs;
    std::vector<unsigned> counts;
    for (const ColourUse &use : uses) {
        const unsigned alpha = use.rgba & 0xFF;
        if (alpha != opaque_alpha) {
            fail(error,
                 printf_text("Colour #%02X%02X%02X with alpha %u at pixel (%d, %d) is not opaque: "
                             "every pixel must show one of the 16 C64 colours",
                             use.rgba >> 24, use.rgba >> 16 & 0xFF, use.rgba >> 8 & 0xFF, alpha,
                             file_x(use), file_y(use)));
            return false;
        }
        rgbs.push_back(rgb_of(use.rgba));
        counts.push_back(use.count);
    }
    *palette_index = pngreader_choose_palette(rgbs, counts);
    const Palette &palette = *palette_get_known_palettes()[*palette_index].colours;
    std::vector<std::uint8_t> index_of_use(uses.size());
    for (std::size_t u = 0; u < uses.size(); ++u) {
        const std::uint8_t nearest = nearest_in(rgbs[u], palette);
        if (distance(rgbs[u], palette[nearest]) > far_distance) {
            const int x = file_x(uses[u]);
            fail(error,
                 printf_text(
                     "Colour #%02X%02X%02X at pixel (%d, %d) is none of the 16 C64 colours%s",
                     rgbs[u][0], rgbs[u][1], rgbs[u][2], x, file_y(uses[u]),
                     in_side_border(pixels, uses[u].first % pixels.width())
                         ? "\nA PNG exported while unselected sprites were dimmed has such "
                           "colours: export it with the selection method Frame"
                         : ""));
            return false;
        }
        index_of_use[u] = nearest;
    }
    indices->resize(use_of_pixel.size());
    std::ranges::transform(use_of_pixel, indices->begin(),
                           [&](std::uint32_t u) { return index_of_use[u]; });
    return true;
}

// Colours other than the background, the most used first (ties: lower index).
std::vector<std::uint8_t> others_by_use(const PngreaderCounts &counts, int background) {
    std::vector<std::uint8_t> others;
    for (int c = 0; c < colour_count; ++c) {
        if (c != background && counts[c] > 0)
            others.push_back(static_cast<std::uint8_t>(c));
    }
    std::ranges::stable_sort(others,
                             [&](std::uint8_t a, std::uint8_t b) { return counts[a] > counts[b]; });
    return others;
}

int cell_of(int x, int y) {
    return y / cell_pixels * screen_columns + x / cell_pixels;
}

std::vector<PngreaderCounts> count_cells(std::span<const std::uint8_t> picture) {
    std::vector<PngreaderCounts> cells(picture_cell_count);
    for (int y = 0; y < pngreader_picture_height; ++y)
        for (int x = 0; x < pngreader_picture_width; ++x)
            ++cells[cell_of(x, y)][picture[y * pngreader_picture_width + x]];
    return cells;
}

bool pixels_come_in_pairs(std::span<const std::uint8_t> picture) {
    for (std::size_t i = 0; i < picture.size(); i += 2) {
        if (picture[i] != picture[i + 1])
            return false;
    }
    return true;
}

PngreaderOffence cell_offence(int cell, std::vector<std::uint8_t> colours) {
    return {false, cell % screen_columns, cell / screen_columns, std::move(colours)};
}

// Multicolour: an offending cell keeps the background and its three colours used most; the rest
// take the nearest of those. Then the re-encoder assigns the bit pairs.
void encode_multicolor(std::span<const std::uint8_t> picture,
                       std::span<const PngreaderCounts> cells, std::uint8_t background,
                       const Palette &palette, PngreaderImage *image) {
    std::vector<std::uint8_t> wide(std::size_t(reencode_image_width) * reencode_image_height);
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = picture[2 * i];
    for (int cell = 0; cell < picture_cell_count; ++cell) {
        std::vector<std::uint8_t> others = others_by_use(cells[cell], background);
        if (static_cast<int>(others.size()) <= multicolor_cell_colours)
            continue;
        std::vector<std::uint8_t> kept(others.begin(), others.begin() + multicolor_cell_colours);
        kept.push_back(background);
        const int left = cell % screen_columns * cell_pixels / 2;
        const int top = cell / screen_columns * cell_pixels;
        for (int y = top; y < top + cell_pixels; ++y)
            for (int x = left; x < left + cell_pixels / 2; ++x) {
                std::uint8_t &c = wide[std::size_t(y) * reencode_image_width + x];
                c = nearest_of(c, kept, palette);
            }
        image->picture_offences.push_back(cell_offence(cell, std::move(others)));
    }
    reencode_process_image_mc(wide, background, &image->picture);
    image->picture.format = picture_format_koala;
}

using GlyphRows = std::array<std::uint8_t, cell_pixels>;

GlyphRows glyph_rows(int set, int code) {
    GlyphRows rows{};
    const std::size_t offset =
        std::size_t(set) * c64_chargen_set_size + std::size_t(code) * c64_chargen_glyph_size;
    std::copy_n(c64_chargen_rom.begin() + static_cast<std::ptrdiff_t>(offset), cell_pixels,
                rows.begin());
    return rows;
}

std::uint64_t key_of(const GlyphRows &rows) {
    std::uint64_t key = 0;
    for (const std::uint8_t row : rows)
        key = key << 8 | row;
    return key;
}

// Glyph rows to screen code, the lowest code for glyphs the ROM holds twice.
const std::unordered_map<std::uint64_t, std::uint8_t> &glyph_index(int set) {
    static const auto build = [](int s) {
        std::unordered_map<std::uint64_t, std::uint8_t> index;
        for (int code = 0; code < static_cast<int>(c64_chargen_glyph_count); ++code)
            index.try_emplace(key_of(glyph_rows(s, code)), static_cast<std::uint8_t>(code));
        return index;
    };
    static const std::array indices = {build(upper_case_set), build(lower_case_set)};
    return indices[set];
}

std::uint8_t nearest_glyph(int set, const GlyphRows &rows) {
    int best_code = 0;
    int best_distance = std::numeric_limits<int>::max();
    const std::uint64_t key = key_of(rows);
    for (int code = 0; code < static_cast<int>(c64_chargen_glyph_count); ++code) {
        const int d = std::popcount(key ^ key_of(glyph_rows(set, code)));
        if (d < best_distance) {
            best_distance = d;
            best_code = code;
        }
    }
    return static_cast<std::uint8_t>(best_code);
}

// A character cell: its foreground (the colour used most besides the background) and its pixel
// rows, pixels of a third colour taken as the nearer of the two.
struct Character {
    std::uint8_t foreground;
    GlyphRows rows;
    std::vector<std::uint8_t> others;
};

Character character_of(std::span<const std::uint8_t> picture, int cell,
                       const PngreaderCounts &counts, std::uint8_t background,
                       const Palette &palette) {
    Character character{background, {}, others_by_use(counts, background)};
    if (character.others.empty())
        return character;
    character.foreground = character.others.front();
    const std::array<std::uint8_t, 2> allowed = {character.foreground, background};
    const int left = cell % screen_columns * cell_pixels;
    const int top = cell / screen_columns * cell_pixels;
    for (int k = 0; k < cell_pixels; ++k)
        for (int x = 0; x < cell_pixels; ++x) {
            const std::uint8_t c = picture[(top + k) * pngreader_picture_width + left + x];
            if (nearest_of(c, allowed, palette) == character.foreground)
                character.rows[k] |= static_cast<std::uint8_t>(0x80 >> x);
        }
    return character;
}

bool fits(const Character &character, int set) {
    return static_cast<int>(character.others.size()) <= character_colours &&
           pngreader_find_glyph(set, character.rows) >= 0;
}

// PETSCII: the set whose glyphs fit the most cells (upper case on a tie); a cell that fits
// neither takes the nearest glyph.
void encode_petscii(std::span<const std::uint8_t> picture, std::span<const PngreaderCounts> cells,
                    std::uint8_t background, const Palette &palette, PngreaderImage *image) {
    std::vector<Character> characters;
    std::array<int, 2> misfits{};
    for (int cell = 0; cell < picture_cell_count; ++cell) {
        characters.push_back(character_of(picture, cell, cells[cell], background, palette));
        for (const int set : {upper_case_set, lower_case_set})
            misfits[set] += fits(characters.back(), set) ? 0 : 1;
    }
    const int set =
        misfits[lower_case_set] < misfits[upper_case_set] ? lower_case_set : upper_case_set;
    for (int cell = 0; cell < picture_cell_count; ++cell) {
        const Character &character = characters[cell];
        const int code = pngreader_find_glyph(set, character.rows);
        image->picture.screen_ram[cell] =
            code >= 0 ? static_cast<std::uint8_t>(code) : nearest_glyph(set, character.rows);
        image->picture.color_ram[cell] = character.foreground;
        if (!fits(character, set))
            image->picture_offences.push_back(cell_offence(cell, character.others));
    }
    image->picture.charset = static_cast<std::uint8_t>(set);
    image->picture.format = picture_format_petscii;
}

void convert_picture(std::span<const std::uint8_t> picture, std::optional<std::uint8_t> background,
                     const Palette &palette, PngreaderImage *image) {
    const std::vector<PngreaderCounts> cells = count_cells(picture);
    const bool multicolor = pixels_come_in_pairs(picture);
    image->picture.background_color = background.value_or(pngreader_choose_background(
        cells, multicolor ? multicolor_cell_colours : character_colours));
    if (multicolor)
        encode_multicolor(picture, cells, image->picture.background_color, palette, image);
    else
        encode_petscii(picture, cells, image->picture.background_color, palette, image);
}

// What the export puts at each pixel of the frame: the picture, a sprite's visible pixel, or
// the background it fills the rest with.
enum class Region : std::uint8_t { fill, picture, sprite };

std::vector<Region> frame_regions() {
    constexpr int width = spriteviews_screen_width;
    std::vector<Region> regions(std::size_t(width) * spriteviews_export_height, Region::fill);
    for (int y = 0; y < pngreader_picture_height; ++y)
        std::fill_n(regions.begin() + (frame_picture_y + y) * width + frame_picture_x,
                    pngreader_picture_width, Region::picture);
    for (unsigned i = 0; i < sprites_border_count; ++i) {
        const SpriteviewsRect slot = spriteviews_get_border_slot(i);
        const SpriteviewsSide side = spriteviews_get_side_of_index(i);
        const SpriteviewsRect band = spriteviews_get_visible_band(side);
        const int left = side == SpriteviewsSide::left ? 0 : spriteviews_right_border_x;
        const int top = std::max({slot.y, band.y, spriteviews_export_top});
        const int bottom = std::min({slot.y + slot.height, band.y + band.height,
                                     spriteviews_export_top + spriteviews_export_height});
        for (int y = top; y < bottom; ++y)
            std::fill_n(regions.begin() + (y - spriteviews_export_top) * width + left + slot.x,
                        slot.width, Region::sprite);
    }
    return regions;
}

const std::vector<Region> &regions_of_frame() {
    static const std::vector<Region> regions = frame_regions();
    return regions;
}

// The export paints the open strips and the empty border in the background colour, so the
// colour used most there is the background; any other colour there is an error.
std::uint8_t fill_colour(std::span<const std::uint8_t> frame) {
    const std::vector<Region> &regions = regions_of_frame();
    PngreaderCounts counts{};
    for (std::size_t i = 0; i < frame.size(); ++i)
        if (regions[i] == Region::fill)
            ++counts[frame[i]];
    return static_cast<std::uint8_t>(std::ranges::max_element(counts) - counts.begin());
}

// A sprite as the frame shows it: a colour or transparent per pixel.
using SpritePixels = std::array<int, sprite_width * sprite_height>;

SpritePixels sprite_pixels(std::span<const std::uint8_t> frame, unsigned index,
                           std::uint8_t background) {
    SpritePixels pixels;
    pixels.fill(transparent);
    const SpriteviewsRect slot = spriteviews_get_border_slot(index);
    const int left = (spriteviews_get_side_of_index(index) == SpriteviewsSide::left
                          ? 0
                          : spriteviews_right_border_x) +
                     slot.x;
    const std::vector<Region> &regions = regions_of_frame();
    for (int r = 0; r < slot.height; ++r) {
        const int y = slot.y + r - spriteviews_export_top;
        if (y < 0 || y >= spriteviews_export_height)
            continue;
        for (int x = 0; x < slot.width; ++x) {
            const std::size_t at = std::size_t(y) * spriteviews_screen_width + left + x;
            if (regions[at] == Region::sprite && frame[at] != background)
                pixels[r * sprite_width + x] = frame[at];
        }
    }
    return pixels;
}

PngreaderCounts count_sprite(const SpritePixels &pixels) {
    PngreaderCounts counts{};
    for (const int c : pixels)
        if (c != transparent)
            ++counts[c];
    return counts;
}

bool sprite_in_pairs(const SpritePixels &pixels) {
    for (std::size_t i = 0; i < pixels.size(); i += 2)
        if (pixels[i] != pixels[i + 1])
            return false;
    return true;
}

// How one sprite is drawn: its mode, own colour and the colours each pixel may take.
struct SpritePlan {
    SpritePixels pixels;
    std::vector<std::uint8_t> colours; // by use
    bool multicolor = false;
    std::optional<std::uint8_t> own; // none: no pixel needs it
    bool offends = false;
};

SpritePlan plan_sprite(const SpritePixels &pixels, std::array<std::uint8_t, 2> shared) {
    SpritePlan plan;
    plan.pixels = pixels;
    plan.colours = others_by_use(count_sprite(pixels), transparent);
    if (plan.colours.empty())
        return plan;
    if (plan.colours.size() == 1) {
        plan.own = plan.colours.front();
        return plan;
    }
    if (!sprite_in_pairs(pixels)) {
        plan.own = plan.colours.front();
        plan.offends = true;
        return plan;
    }
    plan.multicolor = true;
    std::vector<std::uint8_t> leftover;
    for (const std::uint8_t c : plan.colours)
        if (c != shared[0] && c != shared[1])
            leftover.push_back(c);
    if (!leftover.empty())
        plan.own = leftover.front();
    plan.offends = leftover.size() > 1;
    return plan;
}

// Sets the bits of a sprite whose bitmap is still clear.
void encode_sprite(const SpritePlan &plan, std::array<std::uint8_t, 2> shared,
                   std::uint8_t background, const Palette &palette, PngreaderSprite *sprite) {
    sprite->multicolor = plan.multicolor;
    sprite->colour = plan.own.value_or(sprites_fresh_colour);
    const auto allowed_bits = [&]() -> std::vector<std::pair<std::uint8_t, unsigned>> {
        if (plan.multicolor)
            return {{background, 0}, {shared[0], 1}, {sprite->colour, 2}, {shared[1], 3}};
        return {{background, 0}, {sprite->colour, 1}};
    }();
    std::vector<std::uint8_t> allowed;
    for (const auto &[colour, bits] : allowed_bits)
        allowed.push_back(colour);
    const int step = plan.multicolor ? 2 : 1;
    for (int r = 0; r < static_cast<int>(sprite_height); ++r)
        for (int x = 0; x < static_cast<int>(sprite_width); x += step) {
            const int c = plan.pixels[r * sprite_width + x];
            if (c == transparent)
                continue;
            const std::uint8_t shown = nearest_of(static_cast<std::uint8_t>(c), allowed, palette);
            // The background itself is never drawn: its pixels show through as bit pair 00.
            const auto found =
                std::ranges::find_if(allowed_bits.begin() + 1, allowed_bits.end(),
                                     [&](const auto &entry) { return entry.first == shown; });
            if (found == allowed_bits.end())
                continue;
            const int shift = (plan.multicolor ? 6 : 7) - x % 8;
            sprite->data[r * sprite_bytes_per_row + x / 8] |=
                static_cast<std::uint8_t>(found->second << shift);
        }
}

// Sprites 20-23 and 32-35 show the colour of the sprite four places earlier: when both need
// their own colour and these differ, the later one gives way.
void link_pairs(std::array<SpritePlan, sprites_border_count> &plans) {
    for (unsigned i = 0; i < sprites_border_count; ++i) {
        if (!sprites_is_linked_index(i))
            continue;
        SpritePlan &source = plans[sprites_get_colour_source_index(i)];
        SpritePlan &follower = plans[i];
        if (!source.own)
            source.own = follower.own;
        else if (follower.own && *follower.own != *source.own)
            follower.offends = true;
        follower.own = source.own;
    }
}

void convert_sprites(std::span<const std::uint8_t> frame, std::uint8_t background,
                     const Palette &palette, PngreaderImage *image) {
    std::array<SpritePixels, sprites_border_count> pixels;
    std::vector<PngreaderCounts> multicolour_counts;
    for (unsigned i = 0; i < sprites_border_count; ++i) {
        pixels[i] = sprite_pixels(frame, i, background);
        const PngreaderCounts counts = count_sprite(pixels[i]);
        const auto used = std::ranges::count_if(counts, [](unsigned n) { return n > 0; });
        if (used > 1 && sprite_in_pairs(pixels[i]))
            multicolour_counts.push_back(counts);
    }
    const std::array<std::uint8_t, 2> shared =
        pngreader_choose_multicolors(multicolour_counts, background);
    std::array<SpritePlan, sprites_border_count> plans;
    std::array<bool, viewer_sprite_columns> multicolour_column{};
    for (unsigned i = 0; i < sprites_border_count; ++i) {
        plans[i] = plan_sprite(pixels[i], shared);
        multicolour_column[i % viewer_sprite_columns] |= plans[i].multicolor;
    }
    // A one-colour sprite whose pixels come in pairs shows the same pixels in multicolour, so it
    // joins a column of multicolour sprites and the program shows the frame as it is drawn.
    for (unsigned i = 0; i < sprites_border_count; ++i)
        if (multicolour_column[i % viewer_sprite_columns] && plans[i].colours.size() == 1 &&
            sprite_in_pairs(pixels[i]))
            plans[i].multicolor = true;
    link_pairs(plans);
    for (unsigned i = 0; i < sprites_border_count; ++i) {
        encode_sprite(plans[i], shared, background, palette, &image->sprites[i]);
        if (plans[i].offends)
            image->sprite_offences.push_back({true, static_cast<int>(i), 0, plans[i].colours});
    }
    image->multicolor0 = shared[0];
    image->multicolor1 = shared[1];
    image->has_sprites = true;
}

// The export fills everything outside the picture and the sprites' visible bands with the
// background, so nothing else may be drawn there.
bool check_fill(std::span<const std::uint8_t> frame, std::uint8_t background, int scale,
                GError **error) {
    const std::vector<Region> &regions = regions_of_frame();
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (regions[i] == Region::fill && frame[i] != background) {
            const int x = static_cast<int>(i % spriteviews_screen_width) * scale;
            const int y = static_cast<int>(i / spriteviews_screen_width) * scale;
            fail(error,
                 printf_text("Colour %d (%s) at pixel (%d, %d) lies in the open border outside "
                             "the picture and the sprites, which shows only the background "
                             "colour %d (%s)",
                             frame[i], palette_get_colour_name(frame[i]), x, y, background,
                             palette_get_colour_name(background)));
            return false;
        }
    }
    return true;
}

std::string colour_list(std::span<const std::uint8_t> colours) {
    std::string text;
    for (const std::uint8_t c : colours) {
        if (!text.empty())
            text += ", ";
        text += palette_get_colour_name(c);
    }
    return text;
}

// The decoded image: its colours, then the picture and, in a frame, the sprites.
gboolean convert_pixbuf(const GdkPixbuf *pixbuf, PngreaderImage *image, GError **error) {
    const std::optional<Pixels> pixels = sample(pixbuf, error);
    if (!pixels)
        return FALSE;
    std::vector<std::uint8_t> indices;
    int palette_index = 0;
    if (!to_indices(*pixels, &indices, &palette_index, error))
        return FALSE;
    const Palette &palette = *palette_get_known_palettes()[palette_index].colours;

    *image = PngreaderImage{};
    image->picture.border_color = -1;
    image->palette = palette_index;
    image->multicolor0 = sprites_default_multicolor0;
    image->multicolor1 = sprites_default_multicolor1;
    if (!pixels->shape->frame) {
        convert_picture(indices, std::nullopt, palette, image);
        return TRUE;
    }
    const std::uint8_t background = fill_colour(indices);
    if (!check_fill(indices, background, pixels->scale, error))
        return FALSE;
    std::vector<std::uint8_t> picture(std::size_t(pngreader_picture_width) *
                                      pngreader_picture_height);
    for (int y = 0; y < pngreader_picture_height; ++y)
        std::copy_n(indices.begin() + (frame_picture_y + y) * spriteviews_screen_width +
                        frame_picture_x,
                    pngreader_picture_width, picture.begin() + y * pngreader_picture_width);
    convert_picture(picture, background, palette, image);
    convert_sprites(indices, background, palette, image);
    return TRUE;
}

} // namespace

std::vector<SpriteviewsRect> pngreader_get_cell_outlines(int zoom) {
    // Stroked like the selection frames: one pixel on the outermost pixels of the cell.
    std::vector<SpriteviewsRect> outlines;
    for (const PngreaderOffence &offence : pngreader_picture_offences)
        outlines.push_back({offence.column * cell_pixels * zoom + 1,
                            offence.row * cell_pixels * zoom + 1, cell_pixels * zoom - 1,
                            cell_pixels * zoom - 1});
    return outlines;
}

std::vector<SpriteviewsRect> pngreader_get_slot_outlines(SpriteviewsSide side, int zoom) {
    std::vector<SpriteviewsRect> outlines;
    for (const PngreaderOffence &offence : pngreader_sprite_offences) {
        const auto index = static_cast<unsigned>(offence.column);
        if (spriteviews_get_side_of_index(index) != side)
            continue;
        const SpriteviewsRect slot = spriteviews_get_border_slot(index);
        outlines.push_back(spriteviews_get_frame_rect(slot.x, slot.y, zoom));
    }
    return outlines;
}

bool pngreader_has_signature(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= png_signature.size() &&
           std::equal(png_signature.begin(), png_signature.end(), bytes.begin());
}

bool pngreader_is_frame_file(const gchar *utf8_path) {
    const GCharPtr filename = glib_filename_from_utf8(utf8_path);
    gchar *raw = nullptr;
    gsize length = 0;
    if (!filename || !g_file_get_contents(filename.get(), &raw, &length, nullptr))
        return false;
    const GCharPtr contents(raw);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t *>(raw), length);
    if (!pngreader_has_signature(bytes) || length < ihdr_size)
        return false;
    const auto big_endian = [&](std::size_t at) {
        return int(bytes[at]) << 24 | int(bytes[at + 1]) << 16 | int(bytes[at + 2]) << 8 |
               int(bytes[at + 3]);
    };
    int scale = 1;
    const Shape *shape =
        shape_of(big_endian(ihdr_width_offset), big_endian(ihdr_width_offset + 4), &scale);
    return shape != nullptr && shape->frame;
}

gboolean pngreader_read_bytes(std::span<const std::uint8_t> bytes, PngreaderImage *image,
                              GError **error) {
    if (std::ranges::search(bytes, iend_chunk).empty()) {
        fail(error, "The PNG file is cut short: its closing IEND chunk is missing");
        return FALSE;
    }
    const std::unique_ptr<GdkPixbufLoader, GObjectUnref> loader(
        gdk_pixbuf_loader_new_with_type("png", error));
    if (!loader)
        return FALSE;
    const gboolean written =
        gdk_pixbuf_loader_write(loader.get(), bytes.data(), bytes.size(), error);
    // Closing is needed even after a failed write; its own error then adds nothing.
    if (!gdk_pixbuf_loader_close(loader.get(), written ? error : nullptr) || !written)
        return FALSE;
    const GdkPixbuf *pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (pixbuf == nullptr) {
        fail(error, "Could not create pixbuf");
        return FALSE;
    }
    return convert_pixbuf(pixbuf, image, error);
}

int pngreader_choose_palette(std::span<const std::array<std::uint8_t, 3>> colours,
                             std::span<const unsigned> counts) {
    const std::span<const PaletteKnown> known = palette_get_known_palettes();
    int best = 0;
    std::uint64_t best_score = std::numeric_limits<std::uint64_t>::max();
    for (std::size_t p = 0; p < known.size(); ++p) {
        std::uint64_t score = 0;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const Palette &palette = *known[p].colours;
            score += std::uint64_t(counts[i]) *
                     static_cast<std::uint64_t>(
                         distance(colours[i], palette[nearest_in(colours[i], palette)]));
        }
        if (score < best_score) {
            best_score = score;
            best = static_cast<int>(p);
        }
    }
    return best;
}

std::uint8_t pngreader_choose_background(std::span<const PngreaderCounts> cells, int max_others) {
    PngreaderCounts totals{};
    for (const PngreaderCounts &cell : cells)
        for (int c = 0; c < colour_count; ++c)
            totals[c] += cell[c];
    // Smaller is better: offending cells, fewer pixels, higher index.
    const auto rank = [&](int b) {
        unsigned offending = 0;
        for (const PngreaderCounts &cell : cells) {
            int others = 0;
            for (int c = 0; c < colour_count; ++c)
                others += (c != b && cell[c] > 0) ? 1 : 0;
            offending += others > max_others ? 1 : 0;
        }
        return std::tuple(offending, ~totals[b], b);
    };
    int best = 0;
    for (int b = 1; b < colour_count; ++b)
        if (rank(b) < rank(best))
            best = b;
    return static_cast<std::uint8_t>(best);
}

int pngreader_find_glyph(int set, const std::array<std::uint8_t, 8> &rows) {
    const auto &index = glyph_index(set);
    const auto found = index.find(key_of(rows));
    return found == index.end() ? -1 : found->second;
}

std::array<std::uint8_t, 2> pngreader_choose_multicolors(std::span<const PngreaderCounts> sprites,
                                                         std::uint8_t background) {
    // Larger is better: sprites that keep their colours, then pixels the pair covers.
    const auto rank = [&](int a, int b) {
        unsigned fitting = 0;
        unsigned covered = 0;
        for (const PngreaderCounts &counts : sprites) {
            int leftover = 0;
            for (int c = 0; c < colour_count; ++c)
                leftover += (c != a && c != b && c != background && counts[c] > 0) ? 1 : 0;
            fitting += leftover <= 1 ? 1 : 0;
            covered += counts[a] + counts[b];
        }
        return std::pair(fitting, covered);
    };
    // A store's own pair stays when no other does better.
    std::array<std::uint8_t, 2> best = {sprites_default_multicolor0, sprites_default_multicolor1};
    auto best_rank = rank(best[0], best[1]);
    for (int a = 0; a < colour_count; ++a)
        for (int b = a + 1; b < colour_count; ++b) {
            if (a == background || b == background)
                continue;
            const auto r = rank(a, b);
            if (r > best_rank) {
                best_rank = r;
                best = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)};
            }
        }
    return best;
}

std::string pngreader_describe_offence(const PngreaderOffence &offence) {
    if (offence.is_sprite)
        return printf_text("Sprite slot %d: %s", offence.column,
                           colour_list(offence.colours).c_str());
    return printf_text("Cell column %d, row %d: %s", offence.column, offence.row,
                       colour_list(offence.colours).c_str());
}

std::string pngreader_describe_offences(std::span<const PngreaderOffence> picture,
                                        std::span<const PngreaderOffence> sprites) {
    constexpr std::size_t listed = 10;
    const std::size_t total = picture.size() + sprites.size();
    std::string text =
        printf_text(tr_count("The drawing breaks the C64's rules in %u place (cells: the colours "
                             "besides the background):",
                             "The drawing breaks the C64's rules in %u places (cells: the colours "
                             "besides the background):",
                             total),
                    static_cast<unsigned>(total));
    std::size_t shown = 0;
    for (const auto list : {picture, sprites})
        for (const PngreaderOffence &offence : list)
            if (shown++ < listed) {
                text += '\n';
                text += pngreader_describe_offence(offence);
            }
    if (total > listed)
        text += printf_text("\n… and %u more", static_cast<unsigned>(total - listed));
    return text;
}
