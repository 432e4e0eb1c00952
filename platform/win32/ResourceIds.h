// Identifiers of the resources in Autorun.rc, shared by the resource script and the code.
#pragma once

#define AUTORUN_ICON_PROGRAM 1
#define AUTORUN_CURSOR_HAND 2
#define AUTORUN_BITMAP_DOCUMENT 3
#define AUTORUN_JPEG_SPLASH 4
