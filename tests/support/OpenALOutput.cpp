#include "support/OpenALOutput.h"

#include <cstdlib>
#include <sstream>

void ZEOpenALOutput::SetUp()
{
    m_pFolder = std::make_unique<ZETempFolder>("openal");
    ASSERT_TRUE(m_pFolder->Ok());
    std::ostringstream out;
    out << "[general]\n"
        << "drivers=" << m_Driver << "\n"
        << "channels=stereo\n"
        << "sample-type=int16\n"
        << "frequency=44100\n"
        << "hrtf=false\n"
        << "sources=" << ms_iSources << "\n"
        << "[wave]\n"
        << "file=" << CapturePath() << "\n";
    std::string settings = m_pFolder->Write("alsoft.conf", out.str());
    ASSERT_FALSE(settings.empty());
    setenv("ALSOFT_CONF", settings.c_str(), 1);
}

void ZEOpenALOutput::TearDown()
{
    m_pFolder.reset();
}

std::string ZEOpenALOutput::CapturePath() const
{
    return m_pFolder ? m_pFolder->Path() + "/capture.wav" : std::string();
}
