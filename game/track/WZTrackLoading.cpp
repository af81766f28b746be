#include "track/WZTrackLoading.h"

#include "WZTexts.h"
#include "core/ZETranslator.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

void WZDrawLoadingScreen(ZERenderer* renderer, ZETextureReference* background, uint16_t width, uint16_t height)
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!renderer || !engine || !engine->m_bDrawing)
        return;
    ZEString text = engine->m_pTranslator ? engine->m_pTranslator->Translate(WZ_TXT_LOADING) : ZEString(WZ_TXT_LOADING);
    renderer->ClearBuffers();
    renderer->SetAmbient(255, 255, 255, 255);
    renderer->SetTexture(background);
    renderer->DrawRectanglef(0.0f, 0.0f, 1.0f, 1.0f);
    renderer->SetAmbient(0, 0, 200, 255);
    int32_t x = width / 2 - static_cast<int32_t>(text.GetLength() * 6.8f);
    renderer->DrawText(x, height / 2 - 8, 16, text);
    renderer->DisplayBackBuffer();
}

void WZPruneForDetail(ZEEngine* engine, uint32_t detail)
{
    if (!engine || detail < 3)
        return;
    ZEEngineObject* object = engine->m_pObjects;
    while (object)
    {
        ZEEngineObject* next = object->m_pNext;
        if (object->GetRTTI() == &ZEModelObject::ms_RTTI)
            delete object;
        object = next;
    }
    engine->FreeAllParticleSystems();
}
