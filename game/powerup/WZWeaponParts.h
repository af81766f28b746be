// WZWeaponParts: what the mine and the rocket share - a model with an
// oriented box around it, and being disarmed once they have gone off.
#pragma once

#include "math/ZEBoundingVolume.h"

class ZEEngineObject;

// Loads `model` (the box `fallback` stands in when it cannot be had) and
// gives the object an oriented box volume around it at its position and
// rotation.
void WZGiveModelAndBox(ZEEngineObject& object, const char* model, const ZEAABoundingBox& fallback);

// Deletes the model and the volume (leaving both null), stops the object
// and takes it out of collisions: it stays in the world, inert.
void WZDisarm(ZEEngineObject& object);
