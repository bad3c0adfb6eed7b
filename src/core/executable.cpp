#include "core/executable.hpp"

#include "core/glib_ptr.hpp"
#include "core/reencode.hpp"
#include "core/sprites.hpp"
#include "core/viewer.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

namespace {

// Multicolour layout: VIC bank 1 ($4000-$7FFF) shows the bitmap in place; the viewer sits
// below the bank.
namespace mc {
constexpr unsigned viewer = executable_start_address_mc;
constexpr unsigned bitmap = 0x4000;
constexpr unsigned screen_ram = 0x5F40;
constexpr unsigned color_ram = 0x6328;
constexpr unsigned background = 0x6710;
constexpr unsigned sprites = 0x6800; // pointer value $A0 in bank 1
constexpr unsigned last_byte = 0x7FFF;
} // namespace mc

// PETSCII layout: VIC bank 0 with the character ROM; screens at $0400/$0800 are filled by the
// viewer from the loaded copy.
namespace petscii {
constexpr unsigned viewer = executable_start_address_petscii;
constexpr unsigned screen_codes = 0x2C00;
constexpr unsigned color_ram = 0x2FE8;
constexpr unsigned background = 0x33D0;
constexpr unsigned sprites = 0x3400; // pointer value $D0 in bank 0
constexpr unsigned last_byte = 0x49FF;
} // namespace petscii

constexpr std::size_t sprite_area_size = sprite_slot_size * sprites_border_count;

// $D018 values of the PETSCII viewer and the base of its indexed $D016 stores, rewritten to
// pick the lower case half of the character ROM.
constexpr std::uint8_t d018_lowercase_screen1 = 0x16;    // was $14
constexpr std::uint8_t d018_lowercase_screen2 = 0x26;    // was $24
constexpr std::uint8_t d016_store_base_lowercase = 0xF0; // $CFF0 + $26 = $D016

// $D01C bits of hardware sprites 4-7, which show sprites 0-3 in every row.
constexpr unsigned multicolor_mask_first_bit = 0x10;
constexpr unsigned multicolor_mask_sprites = 4;

using ViewerCode = std::array<std::uint8_t, viewer_template_size>;

const ViewerTemplate &choose_template(bool is_petscii, int transition) {
    const bool flicker = transition == executable_transition_flicker;
    if (is_petscii) {
        return flicker ? code_sidewell_petscii_with_flicker : code_sidewell_petscii;
    }
    return flicker ? code_sidewell_mc_with_flicker : code_sidewell_mc;
}

// The template with the store's sprite colours and multicolour flags in its load operands.
ViewerCode patched_viewer(const ViewerTemplate &viewer) {
    ViewerCode code = viewer.code;
    code.at(viewer.patch_multicolor0) = sprites_get_multicolor0();
    code.at(viewer.patch_multicolor1) = sprites_get_multicolor1();
    for (unsigned i = 0; i < sprites_border_count; ++i) {
        const std::uint16_t offset = viewer.patch_sprite_color[i];
        if (offset == viewer_no_patch) {
            continue;
        }
        std::uint8_t colour{};
        sprites_get_color_at_index(i, &colour);
        code.at(offset) = colour;
    }
    unsigned mask = 0;
    for (unsigned i = 0; i < multicolor_mask_sprites; ++i) {
        std::int32_t multicolor{};
        sprites_get_multicolor_at_index(i, &multicolor);
        if (multicolor == 1) {
            mask |= multicolor_mask_first_bit << i;
        }
    }
    code.at(viewer.patch_multicolor_mask) = static_cast<std::uint8_t>(mask);
    return code;
}

void patch_lowercase(const ViewerTemplate &viewer, ViewerCode &code) {
    for (const std::uint16_t offset : viewer.patch_lowercase_14) {
        code.at(offset) = d018_lowercase_screen1;
    }
    for (const std::uint16_t offset : viewer.patch_lowercase_24) {
        code.at(offset) = d018_lowercase_screen2;
    }
    for (const std::uint16_t offset : viewer.patch_lowercase_f2) {
        code.at(offset) = d016_store_base_lowercase;
    }
}

std::array<std::uint8_t, sprite_area_size> sprite_slots() {
    std::array<std::uint8_t, sprite_area_size> slots{};
    sprites_copy_bitmaps(slots.data(), sprites_border_count);
    return slots;
}

// The layouts are fixed, so a refused block is a mistake in the address constants above.
void place(ExecutableLinker &linker, unsigned address, std::span<const std::uint8_t> bytes) {
    GError *error = nullptr;
    if (!executable_linker_place(&linker, address, bytes, &error)) {
        g_error("Executable layout: %s", error->message);
    }
}

void place_byte(ExecutableLinker &linker, unsigned address, std::uint8_t value) {
    place(linker, address, std::span<const std::uint8_t>(&value, 1));
}

} // namespace

ExecutableLinker executable_linker_new(unsigned load_address, unsigned end_address) {
    ExecutableLinker linker{load_address, end_address, {}, {}};
    linker.file.assign(executable_file_offset(load_address, end_address), 0);
    linker.file[0] = static_cast<std::uint8_t>(load_address & 0xFF);
    linker.file[1] = static_cast<std::uint8_t>(load_address >> 8);
    return linker;
}

