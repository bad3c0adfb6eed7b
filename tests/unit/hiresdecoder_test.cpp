#include "core/hiresdecoder.hpp"

#include "core/c64pixbufs.hpp"
#include "test_support.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace test_support;

constexpr int none = -1;

// The file layouts as the paint programs wrote them; offsets count the two load address bytes.
struct Format {
    const char *name;
    int id;
    std::uint16_t load;
    std::size_t size;
    int bitmap, screen, colour, background, border, charset;
};

constexpr Format petscii = {"petscii", 1, 0x1928, 2005, none, 5, 1005, 3, 2, 4};
constexpr Format koala = {"koala", 7, 0x6000, 10003, 2, 8002, 9002, 10002, none, none};

// A C64 program file whose every byte after the load address differs from its neighbours, so a
// part read from the wrong offset shows.
Bytes program_file(std::uint16_t load, std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i < 2 ? load >> (8 * i) : i * 151 + (i >> 8) * 7 + 1);
    return bytes;
}

constexpr std::uint8_t sentinel = 0xAA;

PictureData sentinel_record() {
    PictureData record;
    std::memset(&record, sentinel, sizeof record);
    record.border_color = -1;
    record.format = picture_format_none;
    return record;
}

struct Decoded {
    gboolean ok;
    PixbufPtr image;
    GErrorPtr error;
};

// A failed decode also drops the caller's old image pointer.
Decoded decode(const std::string &path, int format, PictureData *record) {
    const PixbufPtr old_image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 1, 1));
    GdkPixbuf *image = old_image.get();
    GError *error = nullptr;
    const gboolean ok =
        hiresdecoder_decode_hires_screen_file(path.c_str(), format, &image, record, &error);
    EXPECT_TRUE(ok || image == nullptr);
    return {ok, PixbufPtr(image == old_image.get() ? nullptr : image), GErrorPtr(error)};
}

void expect_failure(const Decoded &result, const char *message, int code = G_FILE_ERROR_FAILED) {
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.image);
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(g_error_matches(result.error.get(), G_FILE_ERROR, code)) << result.error->code;
    EXPECT_STREQ(result.error->message, message);
}

void expect_picture(const Decoded &result) {
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.error) << result.error->message;
    ASSERT_TRUE(result.image);
    EXPECT_EQ(gdk_pixbuf_get_width(result.image.get()), 320);
    EXPECT_EQ(gdk_pixbuf_get_height(result.image.get()), 200);
}

class DecoderTest : public PeptoTest {
  protected:
    void TearDown() override {
        PeptoTest::TearDown();
        c64pixbuf_set_case(1);
    }

    // The decoder takes UTF-8 paths: every file gets a name outside ASCII.
    std::string write(const Bytes &bytes) { return dir_.write("Bild-\u00e4\u00f6.prg", bytes); }

    TempDir dir_;
};

constexpr const char *unknown = "Unknown picture format";

struct FileCase {
    const char *name;
    int forced; // 0 detects
    std::uint16_t load;
    std::size_t size;
    int format;          // of the decoded record
    const char *message; // null: decodes
};

class PictureFile : public DecoderTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(PictureFile, DecodesOrSaysWhyAndLeavesTheRecord) {
    const FileCase &c = GetParam();
    PictureData record = sentinel_record();
    const PictureData before = record;
    const Decoded result = decode(write(program_file(c.load, c.size)), c.forced, &record);
    if (c.message == nullptr) {
        expect_picture(result);
        EXPECT_EQ(record.format, c.format);
        PictureData forced = sentinel_record(); // forcing the detected format gives the same
        expect_picture(decode(write(program_file(c.load, c.size)), c.format, &forced));
        EXPECT_TRUE(same_picture(forced, record));
    } else {
        expect_failure(result, c.message);
        EXPECT_TRUE(same_picture(record, before));
    }
}

