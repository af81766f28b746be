// The seam between the portable engine and one platform backend.
//
// Each backend (engine/platform/sdl with engine/platform/linux, or
// engine/platform/win32) implements these few functions; nothing else in
// the engine names a platform.
#pragma once

class ZEApplication;

// Creates the application's devices in their fixed order and stores them in
// its fields: timer, renderer (opens the window with the application's
// size), sound device, CD player, network manager, input devices.
void ZEPlatformCreateDevices(ZEApplication& app);

// Releases the window system; safe to call when it was never started.
void ZEPlatformQuit();
