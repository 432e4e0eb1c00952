#include "starter/SystemLibraries.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <gnu/libc-version.h>
#include <link.h>
#include <unistd.h>

namespace autorun::starter {
namespace {

template <typename T>
bool ReadAt(int fd, std::uint64_t offset, T& value)
{
    return pread(fd, &value, sizeof value, static_cast<off_t>(offset)) == static_cast<ssize_t>(sizeof value);
}

// The symbol versions a shared library defines, from its version definitions (.gnu.version_d).
std::set<std::string> DefinedVersions(const char* file)
{
    std::set<std::string> versions;
    const int fd = open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return versions;
    Elf64_Ehdr header{};
    if (ReadAt(fd, 0, header) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
        header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_shentsize == sizeof(Elf64_Shdr)) {
        const auto section = [&](unsigned index, Elf64_Shdr& out) {
            return index < header.e_shnum && ReadAt(fd, header.e_shoff + std::uint64_t{index} * sizeof out, out);
        };
        for (unsigned i = 0; i < header.e_shnum; ++i) {
            Elf64_Shdr definitions{};
            Elf64_Shdr strings{};
            if (!section(i, definitions) || definitions.sh_type != SHT_GNU_verdef ||
                !section(definitions.sh_link, strings))
                continue;
            std::string names(strings.sh_size, '\0');
            if (pread(fd, names.data(), names.size(), static_cast<off_t>(strings.sh_offset)) !=
                static_cast<ssize_t>(names.size()))
                break;
            std::uint64_t at = definitions.sh_offset;
            for (unsigned n = 0; n < definitions.sh_info; ++n) {
                Elf64_Verdef definition{};
                Elf64_Verdaux name{};
                if (!ReadAt(fd, at, definition) || !ReadAt(fd, at + definition.vd_aux, name))
                    break;
                if ((definition.vd_flags & VER_FLG_BASE) == 0 && name.vda_name < names.size())
                    versions.insert(names.c_str() + name.vda_name);
                if (definition.vd_next == 0)
                    break;
                at += definition.vd_next;
            }
        }
    }
    close(fd);
    return versions;
}

// "GLIBCXX_3.4.30" as its kind "GLIBCXX_" and its numbers.
std::pair<std::string_view, std::vector<int>> Split(std::string_view version)
{
    std::size_t digits = version.size();
    while (digits > 0 && (std::isdigit(static_cast<unsigned char>(version[digits - 1])) || version[digits - 1] == '.'))
        --digits;
    std::vector<int> numbers;
    for (std::string_view rest = version.substr(digits); !rest.empty();) {
        int number = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
        numbers.push_back(number);
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
        if (error != std::errc() || rest.empty() || rest.front() != '.')
            break;
        rest.remove_prefix(1);
    }
    return {version.substr(0, digits), numbers};
}

std::optional<std::string> NewestOfKind(const std::set<std::string>& versions, std::string_view kind)
{
    std::optional<std::string> newest;
    for (const std::string& version : versions) {
        const auto [itsKind, numbers] = Split(version);
        if (itsKind == kind && (!newest || Split(*newest).second < numbers))
            newest = version;
    }
    return newest;
}

} // namespace

std::vector<std::string> Shortfalls(std::string_view needs)
{
    std::map<std::string, std::vector<std::string>, std::less<>> byLibrary;
    while (!needs.empty()) {
        const std::size_t end = std::min(needs.find('\n'), needs.size());
        const std::string_view line = needs.substr(0, end);
        needs.remove_prefix(std::min(end + 1, needs.size()));
        const std::size_t space = line.find(' ');
        if (space != std::string_view::npos)
            byLibrary[std::string(line.substr(0, space))].emplace_back(line.substr(space + 1));
    }
    std::vector<std::string> shortfalls;
    // The C library's versions, in whichever of its libraries they are asked of, are told once, as
    // glibc's release.
    std::optional<std::string> glibc;
    for (const auto& [library, versions] : byLibrary) {
        void* handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (handle == nullptr) {
            shortfalls.push_back(library + ", which this system lacks");
            continue;
        }
        link_map* map = nullptr;
        std::set<std::string> defined;
        if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr)
            defined = DefinedVersions(map->l_name);
        std::string wanted;
        std::string has;
        for (const std::string& version : versions) {
            if (defined.contains(version))
                continue;
            const std::string_view kind = Split(version).first;
            if (kind == "GLIBC_") {
                if (!glibc || Split(*glibc).second < Split(version).second)
                    glibc = version;
                continue;
            }
            const std::optional<std::string> newest = NewestOfKind(defined, kind);
            wanted += (wanted.empty() ? "" : " and ") + version;
            has += (has.empty() ? "" : " and ") + newest.value_or("no " + std::string(kind) + " versions");
        }
        if (!wanted.empty())
            shortfalls.push_back(library + " with " + wanted + "; this system's has up to " + has);
    }
    if (glibc)
        shortfalls.insert(shortfalls.begin(), "glibc " + glibc->substr(6) + " or later; this system has glibc " +
                                                  gnu_get_libc_version());
    return shortfalls;
}

} // namespace autorun::starter
