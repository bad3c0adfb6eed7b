// Sprite files: 64-byte slots after a load address, attributes as the format reads them.

#include "core/spritesdecoder.hpp"

#include "test_support.hpp"

namespace {

using namespace test_support;

constexpr int sprite_pad = sprites_attribute_format_sprite_pad;

// Attribute byte 0x81 (multicolour, white) for slot 0, 0x70 + k % 16 after it.
Bytes sprite_file(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; i++)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 64);
    for (std::size_t k = 0; 2 + 64 * k + 63 < size; k++)
        bytes[2 + 64 * k + 63] = static_cast<std::uint8_t>(k == 0 ? 0x81 : 0x70 | (k % 16));
    return bytes;
}

Bitmap slot_bitmap(const Bytes &file, unsigned k) {
    Bitmap bytes{};
    std::copy_n(file.begin() + 2 + 64 * k, 63, bytes.begin());
    return bytes;
}

// The message of a failed decode, "" when it succeeded.
std::string decode(const std::string &path, int format, int initialise) {
    GError *raw = nullptr;
    const int result = spritesdecoder_decode_sprites_file(path.c_str(), format, initialise, &raw);
    const GErrorPtr error(raw);
    EXPECT_EQ(result == 0, error != nullptr);
    return error ? error->message : "";
}

// Whole slots up to 128; a refused or unreadable file leaves the store.
TEST_F(FreshState, SpriteFilesOfWholeSlotsUpTo128) {
    const TempDir dir;
    std::filesystem::create_directory(dir.file("folder.prg"));
    constexpr const char *unknown = "Unknown file format";
    constexpr const char *too_many = "Too many sprites in input file";
    for (const auto &[size, message] :
         {std::pair{0u, unknown}, std::pair{2u, unknown}, std::pair{65u, unknown},
          std::pair{66u, ""}, std::pair{129u, unknown}, std::pair{130u, ""},
          std::pair{131u, unknown}, std::pair{8194u, ""}, std::pair{8195u, unknown},
          std::pair{8258u, too_many}, std::pair{64002u, too_many}}) {
        sprites_module_init();
        sprites_set_array_size(7);
        sprites_set_color_at_index(0, 2);
        const Bytes file = sprite_file(size);
        EXPECT_EQ(decode(dir.write("Sprites \u00fc.prg", file), sprite_pad, 1), message) << size;
        const bool accepted = *message == '\0';
        const unsigned count = accepted ? (size - 2) / 64 : 7;
        ASSERT_EQ(sprites_get_array_size(), count) << size;
        for (unsigned k = 0; accepted && k < count; k++)
            EXPECT_EQ(data_at(k), slot_bitmap(file, k)) << k;
        EXPECT_EQ(std::get<0>(attributes_at(0)), accepted ? 1 : 2) << size;
    }
    for (const char *name : {"folder.prg", "absent.prg", "\xff.prg"}) {
        EXPECT_NE(decode(dir.file(name), sprite_pad, 1), "") << name;
        EXPECT_EQ(sprites_get_array_size(), 7u);
    }
}

} // namespace
