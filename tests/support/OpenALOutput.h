// OpenAL Soft without a sound card, for tests of the OpenAL sound device.
//
// OpenAL Soft reads its settings once per process, at its first use, and
// the file named by ALSOFT_CONF last (so it overrides the machine's own
// settings). Register one environment per test program, before any test
// runs:
//
//   static ::testing::Environment* const output =
//       ::testing::AddGlobalTestEnvironment(new ZEOpenALOutput("null"));
//
// The "null" driver mixes and throws the result away; the "wave" driver
// writes what would be heard to CapturePath() as a WAV file, which is
// complete once the device closes. Output is 16-bit stereo at 44100 Hz
// without HRTF, and only ms_iSources sources exist, so a test can run out
// of them.
#pragma once

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class ZEOpenALOutput : public ::testing::Environment
{
public:
    explicit ZEOpenALOutput(const char* driver) : m_Driver(driver) {}

    // Makes a temporary folder with the settings file and points
    // ALSOFT_CONF at it; removes the folder again.
    void SetUp() override;
    void TearDown() override;

    // Empty while no folder exists.
    std::string CapturePath() const;

    static constexpr int ms_iSources = 8;

private:
    std::string m_Driver;
    // Lives from SetUp to TearDown: the test program itself never ends
    // the environment, so a plain member would leave the folder behind.
    std::unique_ptr<ZETempFolder> m_pFolder;
};
