#include "TestDisc.h"

#include "../LauncherSettings.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace autorun::test {

namespace fs = std::filesystem;

TestDisc::TestDisc()
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        root_ = fs::temp_directory_path() / ("autorun disc " + std::to_string(random()));
        // Only a folder this made: never one that was there.
        if (fs::create_directory(root_))
            return;
    }
    throw std::runtime_error("cannot make a folder for the disc in " + fs::temp_directory_path().string());
}

TestDisc::~TestDisc()
{
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string TestDisc::Text(const fs::path& relative) const
{
    const std::u8string text = (relative.empty() ? root_ : root_ / relative).u8string();
    return {text.begin(), text.end()};
}

void TestDisc::WriteInf(std::string_view bytes) const
{
    WriteFile("autorun.inf", bytes);
}

void TestDisc::AddManual(std::string_view code) const
{
    const std::string name(code);
    WriteFile(fs::path("docs") / name / (name + "DOC.PDF"), "%PDF-1.4\n");
}

void TestDisc::WriteFile(const fs::path& relative, std::string_view bytes, bool executable) const
{
    const fs::path file = root_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    if (executable)
        fs::permissions(file, fs::perms::owner_exec, fs::perm_options::add);
}

void TestDisc::WriteCatalogue() const
{
    WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                              "1=VOL,File Descriptions All Volumes\n"
                                              "2=MISS,Not on this disc\n"
                                              "3=V1,File Descriptions Volume 1\n"
                                              "4=UTL,Software Development Utilities\n");
    for (const char* code : {"VOL", "V1", "UTL"})
        AddManual(code);
    WriteFile(fs::path("docs") / "basis" / "html" / "index.htm", "<html></html>\n");
}

} // namespace autorun::test
