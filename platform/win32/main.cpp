#include "app/Program.h"
#include "platform/win32/Win32Desktop.h"

#include <objbase.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // WIC decodes the splash picture through COM, and the shell wants an apartment to open documents in.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    autorun::win32::Win32Desktop desktop;
    const int status = autorun::RunAutorun(desktop);
    if (SUCCEEDED(com))
        CoUninitialize();
    return status;
}
