#include "world/ZETerrain.h"

#include "render/ZESkyBox.h"

ZE_IMPLEMENT_RTTI(ZETerrain, ZEEngineObject);

ZETerrain::~ZETerrain()
{
    delete m_pSkyBox;
}
