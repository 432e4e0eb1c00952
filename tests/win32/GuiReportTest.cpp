// The report of a failure no handler caught: a box the user must see before the program ends.
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace autorun::win32::test {
namespace {

TEST(Win32DesktopDeathTest, ReportEndsTheProgramAfterTellingTheUser)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            BoxCloser boxes([](const BoxCloser::Box& box) {
                std::string text = box.text;
                std::replace(text.begin(), text.end(), '\n', ' ');
                std::fprintf(stderr, "box %s%s: %s\n", box.title.c_str(), box.icon ? " with an icon" : "", text.c_str());
                std::fflush(stderr);
            });
            Win32Desktop desktop;
            desktop.EndWithReport("Run-time error '5':\n\nInvalid procedure call");
        },
        ::testing::ExitedWithCode(1), "box Autorun with an icon: Run-time error '5':  Invalid procedure call");
}

} // namespace
} // namespace autorun::win32::test
