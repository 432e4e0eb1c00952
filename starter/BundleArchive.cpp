#include "starter/BundleArchive.h"

#include "starter/Manifest.h"
#include "starter/Sha256.h"

#include <zstd.h>

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace autorun::starter {
namespace {

constexpr std::size_t kBlock = 512;
// tar pads its end with zeros to a whole record; more than this after the end is not padding.
constexpr std::size_t kMostPadding = 64 * 1024;

std::string SystemReason(int error)
{
    return std::strerror(error);
}

UnpackError Damaged(const std::filesystem::path& archive, const std::string& why)
{
    return {UnpackError::Source::Archive, "the archive \"" + archive.string() + "\" is damaged: " + why};
}

// The octal number of a header field, or nothing when the field holds anything else.
std::optional<std::uint64_t> Octal(const char* field, std::size_t size)
{
    std::uint64_t value = 0;
    std::size_t i = 0;
    while (i < size && field[i] == ' ')
        ++i;
    bool digits = false;
    for (; i < size && field[i] >= '0' && field[i] <= '7'; ++i) {
        value = value * 8 + static_cast<std::uint64_t>(field[i] - '0');
        digits = true;
    }
    for (; i < size; ++i) {
        if (field[i] != ' ' && field[i] != '\0')
            return std::nullopt;
    }
    return digits ? std::optional(value) : std::nullopt;
}

std::string Field(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

// A name inside the folder: relative, without "." or ".." parts; "" for the folder itself.
std::optional<std::string> SafeName(const std::string& name)
{
    std::string safe;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            if (end == 0 && !name.empty() && name[0] == '/')
                return std::nullopt; // absolute
            continue;
        }
        if (part == "..")
            return std::nullopt;
        safe += (safe.empty() ? "" : "/") + part;
    }
    return safe;
}

// Takes the archive's contents as they come out of the decompressor, a piece at a time.
class TarWriter {
public:
    TarWriter(const std::filesystem::path& archive, const Manifest& manifest, int folderFd)
        : archive_(archive), manifest_(manifest), folderFd_(folderFd), seen_(manifest.Entries().size())
    {
    }
    ~TarWriter()
    {
        if (file_ >= 0)
            close(file_);
    }
    TarWriter(const TarWriter&) = delete;
    TarWriter& operator=(const TarWriter&) = delete;

    std::optional<UnpackError> Feed(const char* data, std::size_t size)
    {
        while (size > 0) {
            if (ended_) {
                // Only zeros may follow the end, and only so many.
                trailing_ += size;
                if (trailing_ > kMostPadding || std::any_of(data, data + size, [](char c) { return c != 0; }))
                    return Damaged(archive_, "data after its end");
                return std::nullopt;
            }
            if (remaining_ > 0 || padding_ > 0) {
                if (remaining_ > 0) {
                    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, size));
                    if (auto error = Write(data, take))
                        return error;
                    remaining_ -= take;
                    data += take;
                    size -= take;
                    if (remaining_ == 0) {
                        if (auto error = CloseFile())
                            return error;
                    }
                    continue;
                }
                const std::size_t skip = std::min(padding_, size);
                padding_ -= skip;
                data += skip;
                size -= skip;
                continue;
            }
            const std::size_t take = std::min(kBlock - headerSize_, size);
            std::memcpy(header_ + headerSize_, data, take);
            headerSize_ += take;
            data += take;
            size -= take;
            if (headerSize_ == kBlock) {
                headerSize_ = 0;
                if (auto error = Header())
                    return error;
            }
        }
        return std::nullopt;
    }

    // Nothing when the archive came to its end mark with every file of the manifest whole; else what
    // it lacks.
    std::optional<UnpackError> Incomplete() const
    {
        if (!ended_ || remaining_ > 0)
            return Damaged(archive_, "it ends early");
        for (std::size_t i = 0; i < seen_.size(); ++i) {
            if (!seen_[i])
                return Damaged(archive_, "it lacks \"" + manifest_.Entries()[i].path + "\"");
        }
        return std::nullopt;
    }

