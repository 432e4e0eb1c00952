#include "platform/posix/PosixFiles.h"

#include "app/Failure.h"

#include <cerrno>
#include <memory>
#include <optional>
#include <system_error>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace autorun::posix {
namespace {

std::string SystemReason(int error)
{
    return std::generic_category().message(error);
}

// Bytes that are not well-formed UTF-8 stand for themselves, beyond the range of code points,
// so they only ever match the same byte.
constexpr char32_t kRawByte = 0x110000;

char32_t NextCodePoint(std::string_view text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    char32_t c = lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else if (lead >= 0x80) {
        ++i;
        return kRawByte + lead;
    }
    if (text.size() - i < length) {
        ++i;
        return kRawByte + lead;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kRawByte + lead;
        }
        c = (c << 6) | (next & 0x3F);
    }
    i += length;
    return c;
}

// Simple case folding of the capitals of ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic:
// the scripts a disc's file names are written in, without pulling in a Unicode table.
char32_t Folded(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c < 0xC0)
        return c;
    if (c <= 0xDE)
        return c == 0xD7 ? c : c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        if (c == 0x178)
            return 0xFF;
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return (c % 2 == (oddCapitals ? 1U : 0U)) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    return c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (Folded(NextCodePoint(a, i)) != Folded(NextCodePoint(b, j)))
            return false;
    }
    return i == a.size() && j == b.size();
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The entry of folder whose name matches name ignoring case; of several, the first in byte order,
// so the choice does not depend on the order the file system lists them in.
std::optional<std::string> EntryIgnoringCase(const std::filesystem::path& folder, std::string_view name)
{
    const std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view candidate = entry->d_name;
        if (SameIgnoringCase(candidate, name) && (!found || candidate < *found))
            found = std::string(candidate);
    }
    return found;
}

} // namespace

std::filesystem::path NativePath(std::string_view text)
{
    std::filesystem::path native;
    if (!text.empty() && (text.front() == '\\' || text.front() == '/'))
        native = "/";
    // Once a component is missing nothing below it can exist, so the rest is taken as written.
    bool resolving = true;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view component = text.substr(start, end - start);
        start = end + 1;
        if (component.empty())
            continue;
        std::string name(component);
        if (resolving && component != "." && component != "..") {
            struct stat info {};
            if (lstat((native / name).c_str(), &info) != 0) {
                if (std::optional<std::string> entry = EntryIgnoringCase(native, name))
                    name = std::move(*entry);
                else
                    resolving = false;
            }
        }
        native /= name;
    }
    return native;
}

std::string ProgramFolderText()
{
    constexpr const char* kSelf = "/proc/self/exe";
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = readlink(kSelf, target.data(), target.size());
        if (length < 0) {
            const int error = errno;
            throw Failure(error, "Cannot find the program's folder from \"" + std::string(kSelf) + "\": " +
                                     SystemReason(error));
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        target.resize(target.size() * 2);
    }
    const std::filesystem::path program(target);
    if (!program.is_absolute())
        throw Failure(ENOENT, "Cannot find the program's folder from \"" + std::string(kSelf) + "\": " +
                                  SystemReason(ENOENT));
    return PathText(program.parent_path());
}

std::string PathText(const std::filesystem::path& native)
{
    std::string text = native.string();
    for (char& c : text) {
        if (c == '/')
            c = '\\';
    }
    return text;
}

std::string FindNormalFile(std::string_view text)
{
    const std::filesystem::path native = NativePath(text);
    std::string name = native.filename().string();
    if (name.empty() || name.front() == '.')
        return {};
    struct stat info {};
    if (stat(native.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return {};
        throw Failure(error, "Cannot look for \"" + native.string() + "\": " + SystemReason(error));
    }
    return S_ISREG(info.st_mode) ? name : std::string();
}

} // namespace autorun::posix
