#include "core/spritesdecoder.hpp"

#include "test_support.hpp"

#include <functional>

namespace {

using namespace test_support;

constexpr int sprite_pad = sprites_attribute_format_sprite_pad;

// A sprite file of whole slots with the given attribute bytes; bitmap byte b of slot k is
// different in every slot and every byte.
Bytes sprite_file(unsigned count, const std::function<std::uint8_t(unsigned)> &attribute,
                  std::uint16_t load_address = 0x2000) {
    Bytes bytes = {static_cast<std::uint8_t>(load_address),
                   static_cast<std::uint8_t>(load_address >> 8)};
    for (unsigned k = 0; k < count; k++) {
        for (unsigned b = 0; b < 63; b++)
            bytes.push_back(static_cast<std::uint8_t>(k * 7 + b));
        bytes.push_back(attribute(k));
    }
    return bytes;
}

bool holds_file_bitmap(unsigned index, const Bytes &file) {
    const SpriteRecord *record = sprites_get_record_at_index(index);
    return record != nullptr &&
           std::equal(record->data, record->data + 63, file.begin() + 2 + 64 * index);
}

class SpriteFile : public ::testing::Test {
  protected:
    void SetUp() override { sprites_module_init(); }

    int decode(const std::string &path, int format = sprite_pad, int initialise = 1) {
        GError *raw = nullptr;
        const int result =
            spritesdecoder_decode_sprites_file(path.c_str(), format, initialise, &raw);
        error_.reset(raw);
        return result;
    }
    int decode(const Bytes &file, int format = sprite_pad, int initialise = 1) {
        return decode(dir_.write("sprites.prg", file), format, initialise);
    }

    TempDir dir_;
    GErrorPtr error_;
};

struct SizeCase {
    const char *name;
    std::size_t size;
    unsigned sprites;    // 0: refused
    const char *message; // null: accepted
};

class SpriteFileSize : public SpriteFile, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SpriteFileSize, AcceptsWholeSlotsOnlyAndChangesNothingOnFailure) {
    const SizeCase &c = GetParam();
    // Something to see unchanged: seven sprites, record 0 marked.
    sprites_set_array_size(7);
    sprites_set_data_at_index(0, filled(0xC3).data());
    sprites_set_color_at_index(0, 2);
    Bytes file(c.size);
    for (std::size_t i = 0; i < c.size; i++)
        file[i] = static_cast<std::uint8_t>(i);

    const int result = decode(file);

    if (c.message != nullptr) {
        EXPECT_EQ(result, 0);
        ASSERT_NE(error_, nullptr);
        EXPECT_TRUE(g_error_matches(error_.get(), G_FILE_ERROR, G_FILE_ERROR_FAILED));
        EXPECT_STREQ(error_->message, c.message);
        EXPECT_EQ(sprites_get_array_size(), 7u);
        EXPECT_EQ(data_at(0), filled(0xC3));
        EXPECT_EQ(colour_at(0), 2);
    } else {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(error_, nullptr);
        EXPECT_EQ(sprites_get_array_size(), c.sprites);
        for (unsigned k = 0; k < c.sprites; k++)
            EXPECT_TRUE(holds_file_bitmap(k, file)) << "sprite " << k;
    }
}

constexpr const char *unknown = "Unknown file format";
constexpr const char *too_many = "Too many sprites in input file";

const SizeCase size_cases[] = {
    {"empty", 0, 0, unknown},
    {"one_byte", 1, 0, unknown},
    {"load_address_only", 2, 0, unknown},
    {"one_byte_short_of_a_slot", 65, 0, unknown},
    {"one_slot", 66, 1, nullptr},
    {"one_byte_short_of_two", 129, 0, unknown},
    {"two_slots", 130, 2, nullptr},
    {"one_byte_too_long", 131, 0, unknown},
    {"128_slots", 8194, 128, nullptr},
    {"128_slots_and_a_byte", 8195, 0, unknown},
    {"129_slots", 8258, 0, too_many},
    {"1000_slots", 64002, 0, too_many},
};

INSTANTIATE_TEST_SUITE_P(Sizes, SpriteFileSize, ::testing::ValuesIn(size_cases), by_name);

// Only the first slot's bit 7 counts, for every sprite; colours are bits 0-3, and sprites 20-23
// and 32-35 take the colour of the slot four places earlier.
TEST_F(SpriteFile, FirstAttributeByteSetsMulticolourAndLinkedSpritesFollow) {
    const auto file = sprite_file(
        48, [](unsigned k) { return static_cast<std::uint8_t>(k == 0 ? 0x81 : 0x70 | (k % 16)); });
    ASSERT_EQ(decode(file), 1);
    for (unsigned k = 0; k < 48; k++) {
        EXPECT_EQ(std::tuple(multicolor_at(k), selected_at(k)), std::tuple(1, 1)) << k;
        EXPECT_EQ(colour_at(k), k == 0 ? 1 : (is_linked(k) ? k - 4 : k) % 16) << k;
        EXPECT_TRUE(holds_file_bitmap(k, file)) << k;
    }
    ASSERT_EQ(decode(sprite_file(3, [](unsigned k) { return k == 0 ? 0x05 : 0x8F; })), 1);
    for (unsigned k = 0; k < 3; k++)
        EXPECT_EQ(std::tuple(multicolor_at(k), colour_at(k)), std::tuple(0, k == 0 ? 5 : 15)) << k;
}

