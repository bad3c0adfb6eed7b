#include "viewer_program.hpp"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>

namespace {

// A memory image from the load address to the last byte; every block goes to a C64 address
// and may not overlap another. Unwritten bytes stay 0.
struct MemoryImage {
    std::uint16_t load_address;
    std::vector<std::uint8_t> bytes;
    std::vector<bool> written;
};

MemoryImage image_new(std::uint16_t load_address, std::uint16_t last_address) {
    const std::size_t size = last_address - load_address + 1u;
    return {load_address, std::vector<std::uint8_t>(size), std::vector<bool>(size)};
}

void image_put(MemoryImage &image, unsigned address, std::span<const std::uint8_t> block) {
    if (address < image.load_address ||
        address - image.load_address + block.size() > image.bytes.size()) {
        throw std::logic_error("block at " + std::to_string(address) + " outside the image");
    }
    const std::size_t offset = address - image.load_address;
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (image.written[offset + i]) {
            throw std::logic_error("blocks overlap at " + std::to_string(address + i));
        }
        image.written[offset + i] = true;
        image.bytes[offset + i] = block[i];
    }
}

std::vector<std::uint8_t> image_program_file(const MemoryImage &image) {
    std::vector<std::uint8_t> file(2 + image.bytes.size());
    file[0] = static_cast<std::uint8_t>(image.load_address & 0xFF);
    file[1] = static_cast<std::uint8_t>(image.load_address >> 8);
    std::copy(image.bytes.begin(), image.bytes.end(), file.begin() + 2);
    return file;
}

constexpr unsigned sprite_slot_size = 64;

std::array<std::uint8_t, test_sprite_count * sprite_slot_size>
sprite_slots(const TestSprites &sprites) {
    std::array<std::uint8_t, test_sprite_count * sprite_slot_size> slots{};
    for (unsigned i = 0; i < test_sprite_count; ++i) {
        std::copy(sprites.bitmaps[i].begin(), sprites.bitmaps[i].end(),
                  slots.begin() + i * sprite_slot_size);
    }
    return slots;
}

// The template with the sprite colours and multicolour settings written into its immediates.
std::array<std::uint8_t, viewer_template_size> patched_code(const ViewerTemplate &viewer,
                                                            const TestSprites &sprites) {
    auto code = viewer.code;
    for (unsigned i = 0; i < test_sprite_count; ++i) {
        if (viewer.patch_sprite_color[i] != viewer_no_patch) {
            code[viewer.patch_sprite_color[i]] = sprites.colours[i];
        }
    }
    code[viewer.patch_multicolor0] = sprites.multicolour0;
    code[viewer.patch_multicolor1] = sprites.multicolour1;
    std::uint8_t mask = 0;
    for (unsigned column = 0; column < 4; ++column) {
        mask |= sprites.multicolour[column] ? 0x10 << column : 0;
    }
    code[viewer.patch_multicolor_mask] = mask;
    return code;
}

constexpr std::uint8_t low_nibble = 0x0F;

} // namespace

std::vector<std::uint8_t> viewer_program_mc(const ViewerTemplate &viewer,
                                            const TestMcPicture &picture,
                                            const TestSprites &sprites) {
    constexpr std::uint16_t bitmap = 0x4000, screen = 0x5F40, colour = 0x6328, background = 0x6710,
                            sprite_data = 0x6800, last = 0x7FFF;
    MemoryImage image = image_new(mc_program_start, last);
    image_put(image, mc_program_start, patched_code(viewer, sprites));
    image_put(image, bitmap, picture.bitmap);
    image_put(image, screen, picture.screen);
    image_put(image, colour, picture.colour);
    const std::uint8_t background_byte = picture.background & low_nibble;
    image_put(image, background, std::span(&background_byte, 1));
    image_put(image, sprite_data, sprite_slots(sprites));
    return image_program_file(image);
}

std::vector<std::uint8_t> viewer_program_petscii(const ViewerTemplate &viewer,
                                                 const TestPetsciiPicture &picture,
                                                 const TestSprites &sprites) {
    constexpr std::uint16_t screen = 0x2C00, colour = 0x2FE8, background = 0x33D0,
                            sprite_data = 0x3400, last = 0x49FF;
    auto code = patched_code(viewer, sprites);
    if (picture.lower_case) {
        // Every $d018 value moves to the lower case character set; the stores indexed by the
        // second screen's value drop their base by the same 2.
        for (const auto offset : viewer.patch_lowercase_14) {
            code[offset] = 0x16;
        }
        for (const auto offset : viewer.patch_lowercase_24) {
            code[offset] = 0x26;
        }
        for (const auto offset : viewer.patch_lowercase_f2) {
            code[offset] = 0xF0;
        }
    }
    MemoryImage image = image_new(petscii_program_start, last);
    image_put(image, petscii_program_start, code);
    image_put(image, screen, picture.screen);
    image_put(image, colour, picture.colour);
    const std::uint8_t background_byte = picture.background & low_nibble;
    image_put(image, background, std::span(&background_byte, 1));
    image_put(image, sprite_data, sprite_slots(sprites));
    return image_program_file(image);
}
