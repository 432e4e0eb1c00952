#include "platform/portable/ProfileReader.h"

#include "platform/portable/TextDecoding.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <system_error>
#include <vector>

namespace autorun::profile {
namespace {

// How much of a file is read at a time.
constexpr std::size_t kFilePiece = 1 << 16;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

template <class Drop>
std::string_view Trimmed(std::string_view text, Drop drop)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && drop(text[first]))
        ++first;
    while (last > first && drop(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string_view Trimmed(std::string_view text)
{
    return Trimmed(text, IsBlank);
}

// The names asked for lose the blanks and line ends around them, as the file's names do.
std::string_view TrimmedName(std::string_view name)
{
    return Trimmed(name, [](char c) { return IsBlank(c) || IsLineEnd(c); });
}

// A default loses its trailing spaces, though never its first character.
std::string_view TrimmedDefault(std::string_view text)
{
    std::size_t last = text.size();
    while (last > 1 && text[last - 1] == ' ')
        --last;
    return text.substr(0, last);
}

// A NUL ends the name or value it is in; it ends neither the line nor the section header.
std::string_view BeforeNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

struct Value {
    std::string text;
    bool quoted = false; // it lost a pair of quotes
};

Value Unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return {std::string(value.substr(1, value.size() - 2)), true};
    return {std::string(value)};
}

std::size_t CharacterCount(std::string_view utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// What a buffer of bufferSize characters receives: the first bufferSize - 1 characters, where a
// character is a lead byte with its continuation bytes, so a sequence is never split.
std::string Cut(std::string_view text, std::size_t bufferSize)
{
    if (bufferSize == 0)
        return {};
    const std::size_t limit = bufferSize - 1;
    std::size_t characters = 0;
    std::size_t end = 0;
    for (; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
            if (characters == limit)
                break;
            ++characters;
        }
    }
    return std::string(text.substr(0, end));
}

// The reader copies a quoted value with its closing quote and then drops the last character it
// copied; when the text inside the quotes exactly fills the buffer, that is the text's own last one.
std::string CutValue(const Value& value, std::size_t bufferSize)
{
    if (value.quoted && bufferSize > 0 && CharacterCount(value.text) == bufferSize - 1)
        return Cut(value.text, bufferSize - 1);
    return Cut(value.text, bufferSize);
}

std::string DefaultValue(std::string_view defaultValue, std::size_t bufferSize)
{
    return Cut(TrimmedDefault(defaultValue), bufferSize);
}

// Looks for key in the first section named section, in text fed to it a piece at a time. Works on
// UTF-8 and on Windows-1252 bytes alike: every byte that shapes a line (line ends, blanks,
// brackets, "=", quotes, NUL) is ASCII in both and means itself. Each byte is looked at a bounded
// number of times, and only a line that may matter is kept while it is read.
class Search {
public:
    // The lines before the first header make up a section with the empty name, always the first
    // of that name.
    Search(std::string_view section, std::string_view key)
        : section_(section), key_(key), inSection_(section.empty())
    {
    }

    // Takes the next piece of text; false once the answer is known.
    bool Feed(std::string_view text)
    {
        while (!done_) {
            std::size_t end = 0;
            while (end < text.size() && !IsLineEnd(text[end]))
                ++end;
            if (end == text.size()) {
                Keep(text);
                return true;
            }
            if (skipping_)
                skipping_ = false;
            else if (partial_.empty())
                Line(text.substr(0, end));
            else
                Line(partial_.append(text.substr(0, end)));
            partial_.clear();
            text.remove_prefix(end + 1);
        }
        return false;
    }

    // The end of the text ends the line it is in.
    void Finish()
    {
        if (!done_ && !skipping_)
            Line(partial_);
        done_ = true;
    }

    // The value found, trimmed and unquoted but not cut.
    std::optional<Value>& Result() { return result_; }

private:
    // A line cut by the end of a piece waits for its rest, unless it can neither start a section
    // nor be a key of the one searched: then it need not be kept at all.
    void Keep(std::string_view start)
    {
        if (skipping_)
            return;
        partial_.append(start);
        const auto first = std::find_if_not(partial_.begin(), partial_.end(), IsBlank);
        if (first == partial_.end()) {
            partial_.clear(); // blanks before anything else are trimmed away in any case
        } else if (!inSection_ && *first != '[') {
            skipping_ = true;
            partial_.clear();
        }
    }

    void Line(std::string_view raw)
    {
        const std::string_view line = Trimmed(raw);
        if (line.empty())
            return;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                // Only the first section of a name counts; its end ends the search.
                if (inSection_)
                    done_ = true;
                inSection_ = EqualsIgnoringCase(BeforeNul(Trimmed(line.substr(1, close - 1))), section_);
                return;
            }
        }
        if (!inSection_)
            return;
        const std::size_t equals = line.find('=');
        if (!EqualsIgnoringCase(BeforeNul(Trimmed(line.substr(0, equals))), key_))
            return;
        result_ = equals == std::string_view::npos ? Value{} : Unquoted(BeforeNul(Trimmed(line.substr(equals + 1))));
        done_ = true;
    }

    std::string section_;
    std::string key_;
    bool inSection_;
    bool done_ = false;
    std::string partial_;  // the line read so far
    bool skipping_ = false; // the line read so far does not matter
    std::optional<Value> result_;
};

// A profile's bytes as they are read: from memory, or a piece at a time from a file.
class Source {
public:
    virtual ~Source() = default;
    // The next piece, empty at the end; valid until the next call.
    virtual std::string_view Next() = 0;
    // Back to the first byte.
    virtual void Rewind() = 0;
    // A read went wrong: what came is not the whole profile.
    virtual bool Failed() const = 0;
};

