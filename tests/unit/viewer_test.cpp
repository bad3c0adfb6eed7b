// The assembled viewer templates as the exporter sees them: size, load address and patch points.

#include "core/viewer.hpp"

#include "test_support.hpp"

#include <set>
#include <string>
#include <vector>

namespace {

using test_support::is_linked;

constexpr std::uint8_t lda_immediate = 0xA9;
constexpr std::uint8_t ldx_immediate = 0xA2;
constexpr std::uint8_t ldy_immediate = 0xA0;
constexpr std::uint8_t sta_absolute_x = 0x9D;

struct TemplateCase {
    const char *name;
    const ViewerTemplate *viewer;
    std::uint16_t load_address;
    // $d018 values of the two screens; low byte of the base that, indexed by the second value,
    // stores to $d016.
    std::uint8_t first_screen, second_screen, store_base_low;
};

const TemplateCase template_cases[] = {
    {"mc", &code_sidewell_mc, 0x3400, 0xD0, 0xE0, 0x36},
    {"mc_with_flicker", &code_sidewell_mc_with_flicker, 0x3400, 0xD0, 0xE0, 0x36},
    {"petscii", &code_sidewell_petscii, 0x2000, 0x14, 0x24, 0xF2},
    {"petscii_with_flicker", &code_sidewell_petscii_with_flicker, 0x2000, 0x14, 0x24, 0xF2},
};

class ViewerTemplates : public testing::TestWithParam<TemplateCase> {};

// Every patch point of the exporter's colour and multicolour table.
std::vector<std::uint16_t> value_patches(const ViewerTemplate &viewer) {
    std::vector<std::uint16_t> patches = {viewer.patch_multicolor0, viewer.patch_multicolor1,
                                          viewer.patch_multicolor_mask};
    for (const auto offset : viewer.patch_sprite_color)
        if (offset != viewer_no_patch)
            patches.push_back(offset);
    return patches;
}

bool is_immediate_load_operand(const ViewerTemplate &viewer, std::uint16_t offset) {
    if (offset == 0 || offset >= viewer_template_size)
        return false;
    const std::uint8_t opcode = viewer.code[offset - 1u];
    return opcode == lda_immediate || opcode == ldx_immediate || opcode == ldy_immediate;
}

// Every patch point is a distinct operand of an immediate load. Rows 5 and 8 keep the colours
// of rows 4 and 7: sprites 20-23 and 32-35 have no colour patch, every other sprite has one.
TEST_P(ViewerTemplates, HasItsLoadAddressAndEveryPatchPointInPlace) {
    const ViewerTemplate &viewer = *GetParam().viewer;
    EXPECT_EQ(viewer.code.size(), 2848u);
    EXPECT_EQ(viewer.load_address, GetParam().load_address);
    const auto patches = value_patches(viewer);
    for (const auto offset : patches)
        EXPECT_TRUE(is_immediate_load_operand(viewer, offset)) << "offset " << offset;
    EXPECT_EQ(std::set<std::uint16_t>(patches.begin(), patches.end()).size(), patches.size());
    for (unsigned sprite = 0; sprite < 40; ++sprite)
        EXPECT_EQ(viewer.patch_sprite_color[sprite] == viewer_no_patch, is_linked(sprite))
            << "sprite " << sprite;

    // The lower case patches of the PETSCII viewers turn every $d018 value $14 / $24 into
    // $16 / $26 and move the base of the stores indexed by the second screen's value from $cff2
    // down to $cff0. The multicolour viewers hold their own values ($d0 / $e0, base $cf36) there.
    const TemplateCase &param = GetParam();
    for (const auto offset : viewer.patch_lowercase_14) {
        EXPECT_EQ(viewer.code[offset], param.first_screen) << "offset " << offset;
        EXPECT_TRUE(is_immediate_load_operand(viewer, offset)) << "offset " << offset;
    }
    for (const auto offset : viewer.patch_lowercase_24) {
        EXPECT_EQ(viewer.code[offset], param.second_screen) << "offset " << offset;
        EXPECT_TRUE(is_immediate_load_operand(viewer, offset)) << "offset " << offset;
    }
    for (const auto offset : viewer.patch_lowercase_f2) {
        EXPECT_EQ(viewer.code[offset], param.store_base_low) << "offset " << offset;
        EXPECT_EQ(viewer.code[offset - 1u], sta_absolute_x) << "offset " << offset;
        EXPECT_EQ(viewer.code[offset + 1u], 0xCF) << "offset " << offset;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFour, ViewerTemplates, testing::ValuesIn(template_cases),
                         test_support::by_name);

} // namespace
