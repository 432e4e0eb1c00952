#include "app/Failure.h"

namespace autorun {

std::string FailureReportText(const Failure& failure)
{
    return std::to_string(failure.Number()) + "--" + failure.Description();
}

std::string UncaughtReportText(const Failure& failure)
{
    return "Run-time error '" + std::to_string(failure.Number()) + "':\n\n" + failure.Description();
}

} // namespace autorun