TEST_F(SpriteFile, IgnoredAttributesGiveSingleColourSpritesInColour13) {
    const auto file =
        sprite_file(40, [](unsigned k) { return static_cast<std::uint8_t>(0x80 | k); });
    for (int format : {sprites_attribute_format_ignore, 2, -1}) {
        sprites_select_none();
        ASSERT_EQ(decode(file, format), 1);
        for (unsigned k = 0; k < 40; k++) {
            EXPECT_EQ(std::tuple(multicolor_at(k), colour_at(k), selected_at(k)),
                      std::tuple(0, 13, 1))
                << "format " << format << " sprite " << k;
            EXPECT_TRUE(holds_file_bitmap(k, file)) << k;
        }
    }
}

TEST_F(SpriteFile, ReloadReplacesOnlyBitmapsAndCount) {
    sprites_set_array_size(50);
    sprites_set_color_at_index(42, 7);
    sprites_set_multicolor_at_index(42, 1);
    sprites_set_array_size(10);
    sprites_select_none();
    sprites_set_selected_at_index(5, 1);
    const auto file = sprite_file(45, [](unsigned) { return 0x81; });

    ASSERT_EQ(decode(file, sprite_pad, 0), 1);

    EXPECT_EQ(sprites_get_array_size(), 45u);
    for (unsigned k = 0; k < 45; k++)
        EXPECT_TRUE(holds_file_bitmap(k, file)) << k;
    EXPECT_EQ(std::tuple(colour_at(0), colour_at(16), multicolor_at(16)), std::tuple(13, 10, 0));
    EXPECT_EQ(std::tuple(colour_at(42), multicolor_at(42)), std::tuple(7, 1));
    EXPECT_EQ(sprites_get_selected_count(), 1u);
    EXPECT_EQ(anchors(), std::tuple(5, 5, -1));
}

TEST_F(SpriteFile, LoadLeavesRecordsBeyondTheFileAndTheAnchors) {
    sprites_select_none();
    sprites_set_selected_at_index(22, 1);
    ASSERT_EQ(decode(sprite_file(
                  5, [](unsigned) { return 0x03; }, 0xFFFF)),
              1);
    EXPECT_EQ(sprites_get_array_size(), 5u);
    EXPECT_EQ(anchors(), std::tuple(22, -1, 22));
    sprites_set_array_size(40);
    EXPECT_EQ(colour_at(4), 3);
    EXPECT_EQ(colour_at(22), 10);
    EXPECT_EQ(std::tuple(selected_at(21), selected_at(22)), std::tuple(0, 1));
    EXPECT_EQ(data_at(22), template_bitmap(22));
}

TEST_F(SpriteFile, DirectoryOrMissingFileGivesTheFileSystemsMessage) {
    sprites_set_array_size(12);
    for (const std::string &path : {dir_.subdirectory("folder.prg"), dir_.file("absent.prg")}) {
        EXPECT_EQ(decode(path), 0);
        ASSERT_NE(error_, nullptr);
        EXPECT_EQ(error_->domain, G_FILE_ERROR);
        EXPECT_NE(error_->code, G_FILE_ERROR_FAILED);
        EXPECT_NE(std::string{error_->message}.find(path.substr(path.rfind('/') + 1)),
                  std::string::npos)
            << error_->message;
        EXPECT_EQ(sprites_get_array_size(), 12u);
    }
    EXPECT_EQ(error_->code, G_FILE_ERROR_NOENT);
}

// Sprite files made by other people, read from the shared folder.
TEST_F(SpriteFile, SharedFilesLoadEveryBitmapAndAttribute) {
    for (const auto &[name, sprites] :
         {std::pair{"gdc_ROZNE_13spr.MOB", 13u}, std::pair{"gdc_TFIGHT_64spr.MOB", 64u}}) {
        const std::string path = shared_path("pictures/sprites/") + name;
        const Bytes file = read_bytes(path);
        if (file.empty())
            GTEST_SKIP() << "shared sprite file not available: " << path;
        ASSERT_EQ(decode(path), 1) << (error_ ? error_->message : "");
        ASSERT_EQ(sprites_get_array_size(), sprites);
        const bool multicolour = (file[65] & 0x80) != 0;
        for (unsigned k = 0; k < sprites; k++) {
            EXPECT_TRUE(holds_file_bitmap(k, file)) << name << " " << k;
            EXPECT_EQ(multicolor_at(k), multicolour ? 1 : 0) << name << " " << k;
            EXPECT_EQ(colour_at(k), file[2 + 64 * (is_linked(k) ? k - 4 : k) + 63] & 15)
                << name << " " << k;
        }
    }
}

} // namespace
