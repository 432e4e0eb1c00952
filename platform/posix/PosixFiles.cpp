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
struct FoldRange {
    char32_t first;
    char32_t last;
    char32_t step; // 2 where capitals and small letters alternate
    int delta;     // from a capital to its small letter
};

constexpr FoldRange kFoldRanges[] = {
    {U'A', U'Z', 1, 0x20},
    {0xC0, 0xD6, 1, 0x20}, // Latin-1, less the multiplication sign
    {0xD8, 0xDE, 1, 0x20},
    {0x100, 0x12E, 2, 1}, // Latin Extended-A: Ā ā to Į į; İ and ı have no simple pair
    {0x132, 0x136, 2, 1}, // Ĳ ĳ to Ķ ķ; then ĸ, which has no capital
    {0x139, 0x147, 2, 1}, // Ĺ ĺ to Ň ň, capitals on odd code points; then ŉ
    {0x14A, 0x176, 2, 1}, // Ŋ ŋ to Ŷ ŷ
    {0x178, 0x178, 1, 0xFF - 0x178}, // Ÿ ÿ, whose small letter is in Latin-1
    {0x179, 0x17D, 2, 1}, // Ź ź to Ž ž; then ſ
    {0x391, 0x3A1, 1, 0x20}, // Greek, less the reserved 0x3A2
    {0x3A3, 0x3A9, 1, 0x20},
    {0x400, 0x40F, 1, 0x50}, // Cyrillic Ѐ to Џ
    {0x410, 0x42F, 1, 0x20}, // Cyrillic А to Я
};

char32_t Folded(char32_t c)
{
    for (const FoldRange& range : kFoldRanges) {
        if (c >= range.first && c <= range.last && (c - range.first) % range.step == 0)
            return static_cast<char32_t>(static_cast<int>(c) + range.delta);
    }
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

std::filesystem::path NativePath(std::string_view text, const std::filesystem::path& programFolder)
{
    std::filesystem::path native;
    const std::string folderText = programFolder.empty() ? std::string() : PathText(programFolder);
    const bool inProgramFolder =
        !folderText.empty() && text.starts_with(folderText) &&
        (text.size() == folderText.size() || folderText.back() == '\\' || text[folderText.size()] == '\\' ||
         text[folderText.size()] == '/');
    if (inProgramFolder) {
        // Taken whole: a "\" in the folder's own names is a character of that name, not a separator.
        native = programFolder;
        text.remove_prefix(folderText.size());
    } else if (!text.empty() && (text.front() == '\\' || text.front() == '/')) {
        native = "/";
    }
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

std::filesystem::path ExecutableFolder()
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
    return program.parent_path();
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

std::string FindNormalFile(const std::filesystem::path& native)
{
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
