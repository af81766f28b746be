// Command line of the viewer.
//
//   zeview [--data DIR] (--model FILE | --map NAME) [--size WxH]
//          [--pos X,Y,Z] [--rot X,Y,Z] [--distance D] [--overview]
//          [--shot NAME] [--frames N] [--animation N]
//
// --model loads a .zmf file by its path; --map loads maps/NAME from the data
// folder (default "main", as the game sees it from its working directory).
// Without --pos the camera orbits the model's bounding sphere at --distance
// times its radius (default 2.5), starting from --rot (pitch, yaw, roll in
// degrees; a negative pitch looks down). With --shot the viewer renders
// --frames frames (default 3), writes NAME.tga and quits: that is how tests
// and previews use it headless. --animation plays the model's animation
// with that index in a loop (a car: 0 straight, 1 steering left, 2 right);
// without it the model keeps the animation it loads with.
//
// --overview (maps only, not with --pos) shows the whole map from above:
// the camera frames the box of the map's faces, or of those around its
// track when it has track nodes (the sky box is neither framed nor drawn),
// from --rot's pitch and yaw; without --rot it looks down 40
// degrees from the three-quarter yaw that shows the map largest
// (ZEViewerOverview.h). That is how the build renders the track previews.
#pragma once

#include "math/ZEVector.h"

#include <string>

struct ZEViewerOptions
{
    std::string m_DataDirectory = "main";
    std::string m_ModelFile;
    std::string m_MapName;
    uint16_t m_usWidth = 640;
    uint16_t m_usHeight = 480;
    bool m_bFixedCamera = false;
    bool m_bOverview = false;
    bool m_bRotationGiven = false;
    ZEVector m_vPosition;
    ZEVector m_vRotation{-25.0f, 30.0f, 0.0f};
    float m_fDistance = 2.5f;
    std::string m_ShotName;
    int m_iFrames = 3;
    int m_iAnimation = -1;   // -1: as loaded
};

// Reads argv into options; false with a message in `error` on bad input.
bool ZEParseViewerOptions(int argc, char** argv, ZEViewerOptions& options, std::string& error);

// The usage text.
const char* ZEViewerUsage();
