// A fresh folder standing for the disc, for every desktop's tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace autorun::test {

// Removed with everything in it. Its name has a space, as the folders users copy discs to often do.
class TestDisc {
public:
    TestDisc();
    ~TestDisc();
    TestDisc(const TestDisc&) = delete;
    TestDisc& operator=(const TestDisc&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    // The path as the program's texts carry it: UTF-8, with the system's separators.
    std::string Text(const std::filesystem::path& relative = {}) const;
    void WriteInf(std::string_view bytes) const;
    // docs/<code>/<code>DOC.PDF
    void AddManual(std::string_view code) const;
    void WriteFile(const std::filesystem::path& relative, std::string_view bytes, bool executable = false) const;
    // The launcher's settings with a catalogue of four manuals, three of them on the disc, and the
    // HTML edition.
    void WriteCatalogue() const;

private:
    std::filesystem::path root_;
};

} // namespace autorun::test
