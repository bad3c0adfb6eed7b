// Sprite files: whole 64-byte slots after a load address, their bitmaps and attribute bytes in the
// store as the chosen format reads them, refusals that change nothing, and real files.

#include "core/spritesdecoder.hpp"

#include "test_support.hpp"

namespace {

using namespace test_support;

constexpr int sprite_pad = sprites_attribute_format_sprite_pad;

// A sprite file of whole slots; every byte differs from its neighbours, and attribute byte k is
// 0x81 for slot 0 (multicolour, white) and 0x70 + k % 16 after it.
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

class SpriteFile : public FreshState {
  protected:
    int decode(const std::string &path, int format, int initialise) {
        GError *raw = nullptr;
        const int result =
            spritesdecoder_decode_sprites_file(path.c_str(), format, initialise, &raw);
        error_.reset(raw);
        EXPECT_EQ(result == 0, error_ != nullptr);
        return result;
    }
    int decode(const Bytes &file, int format = sprite_pad, int initialise = 1) {
        return decode(dir_.write("Sprites \u00fc.prg", file), format, initialise);
    }

    TempDir dir_;
    GErrorPtr error_;
};

// Sizes in slots plus the load address; a refused file leaves the store as it was.
TEST_F(SpriteFile, AcceptsOnlyWholeSlotsUpTo128) {
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
        const bool accepted = *message == '\0';
        EXPECT_EQ(decode(file), accepted ? 1 : 0) << size;
        EXPECT_STREQ(error_ ? error_->message : "", message) << size;
        const unsigned count = accepted ? (size - 2) / 64 : 7;
        ASSERT_EQ(sprites_get_array_size(), count) << size;
        for (unsigned k = 0; accepted && k < count; k++)
            EXPECT_EQ(data_at(k), slot_bitmap(file, k)) << k;
        EXPECT_EQ(std::get<0>(attributes_at(0)), accepted ? 1 : 2) << size;
    }
}

// SpritePad attributes: the first slot's bit 7 sets multicolour for every sprite, bits 0-3 the
// colour, and sprites 20-23 and 32-35 take the colour of the slot four places earlier. Other
// formats give single colour sprites in light green. Without initialising, only bitmaps and the
// count change: attributes, the selection and its anchors stay.
TEST_F(SpriteFile, AttributesAsTheFormatReadsThem) {
    const Bytes file = sprite_file(2 + 64 * 48);
    for (const auto &[format, initialise] :
         {std::pair{sprite_pad, 1}, std::pair{sprites_attribute_format_ignore, 1}, std::pair{2, 1},
          std::pair{-1, 1}, std::pair{sprite_pad, 0}}) {
        SCOPED_TRACE(testing::Message() << "format " << format << " initialise " << initialise);
        sprites_module_init();
        sprites_set_array_size(50);
        sprites_set_color_at_index(42, 7);
        sprites_set_multicolor_at_index(42, 1);
        sprites_set_array_size(10);
        sprites_select_none();
        sprites_set_selected_at_index(5, 1);
        ASSERT_EQ(decode(file, format, initialise), 1);
        ASSERT_EQ(sprites_get_array_size(), 48u);
        for (unsigned k = 0; k < 48; k++) {
            const unsigned source = is_linked(k) ? k - 4 : k;
            const bool linked_default = (k >= 16 && k < 24) || (k >= 28 && k < 36);
            const int kept_colour = k == 42 ? 7 : linked_default ? 10 : 13;
            const int read_colour = format != sprite_pad ? 13 : source == 0 ? 1 : int(source % 16);
            EXPECT_EQ(data_at(k), slot_bitmap(file, k)) << k;
            EXPECT_EQ(attributes_at(k),
                      initialise == 1 ? std::tuple(read_colour, format == sprite_pad ? 1 : 0, 1)
                                      : std::tuple(kept_colour, k == 42 ? 1 : 0, k == 5 ? 1 : 0))
                << k;
        }
        EXPECT_EQ(
            std::tuple(sprites_get_last_selected_index(), sprites_get_last_selected_index_left()),
            std::tuple(5, 5));
    }
    // Only bit 7 means multicolour: colour 15 in the first slot leaves every sprite single colour.
    Bytes single = sprite_file(2 + 64 * 2);
    single[2 + 63] = 0x0F;
    sprites_module_init();
    ASSERT_EQ(decode(single, sprite_pad, 1), 1);
    EXPECT_EQ(attributes_at(0), std::tuple(15, 0, 1));
    EXPECT_EQ(attributes_at(1), std::tuple(1, 0, 1));
}

// A folder, a missing file and a name that is no UTF-8 fail with GLib's own error (ours carry
// G_FILE_ERROR_FAILED) and leave the store as it was.
TEST_F(SpriteFile, UnreadablePathsGiveGlibsError) {
    sprites_set_array_size(12);
    std::filesystem::create_directory(dir_.file("folder.prg"));
    for (const auto &[path, domain] : {std::pair{dir_.file("folder.prg"), G_FILE_ERROR},
                                       std::pair{dir_.file("absent.prg"), G_FILE_ERROR},
                                       std::pair{dir_.file("\xff.prg"), G_CONVERT_ERROR}}) {
        EXPECT_EQ(decode(path, sprite_pad, 1), 0);
        EXPECT_EQ(error_->domain, domain) << error_->message;
        EXPECT_NE(error_->code, G_FILE_ERROR_FAILED);
        EXPECT_EQ(sprites_get_array_size(), 12u);
    }
}

// Sprite files made by other people, read from the shared folder.
TEST_F(SpriteFile, SharedFilesLoadEveryBitmapAndAttribute) {
    for (const auto &[name, sprites] :
         {std::pair{"gdc_ROZNE_13spr.MOB", 13u}, std::pair{"gdc_TFIGHT_64spr.MOB", 64u}}) {
        const std::string path = shared_path("pictures/sprites/") + name;
        const Bytes file = read_bytes(path);
        if (file.empty())
            GTEST_SKIP() << "shared sprite file not available: " << path;
        ASSERT_EQ(decode(path, sprite_pad, 1), 1) << error_->message;
        ASSERT_EQ(sprites_get_array_size(), sprites);
        for (unsigned k = 0; k < sprites; k++) {
            EXPECT_EQ(data_at(k), slot_bitmap(file, k)) << name << " " << k;
            EXPECT_EQ(
                attributes_at(k),
                std::tuple(file[2 + 64 * (is_linked(k) ? k - 4 : k) + 63] & 15, file[65] >> 7, 1))
                << name << " " << k;
        }
    }
}

} // namespace
