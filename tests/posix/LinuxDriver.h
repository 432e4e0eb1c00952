// What every Linux desktop's driver of the shared cases does alike: the disc, the xdg-open stand-in,
// and what the program asked it to open. The toolkit's part is left to the driver derived from it.
#pragma once

#include "XdgOpenStandIn.h"
#include "tests/conformance/Conformance.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace autorun::test {

class LinuxDriver : public conformance::Driver {
public:
    const TestDisc& Disc() const override { return disc_; }
    std::string PathText(const std::filesystem::path& relative) const override
    {
        return Normalised(disc_.Root() / relative);
    }
    std::vector<std::string> Opened() override { return xdgOpen_.OpenedPaths(); }
    std::size_t FoldersShown() override
    {
        return static_cast<std::size_t>(std::ranges::count(xdgOpen_.OpenedPaths(), Normalised(disc_.Root())));
    }
    bool OpenerGetsMissingFiles() const override { return true; }
    std::pair<int, std::string> NotFound(bool) override { return {ENOENT, std::generic_category().message(ENOENT)}; }

protected:
    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
};

} // namespace autorun::test
