#include "ui/Caption.h"

#include <gtest/gtest.h>

namespace autorun::ui {
namespace {

struct CaptionCase {
    const char* caption;
    const char* drawn;
    std::vector<CaptionRun> underlined;
};

void PrintTo(const CaptionCase& c, std::ostream* os)
{
    *os << '"' << c.caption << '"';
}

class CaptionRules : public testing::TestWithParam<CaptionCase> {};

TEST_P(CaptionRules, DrawsAndUnderlinesAsTheAmpersandsSay)
{
    const CaptionCase& c = GetParam();
    const CaptionText parsed = ParseCaption(c.caption);
    EXPECT_EQ(parsed.text, c.drawn);
    EXPECT_EQ(parsed.underlined, c.underlined);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, CaptionRules,
    testing::Values(CaptionCase{"Browse this CD", "Browse this CD", {}},
                    CaptionCase{"&Browse", "Browse", {{0, 1}}},
                    CaptionCase{"Tools && Utilities", "Tools & Utilities", {}},
                    CaptionCase{"A&&&B", "A&B", {{2, 1}}},
                    CaptionCase{"x&y&z", "xyz", {{1, 1}, {2, 1}}},
                    CaptionCase{"end&", "end", {}},
                    CaptionCase{"&", "", {}},
                    CaptionCase{"", "", {}},
                    CaptionCase{"Caf&\xC3\xA9", "Caf\xC3\xA9", {{3, 2}}},
                    CaptionCase{"&\xE2\x82\xAC 5", "\xE2\x82\xAC 5", {{0, 3}}}));

} // namespace
} // namespace autorun::ui
