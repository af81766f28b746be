// ZETerrain: the world's map, an engine object the engine holds apart from
// its object list.
//
// The engine draws the terrain every frame (before the objects unless it
// has transparent parts, m_bSecondPass), lets it influence every colliding
// object each simulation step, asks it about rays and light blocking, and
// draws its sky box first of all, before clearing the depth buffer. A
// terrain is created empty, filled once by Load, handed to the engine with
// ZEEngine::SetTerrain, and deleted by the engine when the world is freed
// or another map replaces it. It owns its sky box.
#pragma once

#include "world/ZEEngineObject.h"

class ZESkyBox;
class ZEString;

class ZETerrain : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    ZETerrain() = default;
    // Deletes the sky box.
    ~ZETerrain() override;

    // Reads the map; false on failure (the terrain is then unusable and
    // the caller deletes it).
    virtual bool Load(const ZEString& fileName) = 0;

    // The map's sky box, owned; null when the map has none. Kept here, on
    // every kind of terrain, because the engine draws it through this
    // class.
    ZESkyBox* m_pSkyBox = nullptr;
};
