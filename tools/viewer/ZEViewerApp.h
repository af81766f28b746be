// The viewer: the engine itself, showing one model or one map.
//
// It runs the same frame loop as the game, so what it shows is what the game
// would draw. A model is placed at the origin as a plain engine object under
// a full-strength ambient light; a map is loaded with the engine's own map
// loading. The camera either orbits the model (mouse drag, Up/Down to zoom)
// or stands where the command line puts it, or (--overview) where it sees
// the whole map. In screenshot mode the viewer
// draws a few frames, writes the screenshot and quits with status 0; a
// model or map that cannot be loaded quits with status 1.
#pragma once

#include "ZEViewerOptions.h"
#include "core/ZEApplication.h"
#include "math/ZEVector.h"

#include <vector>

class ZEViewerApp : public ZEApplication
{
public:
    explicit ZEViewerApp(const ZEViewerOptions& options);

    void Prepare(char* commandLine) override;
    void Start() override;
    void Update2(uint32_t elapsed) override;
    void Render() override;
    void KeyDown(uint32_t key) override;
    void MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char buttons) override;
    // Notes where the map's track nodes ("TrackNode") are, for the
    // overview; declines every entity.
    bool ReceiveCustomEntity(ZECustomEntity* entity) override;

protected:
    void EndProcess(int status) override;

private:
    void MountData();
    bool LoadModel();
    bool LoadMap();
    // --overview: frames the loaded map's faces, around its track when it
    // has one (ZEViewerOverview.h), and drops its sky box; false (after
    // Fail) for a map without faces.
    bool FrameOverview();
    void PlaceCamera();
    void Fail(const std::string& why);

    ZEViewerOptions m_Options;
    ZEVector m_vTarget;
    float m_fRadius = 10.0f;
    ZEVector m_vOrbit;
    float m_fDistance = 25.0f;
    int m_iFramesLeft = 0;
    int m_iExitStatus = 0;
    std::vector<ZEVector> m_avTrackNodes;
};