private:
    std::optional<UnpackError> Header()
    {
        if (std::all_of(header_, header_ + kBlock, [](char c) { return c == 0; })) {
            ended_ = true;
            return std::nullopt;
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i < kBlock; ++i)
            sum += (i >= 148 && i < 156) ? ' ' : static_cast<unsigned char>(header_[i]);
        const std::optional<std::uint64_t> recorded = Octal(header_ + 148, 8);
        if (!recorded || *recorded != sum)
            return Damaged(archive_, "a header's checksum does not match");
        if (std::memcmp(header_ + 257, "ustar", 5) != 0)
            return Damaged(archive_, "a header is not a ustar header");
        std::string name = Field(header_, 100);
        const std::string prefix = Field(header_ + 345, 155);
        if (!prefix.empty())
            name = prefix + "/" + name;
        const std::optional<std::string> safe = SafeName(name);
        const std::optional<std::uint64_t> size = Octal(header_ + 124, 12);
        const std::optional<std::uint64_t> mode = Octal(header_ + 100, 8);
        if (!safe || !size || !mode)
            return Damaged(archive_, "the entry \"" + name + "\" cannot be taken");
        // Readable by the user, executable where the archive says so; never writable by others.
        const mode_t permissions = (*mode & 0100) ? 0755 : 0644;
        switch (header_[156]) {
        case '5':
            if (safe->empty())
                return std::nullopt;
            if (!manifest_.HasFolder(*safe))
                return Damaged(archive_, "the folder \"" + name + "\" is not in its manifest");
            if (mkdirat(folderFd_, safe->c_str(), 0755) != 0 && errno != EEXIST)
                return FolderFailure(*safe);
            return std::nullopt;
        case '0':
        case '\0': {
            if (safe->empty())
                return Damaged(archive_, "a file has no name");
            // Only what the manifest lists, at its size and once: an archive that would write more
            // than it declares stops at the first entry too many.
            const ManifestEntry* listed = manifest_.Find(*safe);
            if (listed == nullptr)
                return Damaged(archive_, "the entry \"" + name + "\" is not in its manifest");
            if (listed->size != *size)
                return Damaged(archive_, "the entry \"" + name + "\" is not the size its manifest gives");
            const auto index = static_cast<std::size_t>(listed - manifest_.Entries().data());
            if (seen_[index])
                return Damaged(archive_, "it holds \"" + name + "\" twice");
            seen_[index] = true;
            file_ = openat(folderFd_, safe->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, permissions);
            if (file_ < 0 && errno == ENOENT)
                return Damaged(archive_, "the entry \"" + name + "\" comes before its folder");
            if (file_ < 0)
                return FolderFailure(*safe);
            fileName_ = *safe;
            remaining_ = *size;
            padding_ = static_cast<std::size_t>((kBlock - *size % kBlock) % kBlock);
            if (remaining_ == 0)
                return CloseFile();
            return std::nullopt;
        }
        default:
            return Damaged(archive_, "the entry \"" + name + "\" is neither a file nor a folder");
        }
    }

    std::optional<UnpackError> Write(const char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t written = write(file_, data, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return FolderFailure(fileName_);
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return std::nullopt;
    }

    std::optional<UnpackError> CloseFile()
    {
        const int fd = file_;
        file_ = -1;
        if (close(fd) != 0)
            return FolderFailure(fileName_);
        return std::nullopt;
    }

    UnpackError FolderFailure(const std::string& name) const
    {
        return {UnpackError::Source::Folder, "cannot write \"" + name + "\": " + SystemReason(errno)};
    }

    const std::filesystem::path& archive_;
    const Manifest& manifest_;
    int folderFd_;
    std::vector<bool> seen_;
    std::size_t trailing_ = 0;
    char header_[kBlock]{};
    std::size_t headerSize_ = 0;
    int file_ = -1;
    std::string fileName_;
    std::uint64_t remaining_ = 0;
    std::size_t padding_ = 0;
    bool ended_ = false;
};

struct DStreamFree {
    void operator()(ZSTD_DStream* stream) const { ZSTD_freeDStream(stream); }
};

} // namespace

volatile std::sig_atomic_t gStopUnpacking = 0;

std::optional<UnpackError> Unpack(const std::filesystem::path& archive, std::string_view sha256, const Manifest& manifest,
                                  int folderFd)
{
    const int fd = open(archive.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return UnpackError{UnpackError::Source::Archive,
                           "cannot read the archive \"" + archive.string() + "\": " + SystemReason(errno)};
    // One pass from start to end: the drive streams and never seeks.
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::unique_ptr<ZSTD_DStream, DStreamFree> stream(ZSTD_createDStream());
    ZSTD_initDStream(stream.get());
    std::vector<char> in(1 << 20);
    std::vector<char> out(ZSTD_DStreamOutSize());
    TarWriter writer(archive, manifest, folderFd);
    Sha256 hash;
    std::size_t lastResult = 1;
    std::optional<UnpackError> error;
    for (;;) {
        const ssize_t got = gStopUnpacking ? -1 : read(fd, in.data(), in.size());
        if (gStopUnpacking) {
            error = UnpackError{UnpackError::Source::Stopped, "stopped"};
            break;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = UnpackError{UnpackError::Source::Archive,
                                "cannot read the archive \"" + archive.string() + "\": " + SystemReason(errno)};
            break;
        }
        if (got == 0)
            break;
        hash.Add(in.data(), static_cast<std::size_t>(got));
        ZSTD_inBuffer input{in.data(), static_cast<std::size_t>(got), 0};
        // A full output buffer may leave more output behind, even once all input is taken.
        for (bool full = true; !error && (input.pos < input.size || full);) {
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            lastResult = ZSTD_decompressStream(stream.get(), &output, &input);
            if (ZSTD_isError(lastResult))
                error = Damaged(archive, ZSTD_getErrorName(lastResult));
            else
                error = writer.Feed(out.data(), output.pos);
            full = output.pos == output.size;
        }
        if (error)
            break;
    }
    close(fd);
    if (error)
        return error;
    if (lastResult != 0)
        return Damaged(archive, "it ends early");
    if (hash.Hex() != sha256)
        return Damaged(archive, "its contents are not those this launcher was built with");
    return writer.Incomplete();
}

} // namespace autorun::starter
