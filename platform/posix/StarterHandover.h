// What the disc's starter hands the program it starts, taken out of the environment at once so that
// nothing the program starts sees it: the launch folder (the disc, where the program runs from a copy
// elsewhere), and the means to tell the starter that a window shows. The starter waits for that, and
// reports a program that ends before it; until then the program's standard error goes through the
// starter, and it is put back when the window shows. Without a starter all of it is nothing.
#pragma once

#include <filesystem>

namespace autorun::posix {

class StarterHandover {
public:
    StarterHandover();
    ~StarterHandover();
    StarterHandover(const StarterHandover&) = delete;
    StarterHandover& operator=(const StarterHandover&) = delete;

    // Empty where the starter named none.
    const std::filesystem::path& LaunchFolder() const { return launchFolder_; }
    // Call once a window is on the screen; later calls do nothing. A program that ends without calling
    // it is reported by the starter.
    void WindowShown();

private:
    std::filesystem::path launchFolder_;
    int ready_ = -1;
    int stderr_ = -1;
};

} // namespace autorun::posix
