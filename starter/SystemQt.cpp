#include "starter/SystemQt.h"

#include <charconv>
#include <filesystem>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace autorun::starter {
namespace {

// "6.4.2" as three numbers; a missing part counts as 0.
struct Version {
    int part[3] = {0, 0, 0};

    explicit Version(std::string_view text)
    {
        for (int& number : part) {
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
            if (error != std::errc())
                break;
            text.remove_prefix(static_cast<std::size_t>(end - text.data()));
            if (text.empty() || text.front() != '.')
                break;
            text.remove_prefix(1);
        }
    }
    auto operator<=>(const Version&) const = default;
};

bool Loads(const std::string& library)
{
    return dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL) != nullptr;
}

} // namespace

bool SystemQtCanRun(std::string_view builtVersion)
{
    void* core = dlopen("libQt6Core.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (core == nullptr)
        return false;
    using VersionFunction = const char* (*)();
    const auto qVersion = reinterpret_cast<VersionFunction>(dlsym(core, "qVersion"));
    Dl_info where{};
    if (qVersion == nullptr || Version(qVersion()) < Version(builtVersion) || dladdr(reinterpret_cast<void*>(qVersion), &where) == 0 ||
        where.dli_fname == nullptr)
        return false;
    // Distributions keep Qt's plugins in qt6/plugins beside its libraries.
    const std::filesystem::path plugins = std::filesystem::path(where.dli_fname).parent_path() / "qt6" / "plugins";
    return Loads("libQt6Gui.so.6") && Loads("libQt6Widgets.so.6") && Loads(plugins / "platforms" / "libqxcb.so") &&
           access((plugins / "imageformats" / "libqjpeg.so").c_str(), R_OK) == 0;
}

} // namespace autorun::starter