gboolean executable_linker_place(ExecutableLinker *linker, unsigned address,
                                 std::span<const std::uint8_t> bytes, GError **error) {
    const unsigned end = address + static_cast<unsigned>(bytes.size());
    if (address < linker->load_address || end > linker->end_address) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                    "Block $%04X-$%04X lies outside $%04X-$%04X", address, end - 1,
                    linker->load_address, linker->end_address - 1);
        return FALSE;
    }
    for (const auto &[first, last_end] : linker->placed) {
        if (address < last_end && first < end) {
            g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                        "Block $%04X-$%04X overlaps $%04X-$%04X", address, end - 1, first,
                        last_end - 1);
            return FALSE;
        }
    }
    std::copy(bytes.begin(), bytes.end(),
              linker->file.begin() + static_cast<std::ptrdiff_t>(
                                         executable_file_offset(linker->load_address, address)));
    linker->placed.emplace_back(address, end);
    return TRUE;
}

std::vector<std::uint8_t> executable_build_mc(const PictureData &picture, int transition,
                                              bool reencode) {
    const PictureData *source = &picture;
    std::unique_ptr<PictureData> reencoded;
    if (reencode) {
        reencoded = std::make_unique<PictureData>();
        reencode_process_picture_mc(&picture, reencoded.get());
        source = reencoded.get();
    }

    ExecutableLinker linker = executable_linker_new(executable_start_address_mc, mc::last_byte + 1);
    place(linker, mc::viewer, patched_viewer(choose_template(false, transition)));
    place(linker, mc::bitmap, source->bitmap);
    place(linker, mc::screen_ram, source->screen_ram);
    place(linker, mc::color_ram, source->color_ram);
    place_byte(linker, mc::background, source->background_color & 0x0F);
    place(linker, mc::sprites, sprite_slots());
    place_byte(linker, mc::last_byte, 0);
    return std::move(linker.file);
}

std::vector<std::uint8_t> executable_build_petscii(const PictureData &picture, int transition) {
    const ViewerTemplate &viewer = choose_template(true, transition);
    ViewerCode code = patched_viewer(viewer);
    if (picture.charset != 0) {
        patch_lowercase(viewer, code);
    }

    ExecutableLinker linker =
        executable_linker_new(executable_start_address_petscii, petscii::last_byte + 1);
    place(linker, petscii::viewer, code);
    place(linker, petscii::screen_codes, picture.screen_ram);
    place(linker, petscii::color_ram, picture.color_ram);
    place_byte(linker, petscii::background, picture.background_color & 0x0F);
    place(linker, petscii::sprites, sprite_slots());
    place_byte(linker, petscii::last_byte, 0);
    return std::move(linker.file);
}

ExecutableProgram executable_build(const PictureData &picture, int transition, bool reencode) {
    if (picture.format == picture_format_petscii) {
        return {executable_build_petscii(picture, transition), executable_start_address_petscii};
    }
    if (picture_format_is_multicolor(picture.format)) {
        return {executable_build_mc(picture, transition, reencode), executable_start_address_mc};
    }
    return {{}, 0};
}

gboolean executable_write_file(const gchar *utf8_path, std::span<const std::uint8_t> bytes,
                               GError **error) {
    const GCharPtr path = glib_filename_from_utf8(utf8_path, error);
    if (!path) {
        return FALSE;
    }
    // g_file_set_contents writes a temporary file and renames it over the old one.
    return g_file_set_contents(path.get(), reinterpret_cast<const gchar *>(bytes.data()),
                               static_cast<gssize>(bytes.size()), error);
}

gchar *executable_cruncher_command_line(int start_address, const gchar *path) {
    const GCharPtr quoted(g_shell_quote(path));
    return g_strdup_printf("exomizer sfx %d %s -o %s -n", start_address, quoted.get(),
                           quoted.get());
}

gboolean executable_crunch_file(const gchar *utf8_path, int start_address, gint *wait_status,
                                std::string *output, GError **error) {
    const GCharPtr filename = glib_filename_from_utf8(utf8_path, error);
    if (!filename) {
        return FALSE;
    }
    const GCharPtr command(executable_cruncher_command_line(start_address, filename.get()));
    gchar *standard_output = nullptr;
    gchar *standard_error = nullptr;
    const gboolean ran = g_spawn_command_line_sync(command.get(), &standard_output, &standard_error,
                                                   wait_status, error);
    const GCharPtr owned_output(standard_output), owned_error(standard_error);
    *output = std::string(standard_output ? standard_output : "") +
              (standard_error ? standard_error : "");
    return ran;
}

std::vector<std::uint8_t> executable_make_self_starting(std::span<const std::uint8_t> program,
                                                        int start_address) {
    // BASIC's program area; RUN starts the line there.
    constexpr unsigned basic_start = 0x0801;
    constexpr std::uint8_t token_sys = 0x9E;
    constexpr std::uint8_t line_number = 10;
    if (program.size() < 2) {
        return {};
    }
    const unsigned load_address = program[0] | (program[1] << 8);
    const auto image = program.subspan(2);
    const std::string digits = std::to_string(start_address);
    // Link to the next line, line number, SYS and its address, end of line, end of program.
    const unsigned end_of_line = basic_start + 4 + 1 + static_cast<unsigned>(digits.size()) + 1;
    constexpr std::size_t before_digits = 5;
    std::vector<std::uint8_t> line(before_digits + digits.size() + 3, 0);
    line[0] = static_cast<std::uint8_t>(end_of_line & 0xFF);
    line[1] = static_cast<std::uint8_t>(end_of_line >> 8);
    line[2] = line_number;
    line[4] = token_sys;
    std::copy(digits.begin(), digits.end(), line.begin() + before_digits);
    if (load_address < basic_start + line.size()) {
        return {};
    }
    ExecutableLinker linker =
        executable_linker_new(basic_start, load_address + static_cast<unsigned>(image.size()));
    if (!executable_linker_place(&linker, basic_start, line, nullptr) ||
        !executable_linker_place(&linker, load_address, image, nullptr)) {
        return {};
    }
    return linker.file;
}
