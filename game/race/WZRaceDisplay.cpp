#include "race/WZRaceDisplay.h"

#include "WZApp.h"
#include "WZTexts.h"
#include "car/WZCar.h"
#include "core/ZETimer.h"
#include "core/ZETranslator.h"
#include "race/WZCountdown.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"

namespace
{
ZEString Translated(const WZApp& app, const char* key)
{
    ZETranslator* translator = app.m_pEngine ? app.m_pEngine->m_pTranslator : nullptr;
    return translator ? translator->Translate(key) : ZEString(key);
}

// Centred: `perCharacter` pixels for each character of the text.
void DrawCentred(ZERenderer& renderer, const WZApp& app, const ZEString& text, int32_t y, uint16_t size,
                 float perCharacter)
{
    int32_t x = app.m_usWidth / 2 - static_cast<int32_t>(text.GetLength() * perCharacter);
    renderer.DrawText(x, y, size, text);
}

void DrawCountdown(ZERenderer& renderer, const WZApp& app, uint32_t now)
{
    const WZRace& race = app.m_Race;
    if (race.m_ulCountdownStart == 0)
        return;
    WZCountdownPhase phase = WZGetCountdownPhase(now - race.m_ulCountdownStart);
    if (phase.m_ulPhase == 0)
        return;
    renderer.SetAmbient4(phase.m_aucColor);
    renderer.DrawText(app.m_usWidth / 2 + phase.m_lOffsetX, app.m_usHeight / 2 - 16, 32, phase.m_pText);
}

void DrawResult(ZERenderer& renderer, const WZApp& app)
{
    static const char* const kResults[8] = {nullptr, WZ_TXT_YOU_WIN, WZ_TXT_SECOND_PLACE, WZ_TXT_THIRD_PLACE,
                                            WZ_TXT_LAST_PLACE, WZ_TXT_CAR_DESTROYED, nullptr, "K.O."};
    int32_t status = app.m_Race.m_pPlayerCar->m_lStatus;
    if (status < 1 || status > 7 || !kResults[status])
        return;
    ZEString text = status == WZ_STATUS_KNOCKED_OUT ? ZEString(kResults[status]) : Translated(app, kResults[status]);
    renderer.SetAmbient(200, 0, 0, 250);
    DrawCentred(renderer, app, text, app.m_usHeight / 2 - 16, 32, 13.6f);
    if (app.m_ulState != WZ_STATE_RACE)
        return;
    renderer.SetAmbient(0, 0, 200, 250);
    const char* hint = app.m_Race.m_bCareerRace ? WZ_TXT_PRESS_ESCAPE_TO_CONTINUE : WZ_TXT_PRESS_ESCAPE_FOR_MAIN_MENU;
    DrawCentred(renderer, app, Translated(app, hint), 0, 16, 6.8f);
}

void DrawPause(ZERenderer& renderer, const WZApp& app)
{
    renderer.SetAmbient(0, 0, 200, 250);
    DrawCentred(renderer, app, Translated(app, WZ_TXT_PRESS_ESCAPE_TO_CONTINUE_RACE), app.m_usHeight / 2 - 16, 16,
                6.8f);
    DrawCentred(renderer, app, Translated(app, WZ_TXT_PRESS_ENTER_FOR_MAIN_MENU), app.m_usHeight / 2, 16, 6.8f);
}

void DrawStanding(ZERenderer& renderer, const WZApp& app)
{
    const WZRace& race = app.m_Race;
    const WZCar& car = *race.m_pPlayerCar;
    uint32_t lap = car.m_ulLap == 0 ? 1 : car.m_ulLap;
    uint32_t place = 1;
    for (uint32_t p = 0; p < 4; ++p)
        if (race.m_apCars[race.m_aulPosition[p]] == &car)
            place = p + 1;
    renderer.SetAmbient(255, 255, 255, 230);
    renderer.DrawText(8, 8, 16, ZEString::Format("%u/%u", lap < race.m_ulRaceLaps ? lap : race.m_ulRaceLaps,
                                                 race.m_ulRaceLaps));
    renderer.DrawText(8, 28, 16, ZEString::Format("%u/%u", place, race.GetNumCars()));
}
}

void WZRenderRaceDisplay(WZApp& app)
{
    ZERenderer* renderer = app.m_pRenderer;
    if (!renderer || !app.m_Race.m_pPlayerCar || !app.m_pTimer)
        return;
    renderer->EnableBlending();
    renderer->SetBlendingState(4, 5);
    DrawStanding(*renderer, app);
    DrawCountdown(*renderer, app, app.m_pTimer->GetTime());
    DrawResult(*renderer, app);
    if (app.m_Race.m_bPaused && app.m_ulState == WZ_STATE_RACE)
        DrawPause(*renderer, app);
    renderer->DisableBlending();
}
