#include "core/glib_ptr.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "sprite_test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace {

using sprite_test::TempDir;

constexpr int sprite_pad = sprites_attribute_format_sprite_pad;
constexpr int ignore = sprites_attribute_format_ignore;

// Bitmap byte b of slot k: different in every slot and every byte.
std::uint8_t bitmap_byte(unsigned k, unsigned b) {
    return static_cast<std::uint8_t>(k * 7 + b);
}

// A sprite file of whole slots with the given attribute bytes, plus extra bytes after them.
std::vector<std::uint8_t> sprite_file(unsigned count,
                                      const std::function<std::uint8_t(unsigned)> &attribute,
                                      unsigned extra = 0, std::uint16_t load_address = 0x2000) {
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(load_address & 0xFF),
                                       static_cast<std::uint8_t>(load_address >> 8)};
    for (unsigned k = 0; k < count; k++) {
        for (unsigned b = 0; b < 63; b++)
            bytes.push_back(bitmap_byte(k, b));
        bytes.push_back(attribute(k));
    }
    bytes.insert(bytes.end(), extra, 0x55);
    return bytes;
}

std::vector<std::uint8_t> file_of_size(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; i++)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::uint8_t colour_at(unsigned index) {
    std::uint8_t colour = 0xEE;
    sprites_get_color_at_index(index, &colour);
    return colour;
}

std::int32_t multicolor_at(unsigned index) {
    std::int32_t flag = 0x5A;
    sprites_get_multicolor_at_index(index, &flag);
    return flag;
}

std::int32_t selected_at(unsigned index) {
    std::int32_t flag = 0x5A;
    sprites_get_selected_at_index(index, &flag);
    return flag;
}

bool holds_file_bitmap(unsigned index, const std::vector<std::uint8_t> &file) {
    const SpriteRecord *record = sprites_get_record_at_index(index);
    return record != nullptr &&
           std::equal(record->data, record->data + 63, file.begin() + 2 + 64 * index);
}

class SpriteFile : public ::testing::Test {
  protected:
    void SetUp() override { sprites_module_init(); }

    int decode(const std::string &path, int format, int initialise) {
        GError *raw = nullptr;
        const int result =
            spritesdecoder_decode_sprites_file(path.c_str(), format, initialise, &raw);
        error_.reset(raw);
        return result;
    }

    TempDir dir_;
    GErrorPtr error_;
};

struct SizeCase {
    const char *name;
    std::size_t size;
    unsigned sprites; // 0: refused
    const char *message;
};

class SpriteFileSize : public SpriteFile, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SpriteFileSize, AcceptsWholeSlotsOnly) {
    const SizeCase &c = GetParam();
    // Something to see unchanged: seven sprites, record 0 marked.
    sprites_set_array_size(7);
    const std::array<std::uint8_t, 63> marker = {0xC3, 0x3C};
    sprites_set_data_at_index(0, marker.data());
    sprites_set_color_at_index(0, 2);
    const auto file = file_of_size(c.size);
    const std::string path = dir_.write("sprites.prg", file);

    const int result = decode(path, sprite_pad, 1);

