// The SDL backend's entry-point helpers.
#pragma once

// Takes events from SDL's queue until it is empty (true) or until a quit
// request (false, leaving later events queued). Input is read by polling
// device state, so every other event is discarded.
bool SDLEventLoop();

// The entry point's body: Prepare (which touches no SDL); then, for a
// headless application, ZEHeadlessMain without starting SDL at all;
// otherwise SDL start-up, Initialize, Start, frames until SDL reports a
// quit or the engine has an exit request (the frame that made it is
// finished), and Exit with the requested status (0 after a quit). Returns
// -1 without an application object or when SDL cannot start; otherwise
// the status, when Exit returns at all.
int ZESDLMain(int argc, char** argv);
