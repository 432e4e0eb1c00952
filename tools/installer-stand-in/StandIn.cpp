// Stands in for the Adobe Acrobat Reader installer on the Windows sample disc, which may not carry
// Adobe's software. It installs nothing: it says so, and leaves a trace for tests that start it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (const char* log = std::getenv("AUTORUN_STANDIN_LOG"); log != nullptr && *log != '\0') {
        if (std::FILE* file = std::fopen(log, "a")) {
            std::fputs("installer-started\n", file);
            std::fclose(file);
        }
        // Tests want the trace, not a box waiting for a click.
        return 0;
    }
    MessageBoxW(nullptr, L"Stand-in for the Adobe Acrobat Reader 7.0 installer: nothing is installed.",
                L"AdbeRdr70_enu_full.exe", MB_OK | MB_ICONINFORMATION);
    return 0;
}
