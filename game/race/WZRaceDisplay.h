// WZRaceDisplay: what a race draws over the world - the countdown, the
// pause notice, the player's result, and a line with the lap and the place
// (the full race display with speedometer, icons and mirror replaces that
// line).
#pragma once

class WZApp;

void WZRenderRaceDisplay(WZApp& app);
