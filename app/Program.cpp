#include "app/Program.h"

#include "launcher/frmAutoRun.h"
#include "platform/Desktop.h"

namespace autorun {

int RunAutorun(Desktop& desktop)
{
    frmAutoRun launcher(desktop);
    launcher.Load();
    return desktop.Run(launcher);
}

} // namespace autorun
