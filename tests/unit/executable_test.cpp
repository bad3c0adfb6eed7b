// Exported C64 programs byte for byte against the viewers' layouts; the linker; the BASIC start.

#include "core/executable.hpp"

#include "core/reencode.hpp"
#include "core/viewer.hpp"
#include "test_support.hpp"

#include <optional>

namespace {

using namespace test_support;

// File offsets of the two layouts, load-address bytes included.
struct Layout {
    std::size_t size;
    std::uint8_t load_low, load_high;
    std::optional<std::size_t> bitmap;
    std::size_t screen, colour, background, sprites;
};

constexpr Layout mc_layout{19458, 0x00, 0x34, 3074, 11074, 12074, 13074, 13314};
constexpr Layout petscii_layout{10754, 0x00, 0x20, std::nullopt, 3074, 4074, 5074, 5122};
constexpr std::size_t viewer_offset = 2;
constexpr std::uint8_t multicolor0 = 7;
constexpr std::uint8_t multicolor1 = 11;

std::uint8_t test_colour(unsigned i) {
    return static_cast<std::uint8_t>((i * 5 + 3) % 15 + 1);
}
std::uint8_t test_sprite_byte(unsigned i, unsigned j) {
    return static_cast<std::uint8_t>((i * 7 + j * 3) | 1);
}

// At least 40 records, so a shorter count must hide data; sprites 4 and 5 stay out of the mask.
void apply(unsigned count, const std::array<std::int32_t, 4> &flags = {}) {
    sprites_module_init();
    sprites_set_array_size(std::max(count, 40u));
    for (unsigned i = 0; i < std::max(count, 40u); ++i) {
        Bitmap data{};
        for (unsigned j = 0; j < data.size(); ++j)
            data[j] = test_sprite_byte(i, j);
        sprites_set_data_at_index(i, data.data());
        sprites_set_color_at_index(i, test_colour(i));
        sprites_set_multicolor_at_index(i, i < 4 ? flags[i] : (i < 6 ? 1 : 0));
    }
    sprites_set_array_size(count);
    sprites_set_multicolor0(multicolor0);
    sprites_set_multicolor1(multicolor1);
}

// The program file built independently from the layout table and the sprites applied.
Bytes expected_file(bool petscii, const PictureData &picture, const ViewerTemplate &viewer,
                    unsigned count, std::uint8_t mask) {
    const Layout &layout = petscii ? petscii_layout : mc_layout;
    Bytes file(layout.size, 0);
    file[0] = layout.load_low;
    file[1] = layout.load_high;
    Bytes code(viewer.code.begin(), viewer.code.end());
    code[viewer.patch_multicolor0] = multicolor0;
    code[viewer.patch_multicolor1] = multicolor1;
    code[viewer.patch_multicolor_mask] = mask;
    for (unsigned i = 0; i < 40; ++i)
        if (viewer.patch_sprite_color[i] != viewer_no_patch)
            code[viewer.patch_sprite_color[i]] = i < count ? test_colour(i) : 0;
    if (petscii && picture.charset != 0) {
        for (auto offset : viewer.patch_lowercase_14)
            code[offset] = 0x16;
        for (auto offset : viewer.patch_lowercase_24)
            code[offset] = 0x26;
        for (auto offset : viewer.patch_lowercase_f2)
            code[offset] = 0xF0;
    }
    std::copy(code.begin(), code.end(), file.begin() + viewer_offset);
    if (layout.bitmap)
        std::copy(picture.bitmap, picture.bitmap + 8000, file.begin() + *layout.bitmap);
    std::copy(picture.screen_ram, picture.screen_ram + 1000, file.begin() + layout.screen);
    std::copy(picture.color_ram, picture.color_ram + 1000, file.begin() + layout.colour);
    file[layout.background] = picture.background_color & 0x0F;
    for (unsigned i = 0; i < std::min(count, 40u); ++i)
        for (unsigned j = 0; j < 63; ++j)
            file[layout.sprites + 64 * i + j] = test_sprite_byte(i, j);
    return file;
}

// (format, transition, sprites, charset, flags of sprites 0-3, $D01C mask, viewer)
TEST_F(FreshState, ProgramHasEveryByteAtItsAddress) {
    const struct {
        int format, transition;
        unsigned count;
        std::uint8_t charset;
        std::array<std::int32_t, 4> flags;
        std::uint8_t mask;
        const ViewerTemplate &viewer;
    } cases[] = {
        {7, 0, 40, 0, {1, 0, 1, 1}, 0xD0, code_sidewell_mc},
        {6, 1, 40, 0, {1, 0, 1, 1}, 0xD0, code_sidewell_mc_with_flicker},
        {9, -1, 40, 0, {0, 1, 0, 0}, 0x20, code_sidewell_mc},
        {10, 0, 12, 0, {1, 0, 1, 1}, 0xD0, code_sidewell_mc},
        {7, 1, 60, 1, {1, 1, 1, 1}, 0xF0, code_sidewell_mc_with_flicker},
        {6, 0, 0, 0, {1, 0, 1, 1}, 0x00, code_sidewell_mc},
        {6, 0, 40, 0, {2, -1, 1, 0}, 0x40, code_sidewell_mc},
        {1, 1, 40, 0, {1, 0, 1, 1}, 0xD0, code_sidewell_petscii_with_flicker},
        {1, 5, 12, 1, {0, 0, 0, 0}, 0x00, code_sidewell_petscii},
        {1, 1, 40, 0xFF, {0, 1, 0, 0}, 0x20, code_sidewell_petscii_with_flicker},
    };
    for (const auto &c : cases) {
        const bool petscii = c.format == picture_format_petscii;
        apply(c.count, c.flags);
        PictureData picture{}; // every part's bytes differ; the background's high nibble is junk
        for (int i = 0; i < 8000; ++i)
            picture.bitmap[i] = static_cast<std::uint8_t>(i * 151 + i / 256 + 1);
        for (int i = 0; i < 1000; ++i) {
            picture.screen_ram[i] = static_cast<std::uint8_t>(i * 7 + 3);
            picture.color_ram[i] = static_cast<std::uint8_t>(i * 13 + 5);
        }
        picture.background_color = 0xF6;
        picture.format = c.format;
        picture.charset = c.charset;
        const ExecutableProgram program = executable_build(picture, c.transition, false);
        EXPECT_TRUE(
            same_bytes(program.bytes, expected_file(petscii, picture, c.viewer, c.count, c.mask)))
            << c.format << " " << c.transition << " " << c.count;
        EXPECT_EQ(program.start_address, petscii ? 0x2000 : 0x3400);
        if (c.format != picture_format_vidcom)
            continue;
        // Re-encoding works on a copy; hires and unknown formats have no viewer.
        PictureData reencoded = picture;
        reencode_process_picture_mc(&picture, &reencoded);
        EXPECT_TRUE(same_bytes(executable_build(picture, c.transition, true).bytes,
                               executable_build(reencoded, c.transition, false).bytes));
        for (const int format : {0, 2, -1}) {
            picture.format = format;
            const ExecutableProgram none = executable_build(picture, 0, true);
            EXPECT_EQ(std::tuple(none.bytes.size(), none.start_address), std::tuple(0u, 0));
        }
    }
}

// Blocks go to their addresses; one reaching outside the image or over a block placed before is
// refused with a message naming both ranges, and the file stays as it was.
TEST(ExecutableLinker, PlacesBlocksAndRefusesOutsideOrOverlapping) {
    ExecutableLinker linker = executable_linker_new(0x1000, 0x1010);
    const Bytes four = {1, 2, 3, 4};
    const auto place = [&](unsigned address) {
        GError *raw = nullptr;
        const gboolean placed = executable_linker_place(&linker, address, four, &raw);
        const GErrorPtr error(raw);
        EXPECT_EQ(placed == FALSE, error != nullptr) << address;
        return error ? std::string(error->message) : std::string();
    };
    EXPECT_EQ(place(0x1004), "");
    for (const auto &[address, message] :
         {std::pair{0x0FFFu, "Block $0FFF-$1002 lies outside $1000-$100F"},
          {0x100Du, "Block $100D-$1010 lies outside $1000-$100F"},
          {0x1001u, "Block $1001-$1004 overlaps $1004-$1007"},
          {0x1007u, "Block $1007-$100A overlaps $1004-$1007"}})
        EXPECT_EQ(place(address), message);
    for (const unsigned touching : {0x1000u, 0x1008u, 0x100Cu})
        EXPECT_EQ(place(touching), "") << touching;
    EXPECT_TRUE(
        same_bytes(linker.file, Bytes{0x00, 0x10, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}));
}

// A name that is no UTF-8 cannot be handed to the cruncher.
TEST(ExecutableFile, CrunchRefusesANameThatIsNoUtf8) {
    gint status = 0;
    GError *raw_error = nullptr;
    std::string output;
    EXPECT_FALSE(executable_crunch_file("/tmp/\xff.prg", 8192, &status, &output, &raw_error));
    EXPECT_EQ(GErrorPtr(raw_error)->domain, G_CONVERT_ERROR);
}

} // namespace

// Link, line 10, SYS and the decimal start address, end of program; zeros up to the program.
TEST(ExecutableSelfStarting, BasicLineThenTheProgramAtItsAddress) {
    const Bytes program = {0x00, 0x20, 0xA9, 0x01, 0x60};
    const Bytes basic = {0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x9E,
                         '8',  '1',  '9',  '2',  0x00, 0x00, 0x00};
    Bytes expected(2 + 0x2000 - 0x0801 + 3, 0);
    std::copy(basic.begin(), basic.end(), expected.begin());
    std::copy(program.begin() + 2, program.end(), expected.end() - 3);
    EXPECT_TRUE(same_bytes(executable_make_self_starting(program, 8192), expected));
    // Below the BASIC line there is no room: no file.
    EXPECT_TRUE(executable_make_self_starting(Bytes{0x01, 0x08, 0x60}, 2049).empty());
    EXPECT_TRUE(executable_make_self_starting(Bytes{0x00}, 2049).empty());
}
