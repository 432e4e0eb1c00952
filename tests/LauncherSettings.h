// The launcher's settings most front-end tests start from, the same for every front end.
#pragma once

#include <string_view>

namespace autorun::test {

inline constexpr std::string_view kLauncherSettings = "[App Info]\n"
                                                      "1=VELMO Developers Kit v7.03\n"
                                                      "[Descriptions]\n"
                                                      "1=Online Documentation,Read the manuals of the kit\n"
                                                      "2=Browse this CD,See every file on the disc\n";

} // namespace autorun::test