    if (c.sprites == 0) {
        EXPECT_EQ(result, 0);
        ASSERT_NE(error_, nullptr);
        EXPECT_EQ(error_->domain, G_FILE_ERROR);
        EXPECT_EQ(error_->code, G_FILE_ERROR_FAILED);
        EXPECT_STREQ(error_->message, c.message);
        EXPECT_EQ(sprites_get_array_size(), 7u);
        EXPECT_EQ(sprites_get_record_at_index(0)->data[0], 0xC3);
        EXPECT_EQ(colour_at(0), 2);
    } else {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(error_, nullptr);
        EXPECT_EQ(sprites_get_array_size(), c.sprites);
        for (unsigned k = 0; k < c.sprites; k++)
            EXPECT_TRUE(holds_file_bitmap(k, file)) << "sprite " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SpriteFileSize,
    ::testing::Values(SizeCase{"empty", 0, 0, "Unknown file format"},
                      SizeCase{"one_byte", 1, 0, "Unknown file format"},
                      SizeCase{"load_address_only", 2, 0, "Unknown file format"},
                      SizeCase{"one_byte_short_of_a_slot", 65, 0, "Unknown file format"},
                      SizeCase{"one_slot", 66, 1, nullptr},
                      SizeCase{"one_byte_short_of_two", 129, 0, "Unknown file format"},
                      SizeCase{"two_slots", 130, 2, nullptr},
                      SizeCase{"one_byte_too_long", 131, 0, "Unknown file format"},
                      SizeCase{"128_slots", 8194, 128, nullptr},
                      SizeCase{"128_slots_and_a_byte", 8195, 0, "Unknown file format"},
                      SizeCase{"129_slots", 8258, 0, "Too many sprites in input file"},
                      SizeCase{"1000_slots", 64002, 0, "Too many sprites in input file"}),
    [](const auto &info) { return std::string{info.param.name}; });

TEST_F(SpriteFile, FirstAttributeByteMakesEverySpriteMulticolour) {
    // $81: multicolour, colour 1; the others have bit 7 clear and junk in bits 4-6.
    const auto file = sprite_file(
        40, [](unsigned k) { return static_cast<std::uint8_t>(k == 0 ? 0x81 : 0x70 | (k % 16)); });
    ASSERT_EQ(decode(dir_.write("mc.prg", file), sprite_pad, 1), 1);
    EXPECT_EQ(colour_at(0), 1);
    for (unsigned k = 0; k < 40; k++) {
        EXPECT_EQ(multicolor_at(k), 1) << k;
        EXPECT_EQ(selected_at(k), 1) << k;
        EXPECT_TRUE(holds_file_bitmap(k, file)) << k;
    }
}

TEST_F(SpriteFile, MulticolourBitOfLaterSlotsIsIgnored) {
    const auto file = sprite_file(3, [](unsigned k) { return k == 0 ? 0x05 : 0x8F; });
    ASSERT_EQ(decode(dir_.write("hires.prg", file), sprite_pad, 1), 1);
    for (unsigned k = 0; k < 3; k++)
        EXPECT_EQ(multicolor_at(k), 0) << k;
    EXPECT_EQ(colour_at(0), 5);
    EXPECT_EQ(colour_at(2), 15);
}

struct LinkCase {
    unsigned sprite;
    unsigned colour_slot;
};

class LinkedColours : public SpriteFile, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkedColours, TakeTheColourOfTheSlotFourPlacesEarlier) {
    // Attribute of slot k: colour k mod 16, bit 4 set to show that only bits 0-3 count.
    const auto file =
        sprite_file(48, [](unsigned k) { return static_cast<std::uint8_t>(0x10 | (k % 16)); });
    ASSERT_EQ(decode(dir_.write("linked.prg", file), sprite_pad, 1), 1);
    EXPECT_EQ(colour_at(GetParam().sprite), GetParam().colour_slot % 16);
    EXPECT_TRUE(holds_file_bitmap(GetParam().sprite, file));
}

INSTANTIATE_TEST_SUITE_P(Pairs, LinkedColours,
                         ::testing::Values(LinkCase{19, 19}, LinkCase{20, 16}, LinkCase{21, 17},
                                           LinkCase{23, 19}, LinkCase{24, 24}, LinkCase{31, 31},
                                           LinkCase{32, 28}, LinkCase{35, 31}, LinkCase{36, 36},
                                           LinkCase{44, 44}),
                         [](const auto &info) {
                             return "sprite_" + std::to_string(info.param.sprite);
                         });

class IgnoredAttributes : public SpriteFile, public ::testing::WithParamInterface<int> {};

