// ZENullPlatform: the engine without a window, a sound card or a network,
// and the frame loop that runs it.
//
// A headless run is the whole game - every device, manager, the world and
// the application's callbacks - with devices that touch no hardware: the
// manual timer as the only clock, the base renderer (every drawing call
// does nothing), the null sound device, CD player and network manager, and
// the base input devices (no key is ever pressed). Nothing here includes a
// platform header, and nothing reads the machine's clock or sleeps: game
// time is frames x frame length, so a headless race gives the same result
// on every machine and at any speed.
//
// The application chooses it by setting m_bHeadless in Prepare; then
// ZEApplication::CreateDevices builds these devices, Initialize switches
// the engine's drawing off (ZEEngine::m_bDrawing), and the entry point
// runs ZEHeadlessMain instead of the SDL loop, without starting SDL.
//
// Ownership: the devices go into the application's fields and belong to
// it, exactly like the platform's devices.
#pragma once

class ZEApplication;

// Creates the headless devices in the platform's fixed order into the
// application's fields: a ZEManualTimer (started at 1000 ms), a plain
// ZERenderer, a ZENullSoundDevice, a ZENullCDPlayer, a ZENullNetworkManager
// and a plain ZEInputDevices. Fields already set are overwritten, not
// freed: call it once, from CreateDevices.
void ZENullPlatformCreateDevices(ZEApplication& app);

// The headless frame loop: Initialize(), Start(), then frames until the
// engine has an exit request - each frame first advances the manual
// timer's wall clock by app.m_ulHeadlessFrame milliseconds (0 counts as 1,
// so game time always moves) and then runs one ZEEngine::Idle() - and last
// Exit() with the requested status. A request made in Start() runs no
// frame; one made during a frame ends the loop after that frame.
// Refuses (message on stderr, Exit(1)) when the application's timer is not
// a ZEManualTimer, since such a loop could never advance time. Returns the
// status only when EndProcess did not end the process.
int ZEHeadlessMain(ZEApplication& app);
