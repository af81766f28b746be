#include "race/WZCountdown.h"

WZCountdownPhase WZCountdownLook(uint32_t phase)
{
    static const WZCountdownPhase kPhases[5] = {{0, "", {0, 0, 0, 0}, 0},
                                                {1, "3", {100, 0, 0, 250}, -14},
                                                {2, "2", {200, 0, 0, 250}, -14},
                                                {3, "1", {220, 220, 0, 250}, -14},
                                                {4, "START!", {0, 150, 0, 250}, -81}};
    return kPhases[phase <= 4 ? phase : 0];
}

WZCountdownPhase WZGetCountdownPhase(uint32_t elapsed)
{
    if (elapsed <= 1000)
        return WZCountdownLook(1);
    if (elapsed <= 2000)
        return WZCountdownLook(2);
    if (elapsed <= 3000)
        return WZCountdownLook(3);
    if (elapsed <= WZ_COUNTDOWN_LENGTH)
        return WZCountdownLook(4);
    return WZCountdownLook(0);
}
