#include <gtk/gtk.h>

#include <gtest/gtest.h>

#include <iostream>

int main(int argc, char* argv[])
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the cases needs no display.
    if (!::testing::GTEST_FLAG(list_tests) && !gtk_init_check(&argc, &argv)) {
        std::cerr << "gtk_tests: cannot open the display \"" << (g_getenv("DISPLAY") ? g_getenv("DISPLAY") : "")
                  << "\"\n";
        return 1;
    }
    return RUN_ALL_TESTS();
}
