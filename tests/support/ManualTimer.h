// The manual timer moved into the engine (the headless run uses it too).
#pragma once

#include "platform/null/ZEManualTimer.h"
