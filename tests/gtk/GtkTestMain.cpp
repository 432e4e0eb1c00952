#include <gtk/gtk.h>

#include <gtest/gtest.h>

#include <iostream>

int main(int argc, char* argv[])
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check(&argc, &argv)) {
        std::cerr << "gtk_tests: cannot open the display \"" << (g_getenv("DISPLAY") ? g_getenv("DISPLAY") : "")
                  << "\"\n";
        return 1;
    }
    return RUN_ALL_TESTS();
}
