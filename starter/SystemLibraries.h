// Whether the desktop's own libraries are new enough for a program: each library a program takes from
// the desktop defines the symbol versions it offers (GLIBC_2.35, GLIBCXX_3.4.30, ...), and the loader
// refuses the program when one it asks for is missing. Asked first, the starter can say what is missing
// instead of unpacking a program that cannot run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace autorun::starter {

// For "soname version" lines, what this system falls short of, one text each: the library missing, or
// the version asked for and the newest of its kind the system's library has. Empty when nothing is.
std::vector<std::string> Shortfalls(std::string_view needs);

} // namespace autorun::starter
