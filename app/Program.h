// The program: the launcher is the start-up window, and closing it ends the program.
#pragma once

namespace autorun {

class Desktop;

// Loads and shows the launcher and runs until it is closed; returns the exit status.
int RunAutorun(Desktop& desktop);

} // namespace autorun
