#include "core/hiresdecoder.hpp"

#include "core/c64pixbufs.hpp"
#include "core/glib_ptr.hpp"
#include "core/pixbufs.hpp"
#include "core/pngreader.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

// Nothing decoded yet, so no border colour is carried either.
PictureData picture_data = {{}, {}, {}, 0, 0, -1, picture_format_none};

namespace {

constexpr int screen_columns = 40;
constexpr int screen_rows = 25;
constexpr int absent = -1; // the format carries no such part

// Load addresses a format accepts; messages name the first.
constexpr auto petscii_addresses = std::to_array<std::uint16_t>({0x1928}); // the bytes 40, 25
constexpr auto vidcom_addresses = std::to_array<std::uint16_t>({0x5800});
// Koala Painter saves at $6000; files moved to $2000 or $4000 are the same picture.
constexpr auto koala_addresses = std::to_array<std::uint16_t>({0x6000, 0x2000, 0x4000});
constexpr auto artist64_addresses = std::to_array<std::uint16_t>({0x4000});
constexpr auto art_studio_addresses = std::to_array<std::uint16_t>({0x2000});
constexpr auto blazing_paddles_addresses = std::to_array<std::uint16_t>({0xA000});

// Where each part lies in the file: offsets include the two load address bytes.
struct PictureLayout {
    int format;
    std::span<const std::uint16_t> load_addresses;
    std::size_t file_size;
    int bitmap;
    int screen;
    int colour;
    int background;
    int border;
    int charset;
};

// In the order detection tries them. No two formats share both a load address and a size, so the
// first layout matching both is the file's format, and a $4000 or $2000 file of any size but the
// Koala, Artist 64 or Art Studio one matches nothing.
constexpr std::array<PictureLayout, 6> picture_layouts = {{
    {picture_format_petscii, petscii_addresses, 2005, absent, 5, 1005, 3, 2, 4},
    {picture_format_vidcom, vidcom_addresses, 10050, 2050, 1026, 2, 2026, absent, absent},
    {picture_format_koala, koala_addresses, 10003, 2, 8002, 9002, 10002, absent, absent},
    {picture_format_artist64, artist64_addresses, 10242, 2, 8194, 9218, 10241, absent, absent},
    {picture_format_art_studio, art_studio_addresses, 10018, 2, 8002, 9018, 9003, 9002, absent},
    {picture_format_blazing_paddles, blazing_paddles_addresses, 10242, 2, 8194, 9218, 8066, absent,
     absent},
}};

constexpr bool layout_fits(const PictureLayout &layout) {
    const auto within = [&](int offset, int length) {
        return offset == absent ||
               (offset >= 2 && offset + length <= static_cast<int>(layout.file_size));
    };
    return within(layout.bitmap, picture_bitmap_size) &&
           within(layout.screen, picture_cell_count) && within(layout.colour, picture_cell_count) &&
           within(layout.background, 1) && within(layout.border, 1) && within(layout.charset, 1);
}
static_assert(std::all_of(picture_layouts.begin(), picture_layouts.end(), layout_fits));

using FileBytes = std::span<const std::uint8_t>;

bool accepts_address(const PictureLayout &layout, unsigned load_address) {
    return std::find(layout.load_addresses.begin(), layout.load_addresses.end(), load_address) !=
           layout.load_addresses.end();
}

const PictureLayout *layout_of_format(int format) {
    const auto found =
        std::find_if(picture_layouts.begin(), picture_layouts.end(),
                     [&](const PictureLayout &layout) { return layout.format == format; });
    return found == picture_layouts.end() ? nullptr : &*found;
}

void set_unknown_format(GError **error) {
    g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "Unknown picture format");
}

// The layout to read the file with, or null with error set.
const PictureLayout *choose_layout(FileBytes file, int format, GError **error) {
    if (file.size() < 2) {
        set_unknown_format(error);
        return nullptr;
    }
    const unsigned load_address = file[0] | file[1] << 8;
    if (format == picture_format_none) {
        for (const PictureLayout &layout : picture_layouts) {
            if (accepts_address(layout, load_address) && layout.file_size == file.size()) {
                return &layout;
            }
        }
        set_unknown_format(error);
        return nullptr;
    }
    const PictureLayout *layout = layout_of_format(format);
    if (layout == nullptr) {
        set_unknown_format(error);
        return nullptr;
    }
    if (!accepts_address(*layout, load_address)) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                    "Wrong load address\nExpected: $%04X\nActual: $%04X",
                    unsigned{layout->load_addresses.front()}, load_address);
        return nullptr;
    }
    if (file.size() != layout->file_size) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                    "Wrong file size\nExpected: %u\nActual: %u",
                    static_cast<unsigned>(layout->file_size), static_cast<unsigned>(file.size()));
        return nullptr;
    }
    return layout;
}

const std::uint8_t *part(FileBytes file, int offset) {
    return offset == absent ? nullptr : file.data() + offset;
}

