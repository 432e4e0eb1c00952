// What Windows reads from the program's file before running it: the version record Explorer shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Executable {
    const char* name;
    const wchar_t* path;
};

class VersionRecord : public ::testing::TestWithParam<Executable> {
protected:
    void SetUp() override
    {
        const wchar_t* path = GetParam().path;
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        ASSERT_GT(size, 0u) << "no version record in " << GetParam().name << " (error " << GetLastError() << ")";
        record_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, record_.data()));
    }

    std::wstring Text(const std::wstring& block, const wchar_t* name)
    {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring query = L"\\StringFileInfo\\" + block + L"\\" + name;
        if (!VerQueryValueW(record_.data(), query.c_str(), &value, &length) || length == 0)
            return L"(missing)";
        return std::wstring(static_cast<const wchar_t*>(value), length - 1);
    }

    std::vector<BYTE> record_;
};

TEST_P(VersionRecord, IsInEnglishWithTheUnicodeCodePage)
{
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record_.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

TEST_P(VersionRecord, NamesTheProgramAndItsVersion)
{
    const std::wstring block = L"040904B0";
    const std::pair<const wchar_t*, const wchar_t*> fields[] = {
        {L"FileDescription", L"Autorun"}, {L"InternalName", L"Autorun"},      {L"OriginalFilename", L"Autorun.exe"},
        {L"FileVersion", L"8.00.0001"},   {L"ProductVersion", L"8.00.0001"},
    };
    for (const auto& [name, expected] : fields)
        EXPECT_EQ(Text(block, name), expected) << std::string(name, name + wcslen(name));
    for (const wchar_t* name : {L"ProductName", L"CompanyName", L"LegalCopyright", L"Comments"})
        EXPECT_NE(Text(block, name), L"(missing)") << std::string(name, name + wcslen(name));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record_.data(), L"\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 8));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 8));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// The manifest built into the file, as the loader reads it.
std::string ManifestOf(const wchar_t* path)
{
    const HMODULE file = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (file == nullptr)
        return {};
    std::string text;
    const HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    if (const HGLOBAL loaded = found != nullptr ? LoadResource(file, found) : nullptr)
        text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(file, found));
    FreeLibrary(file);
    return text;
}

// The text of the first element named name, with the namespace it declares.
struct Element {
    std::string xmlns;
    std::string text;
};
Element Find(const std::string& xml, const std::string& name)
{
    const std::size_t open = xml.find("<" + name);
    const std::size_t end = xml.find('>', open);
    const std::size_t close = xml.find("</" + name + ">", end);
    if (open == std::string::npos || end == std::string::npos || close == std::string::npos)
        return {"(missing)", "(missing)"};
    const std::string tag = xml.substr(open, end - open);
    const std::size_t at = tag.find("xmlns=\"");
    const std::string xmlns = at == std::string::npos ? "" : tag.substr(at + 7, tag.find('"', at + 7) - at - 7);
    return {xmlns, xml.substr(end + 1, close - end - 1)};
}

class Manifest : public ::testing::TestWithParam<Executable> {};

TEST_P(Manifest, DeclaresEachMonitorsOwnDensity)
{
    const std::string manifest = ManifestOf(GetParam().path);
    ASSERT_FALSE(manifest.empty()) << "no manifest in " << GetParam().name;
    // Per monitor, version 2 first, for Windows 10 1607 and later.
    const Element awareness = Find(manifest, "dpiAwareness");
    EXPECT_EQ(awareness.xmlns, "http://schemas.microsoft.com/SMI/2016/WindowsSettings");
    EXPECT_EQ(awareness.text.substr(0, awareness.text.find(',')), "PerMonitorV2");
    // Per monitor on 8.1, the system's density before, which read the older element only.
    const Element aware = Find(manifest, "dpiAware");
    EXPECT_EQ(aware.xmlns, "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
    EXPECT_EQ(aware.text, "true/pm");
    EXPECT_NE(manifest.find("<windowsSettings"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Programs, VersionRecord,
                         ::testing::Values(Executable{"release32", AUTORUN_RELEASE_EXE},
                                           Executable{sizeof(void*) == 8 ? "test64" : "test32", AUTORUN_TEST_EXE}),
                         [](const auto& program) { return std::string(program.param.name); });
INSTANTIATE_TEST_SUITE_P(Programs, Manifest,
                         ::testing::Values(Executable{"release32", AUTORUN_RELEASE_EXE},
                                           Executable{sizeof(void*) == 8 ? "test64" : "test32", AUTORUN_TEST_EXE}),
                         [](const auto& program) { return std::string(program.param.name); });

} // namespace
