#pragma once
// PNG images as pictures and sprites: the editor's exported 416x272 frame read back, or the
// 320x200 picture alone, each also enlarged 2x to 4x. The reader is the PNG export's inverse:
// the frame's layout comes from spriteviews, where the export takes it from.

#include "core/hiresdecoder.hpp"
#include "core/sprites.hpp"
#include "core/spriteviews.hpp"

#include <glib.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr int pngreader_picture_width = 320;
constexpr int pngreader_picture_height = 200;
constexpr int pngreader_max_scale = 4;

// Colour counts of one cell or sprite, by C64 colour index.
using PngreaderCounts = std::array<unsigned, 16>;

// A place where the drawing breaks the hardware's rules; it is loaded as the nearest fit.
struct PngreaderOffence {
    bool is_sprite; // else a picture cell
    int column;     // the cell's column and row; a sprite's slot number in column, row 0
    int row;
    std::vector<std::uint8_t> colours; // the colours involved, the most used first
    bool operator==(const PngreaderOffence &) const = default;
};

struct PngreaderSprite {
    std::array<std::uint8_t, sprite_data_size> data;
    bool multicolor;
    std::uint8_t colour;
};

struct PngreaderImage {
    PictureData picture; // multicolour as Koala, or PETSCII; carries no border colour
    bool has_sprites;    // only a whole frame has the side borders
    std::array<PngreaderSprite, sprites_border_count> sprites;
    std::uint8_t multicolor0;
    std::uint8_t multicolor1;
    int palette; // index into palette_get_known_palettes()
    std::vector<PngreaderOffence> picture_offences;
    std::vector<PngreaderOffence> sprite_offences;
};

// The offences of the PNG picture and of the PNG sprites loaded last; loading any other
// picture or sprite file empties them. The window outlines them until the next load.
extern std::vector<PngreaderOffence> pngreader_picture_offences;
extern std::vector<PngreaderOffence> pngreader_sprite_offences;

// Where the window outlines those offences at the given zoom: cells in the picture area's
// coordinates, sprite slots in their border area's.
std::vector<SpriteviewsRect> pngreader_get_cell_outlines(int zoom);
std::vector<SpriteviewsRect> pngreader_get_slot_outlines(SpriteviewsSide side, int zoom);

bool pngreader_has_signature(std::span<const std::uint8_t> bytes);
// A PNG whose header gives the size of a whole frame (at any accepted scale).
bool pngreader_is_frame_file(const gchar *utf8_path);

// Converts a PNG held in memory; false with error set when it is no image the editor takes.
gboolean pngreader_read_bytes(std::span<const std::uint8_t> bytes, PngreaderImage *image,
                              GError **error);

// The decisions the writer never makes, each on its own.
// The known palette that the colours, weighted by their counts, lie nearest to.
int pngreader_choose_palette(std::span<const std::array<std::uint8_t, 3>> colours,
                             std::span<const unsigned> counts);
// The background of a picture alone: the colour that leaves the fewest cells with more than
// max_others other colours; ties go to the colour used most, then to the lowest index. (A frame
// shows its background in the open strips.)
std::uint8_t pngreader_choose_background(std::span<const PngreaderCounts> cells, int max_others);
// The screen code whose glyph in the set (0 upper case, 1 lower case) has the pixel rows;
// -1 when none has.
int pngreader_find_glyph(int set, const std::array<std::uint8_t, 8> &rows);
// The shared sprite multicolours, lower index first, that let the most sprites keep their
// colours, then cover the most of their pixels; a fresh store's pair (purple, light red) stays
// unless another does better. Sprites that need multicolour are given by their colour counts.
std::array<std::uint8_t, 2> pngreader_choose_multicolors(std::span<const PngreaderCounts> sprites,
                                                         std::uint8_t background);

// One line for an offence, and the list of the first ten with the total.
std::string pngreader_describe_offence(const PngreaderOffence &offence);
std::string pngreader_describe_offences(std::span<const PngreaderOffence> picture,
                                        std::span<const PngreaderOffence> sprites);