const FileCase detected_cases[] = {
    {"petscii", 0, 0x1928, 2005, 1, nullptr},
    {"petscii_truncated", 0, 0x1928, 2004, 0, unknown},
    {"vidcom", 0, 0x5800, 10050, 6, nullptr},
    {"vidcom_truncated", 0, 0x5800, 10049, 0, unknown},
    {"koala_at_6000", 0, 0x6000, 10003, 7, nullptr},
    {"koala_at_2000", 0, 0x2000, 10003, 7, nullptr},
    {"koala_at_4000", 0, 0x4000, 10003, 7, nullptr},
    {"koala_truncated", 0, 0x6000, 10002, 0, unknown},
    {"koala_one_byte_too_long", 0, 0x6000, 10004, 0, unknown},
    {"koala_size_at_a000", 0, 0xA000, 10003, 0, unknown},
    {"artist64", 0, 0x4000, 10242, 8, nullptr},
    {"artist64_truncated", 0, 0x4000, 10241, 0, unknown},
    {"artist64_size_at_2000", 0, 0x2000, 10242, 0, unknown},
    {"art_studio", 0, 0x2000, 10018, 9, nullptr},
    {"art_studio_at_6000", 0, 0x6000, 10018, 0, unknown},
    {"art_studio_truncated", 0, 0x2000, 10017, 0, unknown},
    {"blazing_paddles", 0, 0xA000, 10242, 10, nullptr},
    {"blazing_paddles_truncated", 0, 0xA000, 10241, 0, unknown},
    {"basic_start_address", 0, 0x0801, 10003, 0, unknown},
    {"load_address_only", 0, 0x6000, 2, 0, unknown},
    {"one_byte", 0, 0x1928, 1, 0, unknown},
    {"empty", 0, 0, 0, 0, unknown},
};

const FileCase forced_cases[] = {
    {"petscii_too_long", 1, 0x1928, 2006, 0, "Wrong file size\nExpected: 2005\nActual: 2006"},
    {"petscii_at_2000", 1, 0x2000, 2005, 0, "Wrong load address\nExpected: $1928\nActual: $2000"},
    {"vidcom_at_6000", 6, 0x6000, 10050, 0, "Wrong load address\nExpected: $5800\nActual: $6000"},
    {"koala_at_a000", 7, 0xA000, 10003, 0, "Wrong load address\nExpected: $6000\nActual: $A000"},
    {"koala_truncated", 7, 0x6000, 10002, 0, "Wrong file size\nExpected: 10003\nActual: 10002"},
    {"koala_too_long", 7, 0x6000, 10004, 0, "Wrong file size\nExpected: 10003\nActual: 10004"},
    {"artist64_on_koala", 8, 0x4000, 10003, 0, "Wrong file size\nExpected: 10242\nActual: 10003"},
    {"artist64_at_6000", 8, 0x6000, 10242, 0, "Wrong load address\nExpected: $4000\nActual: $6000"},
    {"studio_at_6000", 9, 0x6000, 10018, 0, "Wrong load address\nExpected: $2000\nActual: $6000"},
    {"load_before_size", 9, 0x0801, 5, 0, "Wrong load address\nExpected: $2000\nActual: $0801"},
    {"paddles_at_4000", 10, 0x4000, 10242, 0, "Wrong load address\nExpected: $A000\nActual: $4000"},
    {"blazing_paddles_truncated", 10, 0xA000, 2, 0, "Wrong file size\nExpected: 10242\nActual: 2"},
    {"hires_class_2", 2, 0x6000, 10003, 0, unknown},
    {"hires_class_5", 5, 0x6000, 10003, 0, unknown},
    {"beyond_the_last_format", 11, 0xA000, 10242, 0, unknown},
    {"negative", -1, 0x6000, 10003, 0, unknown},
    {"empty_koala", 7, 0, 0, 0, unknown},
    {"one_byte_koala", 7, 0x1928, 1, 0, unknown},
};

INSTANTIATE_TEST_SUITE_P(Detected, PictureFile, ::testing::ValuesIn(detected_cases), by_name);
INSTANTIATE_TEST_SUITE_P(Forced, PictureFile, ::testing::ValuesIn(forced_cases), by_name);

