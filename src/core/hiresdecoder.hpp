#pragma once
// Full-screen C64 pictures: the decoded picture record and the decoder that recognises a file by
// its load address and exact size.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include <cstdint>
#include <vector>

constexpr int picture_format_none = 0;
constexpr int picture_format_petscii = 1;
constexpr int picture_format_vidcom = 6;
constexpr int picture_format_koala = 7;
constexpr int picture_format_artist64 = 8;
constexpr int picture_format_art_studio = 9;
constexpr int picture_format_blazing_paddles = 10;

constexpr bool picture_format_is_hires(int format) {
    return format >= 2 && format <= 5;
}
constexpr bool picture_format_is_multicolor(int format) {
    return format >= picture_format_vidcom && format <= picture_format_blazing_paddles;
}

constexpr int picture_bitmap_size = 8000;
constexpr int picture_cell_count = 1000;

struct PictureData {
    std::uint8_t bitmap[picture_bitmap_size];
    std::uint8_t screen_ram[picture_cell_count];
    std::uint8_t color_ram[picture_cell_count];
    std::uint8_t background_color;
    std::uint8_t charset;
    std::int32_t border_color;
    std::int32_t format;
};

extern PictureData picture_data;

// format 0 detects; 1-10 insists. picture may be null (preview: render only). On success
// *pixbuf holds a new 320x200 image owned by the caller.
gboolean hiresdecoder_decode_hires_screen_file(const gchar *utf8_path, int format,
                                               GdkPixbuf **pixbuf, PictureData *picture,
                                               GError **error);

// The picture as a file C64 tools read: Koala Painter 2 for a multicolour picture, PETSCII
// Vellum for a PETSCII screen (whose border byte is the picture's own border colour, else
// border_color); no bytes for any other format.
std::vector<std::uint8_t> hiresdecoder_build_picture_file(const PictureData &picture,
                                                          std::uint8_t border_color);
