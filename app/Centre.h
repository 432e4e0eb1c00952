// Centring a window on the screen, as both windows do first thing on every load.
#pragma once

namespace autorun {

class Desktop;

namespace ui {
class Window;
}

// Floors the halved difference, so a window larger than the screen gets a negative position.
void CentreWindow(Desktop& desktop, ui::Window& window);

} // namespace autorun
