// Times the settings reader on large profiles of several shapes and sizes, so that its cost per
// byte can be seen to stay flat as files grow: the reader must stay linear, whatever the file holds.
// Usage: bench_reader [MiB ...]   (default 16 64 256). Prints figures; judges nothing.
#include "platform/portable/ProfileReader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using autorun::profile::Lookup;
using autorun::profile::ReadProfileString;

const std::string kTail = "\r\n[App Info]\r\n1=VELMO Developers Kit v7.03\r\n";

struct Shape {
    const char* name;
    std::function<std::string(std::size_t)> make; // a profile of about that many bytes, the value at its end
};

std::string Repeated(std::string_view unit, std::size_t bytes)
{
    std::string text;
    text.reserve(bytes + unit.size() + kTail.size());
    while (text.size() < bytes)
        text += unit;
    return text;
}

const Shape kShapes[] = {
    {"short lines, CR LF", [](std::size_t n) { return "[Bulk]\r\n" + Repeated("Key=some value for this key\r\n", n) + kTail; }},
    {"one line", [](std::size_t n) { return "[Bulk]\r\nKey=" + Repeated("x", n) + kTail; }},
    {"a header without ]", [](std::size_t n) { return "[" + Repeated("x", n) + kTail; }},
    {"= and NUL in every line", [](std::size_t n) { return "[Bulk]\r\n" + Repeated(std::string("a\0b=c=d\0e\n", 10), n) + kTail; }},
    {"lone CRs", [](std::size_t n) { return "[Bulk]" + Repeated("\rk=v", n) + kTail; }},
    {"Windows-1252", [](std::size_t n) { return "[Bulk]\r\nCaf\xE9=x\r\n" + Repeated("Key=some value for this key\r\n", n) + kTail; }},
    {"UTF-8 BOM, one stray byte", [](std::size_t n) {
         return "\xEF\xBB\xBF[Bulk]\r\nCaf\xE9=x\r\n" + Repeated("Key=some value for this key\r\n", n) + kTail;
     }},
    {"UTF-16", [](std::size_t n) {
         const std::string text = "[Bulk]\r\n" + Repeated("Key=some value for this key\r\n", n / 2) + kTail;
         std::string utf16 = "\xFF\xFE";
         utf16.reserve(2 * text.size() + 2);
         for (char c : text)
             (utf16 += c) += '\0';
         return utf16;
     }},
};

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::strtoul(argv[i], nullptr, 10));
    if (sizes.empty())
        sizes = {16, 64, 256};

    std::printf("One lookup of [App Info] 1, found at the end, in memory: time and nanoseconds per byte\n\n");
    std::printf("%-26s", "shape");
    for (std::size_t mib : sizes)
        std::printf(" | %6zu MiB: ms   ns/B", mib);
    std::printf("\n");
    for (const Shape& shape : kShapes) {
        std::printf("%-26s", shape.name);
        for (std::size_t mib : sizes) {
            const std::string bytes = shape.make(mib << 20);
            std::string value;
            const double s = Seconds([&] { value = Lookup(bytes, "App Info", "1", "", 127); });
            std::printf(" | %13.1f %6.2f", s * 1e3, s * 1e9 / static_cast<double>(bytes.size()));
            if (value != "VELMO Developers Kit v7.03")
                std::printf(" (wrong value \"%s\")", value.c_str());
        }
        std::printf("\n");
        std::fflush(stdout);
    }

    // The program reads the file afresh for each value: the cost of one whole read from the page cache.
    const std::size_t largest = sizes.back();
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "autorun-bench-reader.inf";
    std::ofstream(file, std::ios::binary) << kShapes[0].make(largest << 20);
    ReadProfileString("App Info", "1", "", 127, file); // into the page cache
    const double s = Seconds([&] { ReadProfileString("App Info", "1", "", 127, file); });
    std::printf("\nFrom a %zu MiB file: %.1f ms a value; the launcher reads 3 values, the documentation window 6.\n",
                largest, s * 1e3);
    std::filesystem::remove(file);
    return 0;
}
