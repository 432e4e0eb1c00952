// While Qt connects to the display: should it fail because the X display that DISPLAY names cannot
// be opened, the user is told so plainly and the program ends with status 1, instead of Qt's abort
// with advice to reinstall. It costs nothing when the display opens: the display is looked at only
// after Qt has given up, and Qt's own messages meanwhile are held back and then passed on.
#pragma once

namespace autorun::qt {

class DisplayCheck {
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;
};

} // namespace autorun::qt
