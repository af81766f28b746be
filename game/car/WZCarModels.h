// The car models: each fills a WZCar from its roster row (car/WZRoster).
// The police car and the ambulance add a siren with flashing lights that
// the horn switches on and off. WZLoserGolf is the wreck of the intro.
#pragma once

#include "WZTypes.h"
#include "car/WZCar.h"

#include <cstdint>

struct WZSirenSpec;

#define WZ_DECLARE_CAR_MODEL(Class)                      \
    class Class : public WZCar                           \
    {                                                    \
        ZE_DECLARE_RTTI                                  \
    public:                                              \
        Class(const ZEVector& position, float heading);  \
    };

WZ_DECLARE_CAR_MODEL(WZAClass)
WZ_DECLARE_CAR_MODEL(WZDodge)
WZ_DECLARE_CAR_MODEL(WZFuneralCar)
WZ_DECLARE_CAR_MODEL(WZGolf)
WZ_DECLARE_CAR_MODEL(WZHummer)
WZ_DECLARE_CAR_MODEL(WZMonsterHummer)
WZ_DECLARE_CAR_MODEL(WZPickup)
WZ_DECLARE_CAR_MODEL(WZLoserGolf)
#undef WZ_DECLARE_CAR_MODEL

// A siren: its sound is the car's horn sound, looping while on; its lights
// fade up and down out of step, 1.5 brightness steps a millisecond.
struct WZSiren
{
    explicit WZSiren(const WZSirenSpec& row);
    ~WZSiren();
    WZSiren(const WZSiren&) = delete;
    WZSiren& operator=(const WZSiren&) = delete;

    // On: the sound loops and the lights start over; off: the sound stops.
    void Switch(WZCar& car);
    void Update(uint32_t ms);
    void Render(ZERenderer* renderer, const WZCar& car, float coronaSize) const;

    const WZSirenSpec& m_Spec;
    bool m_bSiren = false;
    ZETextureReference* m_pSirenLight = nullptr;
    uint8_t m_aucSirenDirection[3] = {0, 0, 0};   // 1 brightening, else darkening
    uint8_t m_aucSirenIntensity[3] = {0, 0, 0};
};

#define WZ_DECLARE_SIREN_MODEL(Class)                                                       \
    class Class : public WZCar                                                              \
    {                                                                                       \
        ZE_DECLARE_RTTI                                                                     \
    public:                                                                                 \
        Class(const ZEVector& position, float heading);                                    \
        void Update(uint32_t ms, ZEEngine* engine) override;                                \
        void Render(ZERenderer* renderer, ZECamera* camera) override;                       \
        void Horn() override;                                                               \
        WZSiren m_Siren;                                                                    \
    };

WZ_DECLARE_SIREN_MODEL(WZCop)
WZ_DECLARE_SIREN_MODEL(WZAmbulance)
#undef WZ_DECLARE_SIREN_MODEL

// A new car of that model, not yet in the world; out of range builds an
// A-Class.
WZCar* WZMakeCar(uint32_t car, const ZEVector& position, float heading);
