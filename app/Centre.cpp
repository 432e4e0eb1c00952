#include "app/Centre.h"

#include "platform/Desktop.h"
#include "ui/Window.h"

#include <cmath>

namespace autorun {

void CentreWindow(Desktop& desktop, ui::Window& window)
{
    const ui::Size screen = desktop.ScreenSize();
    const ui::Size outer = desktop.OuterSize(window);
    const auto half = [](ui::Twips free) { return static_cast<ui::Twips>(std::floor(free / 2.0)); };
    window.SetPosition({half(screen.width - outer.width), half(screen.height - outer.height)});
}

} // namespace autorun
