#include "XdgOpenStandIn.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace autorun::test {
namespace {

std::filesystem::path MakeTemporaryFolder(const char* prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

void Write(const std::filesystem::path& file, std::string_view text)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

} // namespace

XdgOpenStandIn::XdgOpenStandIn() : folder_(MakeTemporaryFolder("autorun-xdg-"))
{
    const char* path = std::getenv("PATH");
    oldPath_ = path != nullptr ? path : "/usr/bin:/bin";
    Write(folder_ / "bin" / "xdg-open",
          "#!/bin/sh\n"
          "{ printf '[%s]' \"$@\"; printf '\\n'; } >>'" + (folder_ / "calls.log").string() + "'\n"
          "read -r status <'" + (folder_ / "status").string() + "'\n"
          "exit \"$status\"\n");
    std::filesystem::permissions(folder_ / "bin" / "xdg-open", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    ExitWith(0);
    setenv("PATH", ((folder_ / "bin").string() + ":" + oldPath_).c_str(), 1);
}

XdgOpenStandIn::~XdgOpenStandIn()
{
    setenv("PATH", oldPath_.c_str(), 1);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void XdgOpenStandIn::ExitWith(int status) const
{
    Write(folder_ / "status", std::to_string(status) + "\n");
}

void XdgOpenStandIn::Remove() const
{
    std::filesystem::remove(folder_ / "bin" / "xdg-open");
    setenv("PATH", (folder_ / "bin").c_str(), 1);
}

std::vector<std::string> XdgOpenStandIn::Calls() const
{
    std::ifstream log(folder_ / "calls.log", std::ios::binary);
    std::vector<std::string> calls;
    // Only whole lines: a call still being written is not one yet.
    for (std::string line; std::getline(log, line) && !log.eof();)
        calls.push_back(line);
    return calls;
}

std::vector<std::string> XdgOpenStandIn::OpenedPaths() const
{
    std::vector<std::string> paths;
    for (const std::string& call : Calls()) {
        const bool single = call.size() >= 2 && call.front() == '[' && call.back() == ']' &&
                            call.find("][") == std::string::npos;
        paths.push_back(single ? Normalised(call.substr(1, call.size() - 2)) : call);
    }
    return paths;
}

std::string Normalised(const std::filesystem::path& path)
{
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.ends_with('/'))
        text.pop_back();
    return text;
}

} // namespace autorun::test
