// The null devices moved into the engine (the headless run uses them too).
#pragma once

#include "platform/null/ZENullDevices.h"
