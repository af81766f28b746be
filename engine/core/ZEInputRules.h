// The rules every input device follows, as pure functions.
//
// Key rule. A device remembers one time per key: 0 while the key is up,
// otherwise the real time (milliseconds, wrapping) at which its press was
// last reported. Each poll feeds the remembered time, whether the key is
// held now, the real time now and the repeat interval to ZEStepKey, stores
// the time it returns and raises the event it names:
//   - a held key that was up goes down (KeyDown);
//   - a held key whose last report is more than `repeat` ms old goes down
//     again (KeyDown), unless `repeat` is 0 (no repeat);
//   - a released key that was down goes up (KeyUp);
//   - anything else changes nothing.
// A press reported at real time 0 is stamped one millisecond earlier
// (0xFFFFFFFF), because 0 would read as "up" and the key would go down
// again at the next poll.
//
// Joystick rule. Raw axes (-32768..32767) are scaled to about -1000..1000
// by truncate(raw / 32.768); events then treat -10..10 as centred (the dead
// zone), direct reads of the axes do not.
#pragma once

#include <cstdint>

enum ZEKeyEvent : uint8_t
{
    ZE_KEYEVENT_NONE = 0,
    ZE_KEYEVENT_DOWN = 1,
    ZE_KEYEVENT_UP = 2
};

struct ZEKeyStep
{
    uint32_t m_ulKeyTime;   // the key's new remembered time
    ZEKeyEvent m_eEvent;    // what to raise for this poll
};

// The key rule for one key and one poll (see above).
ZEKeyStep ZEStepKey(uint32_t keyTime, bool down, uint32_t now, uint32_t repeat);

// truncate(raw / 32.768), computed exactly: 32767 gives 999, -32768 -1000.
int32_t ZEScaleJoystickAxis(int32_t raw);

// A scaled axis with the dead zone applied: -10..10 become 0.
int32_t ZEJoystickDeadZone(int32_t scaled);
