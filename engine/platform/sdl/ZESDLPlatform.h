// The SDL backend's entry-point helpers.
#pragma once

// Takes events from SDL's queue until it is empty (true) or until a quit
// request (false, leaving later events queued). Input is read by polling
// device state, so every other event is discarded.
bool SDLEventLoop();

// The entry point's body: SDL start-up, Prepare, Initialize, Start, frames
// until quit, Exit. Returns -1 when SDL cannot start.
int ZESDLMain(int argc, char** argv);