class BytesSource : public Source {
public:
    BytesSource(std::string_view bytes, std::size_t pieceSize) : bytes_(bytes), pieceSize_(std::max<std::size_t>(pieceSize, 1)) {}

    std::string_view Next() override
    {
        const std::string_view piece = bytes_.substr(std::min(position_, bytes_.size()), pieceSize_);
        position_ += piece.size();
        return piece;
    }
    void Rewind() override { position_ = 0; }
    bool Failed() const override { return false; }

private:
    std::string_view bytes_;
    std::size_t pieceSize_;
    std::size_t position_ = 0;
};

// Through C's streams: C++'s would bring the whole of the locale machinery into programs that link the
// C++ runtime in, three times the size of the rest of the program.
class FileSource : public Source {
public:
    explicit FileSource(const std::filesystem::path& file) : file_(Open(file)), buffer_(kFilePiece) {}
    ~FileSource() override
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::string_view Next() override
    {
        if (Failed())
            return {};
        const std::size_t read = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (read == 0 && std::ferror(file_) != 0) {
            failed_ = true;
            return {};
        }
        return {buffer_.data(), read};
    }
    void Rewind() override
    {
        if (file_ == nullptr || std::fseek(file_, 0, SEEK_SET) != 0)
            failed_ = true;
    }
    bool Failed() const override { return file_ == nullptr || failed_; }

private:
    static std::FILE* Open(const std::filesystem::path& file)
    {
#ifdef _WIN32
        return _wfopen(file.c_str(), L"rb");
#else
        return std::fopen(file.c_str(), "rb");
#endif
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    bool failed_ = false;
};

// Hands the source's pieces, from byte `from` on, to take until it says it has had enough; then
// rewinds the source.
template <class Take>
void EachPiece(Source& source, std::size_t from, Take take)
{
    for (std::string_view piece = source.Next(); !piece.empty(); piece = source.Next()) {
        if (from >= piece.size()) {
            from -= piece.size();
            continue;
        }
        piece.remove_prefix(from);
        from = 0;
        if (!take(piece))
            break;
    }
    source.Rewind();
}

bool IsUtf8(Source& source, std::size_t from)
{
    Utf8Check check;
    EachPiece(source, from, [&](std::string_view piece) { return check.Feed(piece); });
    return check.Finish();
}

// Bytes that are searched as they are: UTF-8, or Windows-1252 with names in its bytes.
struct Unchanged {
    std::string_view Feed(std::string_view piece) { return piece; }
    std::string_view Finish() { return {}; }
};

// Searches the text a decoder makes of the source's bytes from byte `from` on.
template <class Decoder>
std::optional<Value> SearchDecoded(Source& source, std::size_t from, Decoder decoder, Search search)
{
    EachPiece(source, from, [&](std::string_view piece) { return search.Feed(decoder.Feed(piece)); });
    search.Feed(decoder.Finish());
    search.Finish();
    return std::move(search.Result());
}

// The value in the profile's encoding: a byte-order mark's, else UTF-8 when every byte is, else
// Windows-1252.
std::optional<Value> Find(Source& source, std::string_view section, std::string_view key)
{
    std::string head;
    for (std::string_view piece = source.Next(); head.size() < 3 && !piece.empty(); piece = source.Next())
        head.append(piece.substr(0, 3 - head.size()));
    source.Rewind();

    if (head.starts_with("\xEF\xBB\xBF")) {
        if (IsUtf8(source, 3))
            return SearchDecoded(source, 3, Unchanged(), Search(section, key));
        return SearchDecoded(source, 3, Utf8Repair(), Search(section, key));
    }
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF"))
        return SearchDecoded(source, 2, Utf16Decoder(head.front() == '\xFE'), Search(section, key));
    if (IsUtf8(source, 0))
        return SearchDecoded(source, 0, Unchanged(), Search(section, key));

    // Windows-1252 is searched as it is, and only the value found is decoded. A name that
    // Windows-1252 cannot write matches nothing.
    const std::optional<std::string> sectionBytes = ToCp1252(section);
    const std::optional<std::string> keyBytes = ToCp1252(key);
    if (!sectionBytes || !keyBytes)
        return std::nullopt;
    std::optional<Value> value = SearchDecoded(source, 0, Unchanged(), Search(*sectionBytes, *keyBytes));
    if (value)
        value->text = FromCp1252(value->text);
    return value;
}

std::string LookupIn(Source& source, std::string_view section, std::string_view key, std::string_view defaultValue,
                     std::size_t bufferSize)
{
    const std::optional<Value> value = Find(source, TrimmedName(section), TrimmedName(key));
    // A profile that could not be read whole is a profile that is not there.
    if (source.Failed() || !value)
        return DefaultValue(defaultValue, bufferSize);
    return CutValue(*value, bufferSize);
}

} // namespace

std::string Lookup(std::string_view bytes, std::string_view section, std::string_view key,
                   std::string_view defaultValue, std::size_t bufferSize, std::size_t pieceSize)
{
    BytesSource source(bytes, pieceSize);
    return LookupIn(source, section, key, defaultValue, bufferSize);
}

std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize, const std::filesystem::path& file)
{
    try {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error))
            return DefaultValue(defaultValue, bufferSize);
        FileSource source(file);
        return LookupIn(source, section, key, defaultValue, bufferSize);
    } catch (...) {
        // Settings that cannot be read are settings that are not there.
        return DefaultValue(defaultValue, bufferSize);
    }
}

} // namespace autorun::profile