class Layout : public DecoderTest, public ::testing::WithParamInterface<Format> {};

// Multicolour bitmap cell 0 row 0 holds pairs 00 01 10 11; screen byte 0x25, colour byte 0xF7
// and background 0x1B give them colours 11, 2, 5 and 7.
TEST_P(Layout, CopiesExactlyThePartsTheFormatCarriesAndRendersThem) {
    const Format &format = GetParam();
    Bytes bytes = program_file(format.load, format.size);
    if (format.bitmap != none) {
        bytes[format.bitmap] = 0b00'01'10'11;
        bytes[format.screen] = 0x25;
        bytes[format.colour] = 0xF7;
        bytes[format.background] = 0x1B;
    }
    PictureData record = sentinel_record();
    const Decoded result = decode(write(bytes), picture_format_none, &record);
    expect_picture(result);

    EXPECT_EQ(record.format, format.id);
    const auto holds = [&](const std::uint8_t *part, int offset, int size) {
        return offset == none ? std::all_of(part, part + size, [](auto b) { return b == sentinel; })
                              : std::equal(part, part + size, &bytes[offset]);
    };
    EXPECT_TRUE(holds(record.bitmap, format.bitmap, picture_bitmap_size));
    EXPECT_TRUE(holds(record.screen_ram, format.screen, picture_cell_count));
    EXPECT_TRUE(holds(record.color_ram, format.colour, picture_cell_count));
    EXPECT_EQ(record.background_color, bytes[format.background]);
    EXPECT_EQ(record.border_color, format.border == none ? -1 : bytes[format.border]);
    EXPECT_EQ(record.charset, format.charset == none ? sentinel : bytes[format.charset]);
    if (format.bitmap != none && result.image) {
        const std::array<int, 4> expected = {11, 2, 5, 7};
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(rgb_at(result.image.get(), x, 0), pepto[expected[x / 2]]) << "x " << x;
    }
}

const Format formats[] = {
    petscii,
    {"vidcom", 6, 0x5800, 10050, 2050, 1026, 2, 2026, none, none},
    koala,
    {"artist64", 8, 0x4000, 10242, 2, 8194, 9218, 10241, none, none},
    {"art_studio", 9, 0x2000, 10018, 2, 8002, 9018, 9003, 9002, none},
    {"blazing_paddles", 10, 0xA000, 10242, 2, 8194, 9218, 8066, none, none},
};

INSTANTIATE_TEST_SUITE_P(Formats, Layout, ::testing::ValuesIn(formats), by_name);

// A PETSCII Vellum screen with "a" (screen code 1) in light blue on blue in the first cell.
Bytes petscii_file(std::uint8_t charset) {
    Bytes bytes(petscii.size, 32);
    bytes[0] = 40;
    bytes[1] = 25;
    bytes[2] = 0x0E; // border
    bytes[3] = 0x06; // background
    bytes[4] = charset;
    bytes[5] = 1;
    std::fill(bytes.begin() + 1005, bytes.end(), std::uint8_t{14});
    return bytes;
}

struct CharsetCase {
    std::uint8_t charset;
    bool with_record;
    bool uppercase;
};

TEST_F(DecoderTest, PetsciiSelectsTheCharacterSetAndRendersWithItEvenInAPreview) {
    for (const auto &[charset, with_record, uppercase] :
         {CharsetCase{0, true, true}, CharsetCase{1, true, false}, CharsetCase{0x80, true, false},
          CharsetCase{1, false, false}, CharsetCase{0, false, true}}) {
        SCOPED_TRACE(testing::Message() << "charset " << int{charset} << " record " << with_record);
        c64pixbuf_set_case(uppercase ? 0 : 1); // the decode has to switch
        PictureData record = sentinel_record();
        const Decoded result = decode(write(petscii_file(charset)), picture_format_none,
                                      with_record ? &record : nullptr);
        expect_picture(result);
        ASSERT_TRUE(result.image);
        EXPECT_EQ(cell_rows(result.image.get(), 0, 0, pepto[14], pepto[6]),
                  uppercase ? capital_a : small_a);
        EXPECT_EQ(c64pixbufs_get_char_at_index(1), uppercase
                                                       ? c64pixbufs_get_uppercase_char_at_index(1)
                                                       : c64pixbufs_get_lowercase_char_at_index(1));
        EXPECT_EQ(record.charset, with_record ? charset : sentinel);
        EXPECT_EQ(record.border_color, with_record ? 0x0E : -1);
    }
}

