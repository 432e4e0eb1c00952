#include "starter/SystemGtk.h"

#include <dlfcn.h>

namespace autorun::starter {

std::optional<std::string> SystemGtkMissing()
{
    // GTK links the bridge itself, but a desktop without it would start the window mute to a screen
    // reader; it is asked for by name so that the reason says so.
    for (const char* library : {"libgtk-3.so.0", "libatk-bridge-2.0.so.0"}) {
        if (dlopen(library, RTLD_LAZY | RTLD_LOCAL) != nullptr)
            continue;
        const char* why = dlerror();
        return why != nullptr ? std::string(why) : std::string(library) + " cannot be loaded";
    }
    return std::nullopt;
}

} // namespace autorun::starter
