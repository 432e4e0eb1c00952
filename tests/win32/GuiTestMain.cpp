// The GUI tests run on a thread set up as the program's own: an apartment for the picture decoder and the shell.
#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <string>

namespace {

// Without a window manager Wine waits two seconds for every window it takes off the screen to be
// acknowledged; the windows it places itself need no answer. The display driver reads this when it
// loads, so it is set before the first window.
void PlaceOwnWindowsUnderWine()
{
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
        return;
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    program.erase(0, program.find_last_of(L'\\') + 1);
    HKEY key = nullptr;
    const std::wstring name = L"Software\\Wine\\AppDefaults\\" + program + L"\\X11 Driver";
    if (RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 2 * sizeof(wchar_t));
    RegCloseKey(key);
}

} // namespace

int main(int argc, char** argv)
{
    PlaceOwnWindowsUnderWine();
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    if (SUCCEEDED(com))
        CoUninitialize();
    return status;
}