// Writes only what the format carries; every other field keeps its value.
void store_picture(const PictureLayout &layout, FileBytes file, PictureData &picture) {
    if (layout.bitmap != absent) {
        std::copy_n(part(file, layout.bitmap), picture_bitmap_size, picture.bitmap);
    }
    std::copy_n(part(file, layout.screen), picture_cell_count, picture.screen_ram);
    std::copy_n(part(file, layout.colour), picture_cell_count, picture.color_ram);
    picture.background_color = file[layout.background];
    if (layout.border != absent) {
        picture.border_color = file[layout.border];
    }
    if (layout.charset != absent) {
        picture.charset = file[layout.charset];
    }
    picture.format = layout.format;
}

void select_case(std::uint8_t charset) {
    c64pixbuf_set_case(charset == 0 ? 1 : 0);
}

// A PNG drawn in a paint program: converted to C64 data, then rendered from that data, so the
// preview shows what the C64 will show.
gboolean decode_png(FileBytes file, GdkPixbuf **pixbuf, PictureData *picture, GError **error) {
    PngreaderImage image;
    if (!pngreader_read_bytes(file, &image, error)) {
        return FALSE;
    }
    const PictureData &converted = image.picture;
    const bool petscii = converted.format == picture_format_petscii;
    if (picture != nullptr) {
        if (!petscii) {
            std::copy_n(converted.bitmap, picture_bitmap_size, picture->bitmap);
        }
        std::copy_n(converted.screen_ram, picture_cell_count, picture->screen_ram);
        std::copy_n(converted.color_ram, picture_cell_count, picture->color_ram);
        picture->background_color = converted.background_color;
        picture->charset = converted.charset;
        picture->format = converted.format;
        pngreader_picture_offences = image.picture_offences;
    }
    if (petscii) {
        select_case(converted.charset);
    }
    PixbufPtr rendered(pixbufs_new_from_hires_opaque(
        petscii ? nullptr : converted.bitmap, converted.screen_ram, converted.color_ram,
        converted.background_color, screen_columns, screen_rows));
    if (!rendered) {
        g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "Could not create pixbuf");
        return FALSE;
    }
    *pixbuf = rendered.release();
    return TRUE;
}

} // namespace

gboolean hiresdecoder_decode_hires_screen_file(const gchar *utf8_path, int format,
                                               GdkPixbuf **pixbuf, PictureData *picture,
                                               GError **error) {
    g_return_val_if_fail(pixbuf != nullptr, FALSE);
    *pixbuf = nullptr;

    const GCharPtr filename = glib_filename_from_utf8(utf8_path, error);
    if (!filename) {
        return FALSE;
    }
    gchar *raw_contents = nullptr;
    gsize length{};
    if (!g_file_get_contents(filename.get(), &raw_contents, &length, error)) {
        return FALSE;
    }
    const GCharPtr contents(raw_contents);
    const FileBytes file(reinterpret_cast<const std::uint8_t *>(raw_contents), length);
    // Recognised by content, whatever the file's name.
    if (format == picture_format_none && pngreader_has_signature(file)) {
        return decode_png(file, pixbuf, picture, error);
    }

    const PictureLayout *layout = choose_layout(file, format, error);
    if (layout == nullptr) {
        return FALSE;
    }
    if (picture != nullptr) {
        store_picture(*layout, file, *picture);
        pngreader_picture_offences.clear();
    }
    // The character set byte picks the ROM set the C64 would show, preview or not.
    if (layout->charset != absent) {
        select_case(file[layout->charset]);
    }
    PixbufPtr image(pixbufs_new_from_hires_opaque(
        part(file, layout->bitmap), part(file, layout->screen), part(file, layout->colour),
        file[layout->background], screen_columns, screen_rows));
    if (!image) {
        g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "Could not create pixbuf");
        return FALSE;
    }
    *pixbuf = image.release();
    return TRUE;
}

std::vector<std::uint8_t> hiresdecoder_build_picture_file(const PictureData &picture,
                                                          std::uint8_t border_color) {
    const int format =
        picture_format_is_multicolor(picture.format) ? picture_format_koala : picture.format;
    const PictureLayout *layout = layout_of_format(format);
    if (layout == nullptr) {
        return {};
    }
    std::vector<std::uint8_t> file(layout->file_size);
    const std::uint16_t load_address = layout->load_addresses.front();
    file[0] = static_cast<std::uint8_t>(load_address);
    file[1] = static_cast<std::uint8_t>(load_address >> 8);
    if (layout->bitmap != absent) {
        std::copy_n(picture.bitmap, picture_bitmap_size, file.begin() + layout->bitmap);
    }
    std::copy_n(picture.screen_ram, picture_cell_count, file.begin() + layout->screen);
    std::copy_n(picture.color_ram, picture_cell_count, file.begin() + layout->colour);
    file[layout->background] = picture.background_color;
    if (layout->border != absent) {
        file[layout->border] = picture.border_color >= 0
                                   ? static_cast<std::uint8_t>(picture.border_color)
                                   : border_color;
    }
    if (layout->charset != absent) {
        file[layout->charset] = picture.charset;
    }
    return file;
}
