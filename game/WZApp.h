// WZApp: the racing game as the engine sees it.
//
// The one global instance, Wrenzo, is constructed before the entry point
// runs and becomes ZEApplication::ms_pApp. The engine drives the game only
// through the overrides below: start-up, the two updates around the
// simulation, drawing on top of the world, input, map entities, the network
// callbacks and shutdown.
#pragma once

#include "core/ZEApplication.h"

class WZApp : public ZEApplication
{
public:
    WZApp();
    ~WZApp() override;

    // Ignores the command line; opens 640 x 480 in a window.
    void Prepare(char* commandLine) override;
    void Start() override;
    void Update1(uint32_t elapsed) override;
    void Update2(uint32_t elapsed) override;
    void Render() override;
    void KeyDown(uint32_t key) override;
    void KeyUp(uint32_t key) override;
    void MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char buttons) override;
    void JoystickMovement(int32_t x, int32_t y, int32_t z) override;
    bool ReceiveCustomEntity(ZECustomEntity* entity) override;
    void NewClientConnected(_ZEClient* client) override;
    void ClientDisconnected(_ZEClient* client) override;
    void DataFromClient(_ZEClient* client, char* data, uint32_t size) override;
    void ServerConnected(char* serverName) override;
    void ServerDisconnected() override;
    void DataFromServer(char* data, uint32_t size) override;
    void Terminate() override;
};

extern WZApp Wrenzo;
