// An xdg-open of the tests' own, for every Linux front end's tests: what the program asked the desktop
// to open, without opening anything.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace autorun::test {

// An xdg-open first on PATH that logs its arguments, one call a line as "[arg][arg]", and exits
// with the status chosen. PATH is restored when it goes.
class XdgOpenStandIn {
public:
    XdgOpenStandIn();
    ~XdgOpenStandIn();
    XdgOpenStandIn(const XdgOpenStandIn&) = delete;
    XdgOpenStandIn& operator=(const XdgOpenStandIn&) = delete;

    void ExitWith(int status) const;
    // Leaves no xdg-open anywhere on PATH.
    void Remove() const;
    std::vector<std::string> Calls() const;
    // The one argument of each call, normalised; a call with any other number of arguments stays as logged.
    std::vector<std::string> OpenedPaths() const;

private:
    std::filesystem::path folder_;
    std::string oldPath_;
};

// A path without "." or ".." parts, doubled or trailing separators.
std::string Normalised(const std::filesystem::path& path);

} // namespace autorun::test