TEST_F(DecoderTest, APreviewFillsNoRecord) {
    const PictureData global_before = picture_data;
    expect_picture(decode(write(program_file(koala.load, koala.size)), 0, nullptr));
    EXPECT_TRUE(same_picture(picture_data, global_before));
}

// A folder, a missing file and, unless the tests run with rights that read any file, an
// unreadable one.
TEST_F(DecoderTest, FileSystemErrorsArePassedOnAsTheFileSystemSaysThem) {
    const std::string unreadable = write(program_file(koala.load, koala.size));
    g_chmod(unreadable.c_str(), 0);
    for (const std::string &path :
         {dir_.subdirectory("folder.koa"), dir_.file("missing.koa"), unreadable}) {
        SCOPED_TRACE(path);
        gchar *contents = nullptr;
        GError *raw_error = nullptr;
        if (g_file_get_contents(path.c_str(), &contents, nullptr, &raw_error)) {
            g_free(contents);
            continue;
        }
        const GErrorPtr expected(raw_error);
        EXPECT_NE(expected->code, G_FILE_ERROR_FAILED);
        PictureData record = sentinel_record();
        const PictureData before = record;
        expect_failure(decode(path, picture_format_none, &record), expected->message,
                       expected->code);
        EXPECT_TRUE(same_picture(record, before));
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_space_is_reserved = true; // AddressSanitizer maps terabytes of shadow
#else
constexpr bool address_space_is_reserved = false;
#endif

// Current size of this process's address space, from the kernel's own accounting.
rlim_t address_space_in_use() {
    unsigned long pages = 0;
    if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// Run in a child process: caps the address space and uses up the heap's free memory in 16 KB
// blocks, then gives back 64 KB. Reading the 10 KB file still succeeds, the 256 000-byte image
// cannot be made. 0 when the decoder reports exactly that, with the record already filled.
int decode_without_memory_for_the_image(const std::string &path, std::uint8_t background) {
    PictureData record = sentinel_record();
    std::vector<void *> blocks;
    blocks.reserve(1 << 16);
    const rlim_t limit = address_space_in_use() + 128 * 1024;
    const rlimit cap = {limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0)
        return 2;
    while (blocks.size() < blocks.capacity()) {
        void *block = std::malloc(16 * 1024);
        if (block == nullptr)
            break;
        blocks.push_back(block);
    }
    for (int i = 0; i < 4 && !blocks.empty(); ++i) {
        std::free(blocks.back());
        blocks.pop_back();
    }
    GdkPixbuf *image = nullptr;
    GError *error = nullptr;
    const gboolean ok = hiresdecoder_decode_hires_screen_file(path.c_str(), picture_format_none,
                                                              &image, &record, &error);
    const bool filled =
        record.format == picture_format_koala && record.background_color == background;
    const bool reported = error != nullptr &&
                          g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_FAILED) &&
                          std::strcmp(error->message, "Could not create pixbuf") == 0;
    if (error != nullptr)
        std::fprintf(stderr, "decoder said: %s\n", error->message);
    return !ok && image == nullptr && reported && filled ? 0 : 1;
}

TEST_F(DecoderTest, NoMemoryForTheImageFailsAfterFillingTheRecord) {
    if (address_space_is_reserved)
        GTEST_SKIP() << "AddressSanitizer cannot run with a capped address space";
    const Bytes bytes = program_file(koala.load, koala.size);
    const std::string path = write(bytes);
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(std::_Exit(decode_without_memory_for_the_image(path, bytes[koala.background])),
                ::testing::ExitedWithCode(0), "");
}

} // namespace
