// The game's one application object; the engine's entry point finds it as
// ZEApplication::ms_pApp.
#include "WZApp.h"

WZApp Wrenzo;
