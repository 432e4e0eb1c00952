# Writes OUTPUT, a C++ source holding the bytes of each picture file as an array.
# Run as: cmake -DOUTPUT=... -DSOURCE_DIR=... -DENTRIES=Name=file|Name=file... -P Embed.cmake
string(REPLACE "|" ";" entries "${ENTRIES}")

set(body "")
set(cases "")
foreach(entry IN LISTS entries)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 file)
    file(READ "${SOURCE_DIR}/${file}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND body "const unsigned char k${name}[] = {${bytes}};\n")
    string(APPEND cases "    case ui::Resource::${name}:\n        return k${name};\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// Generated from the files in resources/; do not edit.
#include \"resources/Resources.h\"

namespace autorun::resources {
namespace {
${body}} // namespace

std::span<const unsigned char> Bytes(ui::Resource resource)
{
    switch (resource) {
    case ui::Resource::None:
        return {};
${cases}    }
    return {};
}

} // namespace autorun::resources
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