TEST_P(IgnoredAttributes, GiveSingleColourSpritesInColour13) {
    sprites_select_none();
    const auto file =
        sprite_file(40, [](unsigned k) { return static_cast<std::uint8_t>(0x80 | k); });
    ASSERT_EQ(decode(dir_.write("plain.prg", file), GetParam(), 1), 1);
    for (unsigned k = 0; k < 40; k++) {
        EXPECT_EQ(multicolor_at(k), 0) << k;
        EXPECT_EQ(colour_at(k), 13) << k;
        EXPECT_EQ(selected_at(k), 1) << k;
        EXPECT_TRUE(holds_file_bitmap(k, file)) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, IgnoredAttributes, ::testing::Values(ignore, 2, -1),
                         [](const auto &info) { return "format_" + std::to_string(info.index); });

TEST_F(SpriteFile, ReloadReplacesOnlyBitmapsAndCount) {
    sprites_set_array_size(50);
    sprites_set_color_at_index(42, 7);
    sprites_set_multicolor_at_index(42, 1);
    sprites_set_array_size(10);
    sprites_select_none();
    sprites_set_selected_at_index(5, 1);
    const auto file = sprite_file(45, [](unsigned) { return 0x81; });

    ASSERT_EQ(decode(dir_.write("reload.prg", file), sprite_pad, 0), 1);

    EXPECT_EQ(sprites_get_array_size(), 45u);
    for (unsigned k = 0; k < 45; k++)
        EXPECT_TRUE(holds_file_bitmap(k, file)) << k;
    EXPECT_EQ(colour_at(0), 13);
    EXPECT_EQ(colour_at(16), 10);
    EXPECT_EQ(multicolor_at(16), 0);
    EXPECT_EQ(colour_at(42), 7);
    EXPECT_EQ(multicolor_at(42), 1);
    EXPECT_EQ(sprites_get_selected_count(), 1u);
    EXPECT_EQ(sprites_get_last_selected_index(), 5);
    EXPECT_EQ(sprites_get_last_selected_index_left(), 5);
}

TEST_F(SpriteFile, LoadLeavesRecordsBeyondTheFileAndTheAnchors) {
    sprites_select_none();
    sprites_set_selected_at_index(22, 1);
    const auto file = sprite_file(
        5, [](unsigned) { return 0x03; }, 0, 0xFFFF);
    ASSERT_EQ(decode(dir_.write("five.pmap", file), sprite_pad, 1), 1);
    EXPECT_EQ(sprites_get_array_size(), 5u);
    EXPECT_EQ(sprites_get_last_selected_index(), 22);
    EXPECT_EQ(sprites_get_last_selected_index_right(), 22);
    sprites_set_array_size(40);
    EXPECT_EQ(colour_at(4), 3);
    EXPECT_EQ(colour_at(22), 10);
    EXPECT_EQ(selected_at(22), 1);
    EXPECT_EQ(selected_at(21), 0);
    const auto entry = sprites_get_template_entry(22);
    EXPECT_TRUE(
        std::equal(entry.begin(), entry.begin() + 63, sprites_get_record_at_index(22)->data));
}

TEST_F(SpriteFile, DirectoryGivesTheFileSystemsMessage) {
    const std::string path = dir_.subdirectory("folder.prg");
    EXPECT_EQ(decode(path, sprite_pad, 1), 0);
    ASSERT_NE(error_, nullptr);
    EXPECT_EQ(error_->domain, G_FILE_ERROR);
    EXPECT_NE(error_->code, G_FILE_ERROR_FAILED);
    EXPECT_NE(std::string{error_->message}.find("folder.prg"), std::string::npos)
        << error_->message;
    EXPECT_EQ(sprites_get_array_size(), 40u);
    EXPECT_EQ(colour_at(16), 10);
}

TEST_F(SpriteFile, MissingFileGivesTheFileSystemsMessage) {
    sprites_set_array_size(12);
    const std::string path = dir_.path() + "/absent.prg";
    EXPECT_EQ(decode(path, sprite_pad, 1), 0);
    ASSERT_NE(error_, nullptr);
    EXPECT_EQ(error_->domain, G_FILE_ERROR);
    EXPECT_EQ(error_->code, G_FILE_ERROR_NOENT);
    EXPECT_NE(std::string{error_->message}.find("absent.prg"), std::string::npos)
        << error_->message;
    EXPECT_EQ(sprites_get_array_size(), 12u);
}

struct SharedFile {
    const char *label;
    const char *name;
    unsigned sprites;
};

class SharedSpriteFile : public SpriteFile, public ::testing::WithParamInterface<SharedFile> {};

TEST_P(SharedSpriteFile, LoadsEveryBitmapAndAttribute) {
    const std::string path =
        std::string{SIDEWELL_SHARED_DIR} + "/pictures/sprites/" + GetParam().name;
    gchar *raw = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &raw, &length, nullptr))
        GTEST_SKIP() << "shared sprite file not available: " << path;
    const GCharPtr contents{raw};
    const std::vector<std::uint8_t> file(raw, raw + length);

    ASSERT_EQ(decode(path, sprite_pad, 1), 1) << (error_ ? error_->message : "");

    ASSERT_EQ(sprites_get_array_size(), GetParam().sprites);
    const bool multicolour = (file[65] & 0x80) != 0;
    for (unsigned k = 0; k < GetParam().sprites; k++) {
        EXPECT_TRUE(holds_file_bitmap(k, file)) << k;
        EXPECT_EQ(multicolor_at(k), multicolour ? 1 : 0) << k;
        const bool linked = (k >= 20 && k <= 23) || (k >= 32 && k <= 35);
        EXPECT_EQ(colour_at(k), file[2 + 64 * (linked ? k - 4 : k) + 63] & 15) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Shared, SharedSpriteFile,
                         ::testing::Values(SharedFile{"rozne", "gdc_ROZNE_13spr.MOB", 13},
                                           SharedFile{"tfight", "gdc_TFIGHT_64spr.MOB", 64}),
                         [](const auto &info) { return std::string{info.param.label}; });

// The example projects in the repository, found from this file's place in it.
std::string example_path(const char *name) {
    std::string path = __FILE__;
    path.erase(path.rfind("/tests/unit/"));
    return path + "/examples/" + name;
}

TEST_F(SpriteFile, ExampleProjectLoadsAndWritesBackItsSpriteSection) {
    gchar *raw = nullptr;
    if (!g_file_get_contents(example_path("sunset.ini").c_str(), &raw, nullptr, nullptr))
        GTEST_SKIP() << "example project not available: " << example_path("sunset.ini");
    const GCharPtr project{raw};
    const GKeyFilePtr key_file{g_key_file_new()};
    ASSERT_TRUE(g_key_file_load_from_data(key_file.get(), project.get(), static_cast<gsize>(-1),
                                          G_KEY_FILE_NONE, nullptr));

    ASSERT_EQ(decode(example_path("shapes.prg"), sprite_pad, 1), 1);
    sprites_init_from_key_file(key_file.get());

    EXPECT_EQ(sprites_get_array_size(), 48u);
    const GStringPtr section{g_string_new("")};
    sprites_get_config_string(section.get());
    const std::string text = project.get();
    const auto begin = text.find("background_color_index=");
    const auto end = text.find("\n\n", begin);
    EXPECT_EQ(section->str, text.substr(begin, end + 1 - begin));
}

} // namespace
