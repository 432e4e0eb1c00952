// A fresh folder under the system's temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace autorun::test {

class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::canonical(std::filesystem::temp_directory_path());
        do {
            path_ = base / ("autorun-posix-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
    }

    ~TempFolder()
    {
        std::error_code ignored;
        // A test may have locked a folder; give everything back before removing it.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            if (!it->is_symlink(ignored))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(path_, ignored);
    }

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // The folder as the program's logic writes it: "\" for "/".
    std::string Text() const
    {
        std::string text = path_.string();
        for (char& c : text) {
            if (c == '/')
                c = '\\';
        }
        return text;
    }

    std::filesystem::path Write(const std::filesystem::path& relative, const std::string& bytes) const
    {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

private:
    std::filesystem::path path_;
};

} // namespace autorun::test
