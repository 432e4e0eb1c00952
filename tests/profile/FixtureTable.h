// The fixture table both profile readers are held to, as rows: expected.tsv says in its opening
// notes how it is written. Standard C++ only, for the tests and for the fuzzer's seeds alike.
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::profile::test {

struct Row {
    int line = 0;
    std::string file;
    std::string section;
    std::string key;
    std::string defaultValue;
    std::size_t size = 0;
    std::string expected;
};

inline std::runtime_error TableError(int line, const std::string& what)
{
    return std::runtime_error("expected.tsv line " + std::to_string(line) + ": " + what);
}

inline std::string Unescaped(std::string_view field, int line)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size())
            throw TableError(line, "lone backslash at the end of a field");
        switch (field[i]) {
        case '\\': text += '\\'; break;
        case 't': text += '\t'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 'x': {
            const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); };
            if (field.size() - i < 3 || !hex(field[i + 1]) || !hex(field[i + 2]))
                throw TableError(line, "\\x needs two hex digits");
            // The character U+00HH, in UTF-8 as the rest of the table.
            const int code = std::stoi(std::string(field.substr(i + 1, 2)), nullptr, 16);
            if (code < 0x80) {
                text += static_cast<char>(code);
            } else {
                text += static_cast<char>(0xC0 | (code >> 6));
                text += static_cast<char>(0x80 | (code & 0x3F));
            }
            i += 2;
            break;
        }
        default:
            throw TableError(line, std::string("unknown escape \\") + field[i]);
        }
    }
    return text;
}

inline std::vector<Row> ReadTable(const std::filesystem::path& fixtures)
{
    const std::filesystem::path path = fixtures / "expected.tsv";
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        throw std::runtime_error("cannot open " + path.string());
    std::vector<Row> rows;
    bool headerSeen = false;
    int number = 0;
    for (std::string text; std::getline(stream, text);) {
        ++number;
        if (!text.empty() && text.back() == '\r')
            throw TableError(number, "the table must use LF line ends");
        if (text.empty() || text.front() == '#')
            continue;
        std::vector<std::string> fields;
        std::istringstream split(text);
        for (std::string field; std::getline(split, field, '\t');)
            fields.push_back(field);
        if (text.back() == '\t')
            fields.emplace_back();
        if (fields.size() != 6)
            throw TableError(number, std::to_string(fields.size()) + " fields instead of 6");
        if (!headerSeen) {
            headerSeen = true;
            if (fields[0] != "file" || fields[5] != "expected")
                throw TableError(number, "the column names are missing");
            continue;
        }
        rows.push_back({number, Unescaped(fields[0], number), Unescaped(fields[1], number),
                        Unescaped(fields[2], number), Unescaped(fields[3], number),
                        static_cast<std::size_t>(std::stoul(fields[4])), Unescaped(fields[5], number)});
    }
    return rows;
}

} // namespace autorun::profile::test
