#include "app/AppPath.h"

namespace autorun {

std::string ResolveAppPath(std::string_view programFolder)
{
    std::string appPath(programFolder);
    if (!appPath.ends_with('\\'))
        appPath += '\\';
    return appPath;
}

std::string InfFilePath(std::string_view appPath)
{
    return std::string(appPath) + std::string(kInfFileName);
}

} // namespace autorun
