// The program's short name and version.
#pragma once

// The application title: the About box's title label and the title of the
// program's own (non-driver) message boxes.
#define APP_TITLE "Pellwick"

#define APP_VERSION_MAJOR 0
#define APP_VERSION_MINOR 1
#define APP_VERSION_REVISION 0
#define APP_VERSION_TEXT "0.1.0"
