// The program's short name and version.
#pragma once

// The application title: the About box's title label and the title of the
// program's own (non-driver) message boxes.
#define APP_TITLE "Pellwick"

// APP_VERSION_MAJOR, _MINOR, _REVISION and _TEXT, from the build.
#include "version.h"
