#include "platform/sdl/ZESDLTimer.h"

#include <SDL/SDL.h>

ZESDLTimer::ZESDLTimer()
    : m_Clock(SDL_GetTicks())
{
}

uint32_t ZESDLTimer::GetTime()
{
    return m_Clock.GetTime(SDL_GetTicks());
}

void ZESDLTimer::SetTimeFactor(float factor)
{
    m_Clock.SetTimeFactor(SDL_GetTicks(), factor);
}

uint32_t ZESDLTimer::GetRealTime()
{
    return SDL_GetTicks();
}
