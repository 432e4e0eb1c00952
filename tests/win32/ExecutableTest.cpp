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

INSTANTIATE_TEST_SUITE_P(Programs, VersionRecord,
                         ::testing::Values(Executable{"release32", AUTORUN_RELEASE_EXE},
                                           Executable{sizeof(void*) == 8 ? "test64" : "test32", AUTORUN_TEST_EXE}),
                         [](const auto& program) { return std::string(program.param.name); });

} // namespace
