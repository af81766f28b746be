#include "support/OpenALOutput.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

void ZEOpenALOutput::SetUp()
{
    char pattern[] = "/tmp/wrenzo-openal-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_Folder = pattern;
    std::string settings = m_Folder + "/alsoft.conf";
    std::ofstream out(settings);
    out << "[general]\n"
        << "drivers=" << m_Driver << "\n"
        << "channels=stereo\n"
        << "sample-type=int16\n"
        << "frequency=44100\n"
        << "hrtf=false\n"
        << "sources=" << ms_iSources << "\n"
        << "[wave]\n"
        << "file=" << CapturePath() << "\n";
    out.close();
    ASSERT_TRUE(out.good());
    setenv("ALSOFT_CONF", settings.c_str(), 1);
}

void ZEOpenALOutput::TearDown()
{
    std::error_code ignored;
    if (!m_Folder.empty())
        std::filesystem::remove_all(m_Folder, ignored);
}
