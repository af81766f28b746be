// zecontact: one PNG showing every texture of the given packages, each
// with its name, size and storage under it.
//
//   zecontact <sheet.png> <main-dir> <archive>...
//
// The archives are opened through the engine's file manager with
// <main-dir> as its main directory, as the game opens them; every entry
// named "textures/<group>.tex" is read and each of its images shown under
// a heading per package. Any unreadable archive or package ends with
// status 1 after naming it; a wrong command line with status 2.
#include "ZEContactSheet.h"
#include "ZEPackReader.h"
#include "ZEPngWriter.h"
#include "ZETexReader.h"

#include "core/ZEFileManager.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
const char* const kLabelFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int kSheetWidth = 1600;

int Fail(const std::string& message)
{
    std::fprintf(stderr, "zecontact: %s\n", message.c_str());
    return 1;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool ReadEntry(const ZEFileManager& files, const std::string& name, const std::string& archive,
               std::vector<uint8_t>& bytes)
{
    uint32_t size = 0;
    FILE* file = files.OpenFile(ZEString(name.c_str()), ZEString(archive.c_str()), size);
    if (!file)
        return false;
    bytes.resize(size);
    bool read = size == 0 || std::fread(bytes.data(), 1, size, file) == size;
    std::fclose(file);
    return read;
}

std::string Label(const ZETexReadImage& image)
{
    std::string storage = image.m_usPaletteSize ? std::to_string(image.m_usPaletteSize) + " colours" : "true colour";
    return image.m_Name + "\n" + std::to_string(image.m_usWidth) + " x " + std::to_string(image.m_usHeight) + ", " +
           storage;
}

// Adds every texture package of one archive; false with `error` set.
bool AddArchive(ZEContactSheet& sheet, const ZEFileManager& files, const std::string& mainDir,
                const std::string& archive, std::string& error)
{
    std::vector<ZEPackEntry> entries;
    if (!ZEListPackEntries(mainDir + "/" + archive, entries, error))
        return false;
    for (const ZEPackEntry& entry : entries)
    {
        if (!EndsWith(entry.m_Name, ".tex"))
            continue;
        std::vector<uint8_t> bytes;
        std::vector<ZETexReadImage> images;
        if (!ReadEntry(files, entry.m_Name, archive, bytes))
        {
            error = archive + ": " + entry.m_Name + " cannot be read";
            return false;
        }
        if (!ZEReadTexPackage(bytes.data(), bytes.size(), images, error))
        {
            error = archive + ": " + entry.m_Name + ": " + error;
            return false;
        }
        sheet.AddHeading(archive + "   " + entry.m_Name);
        for (const ZETexReadImage& image : images)
            sheet.AddPicture(image.m_aRGB, image.m_usWidth, image.m_usHeight, Label(image));
    }
    return true;
}
}

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: zecontact <sheet.png> <main-dir> <archive>...\n");
        return 2;
    }
    const std::string output = argv[1], mainDir = argv[2];
    ZEFileManager files;
    files.SetMainDirectory(ZEString(mainDir.c_str()));
    ZEContactSheet sheet(kSheetWidth, kLabelFace);
    if (!sheet.HasFace())
        std::fprintf(stderr, "zecontact: %s is missing; the sheet has no labels\n", kLabelFace);
    for (int i = 3; i < argc; ++i)
    {
        std::string archive = argv[i], error;
        if (!files.AddArchive(ZEString(archive.c_str())))
            return Fail(mainDir + "/" + archive + " is missing or damaged");
        if (!AddArchive(sheet, files, mainDir, archive, error))
            return Fail(error);
    }
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = sheet.Render(width, height);
    std::string error;
    if (!ZEWritePNG(output, rgb.data(), static_cast<uint32_t>(width), static_cast<uint32_t>(height), error))
        return Fail(output + ": " + error);
    std::printf("zecontact: wrote %s (%d x %d)\n", output.c_str(), width, height);
    return 0;
}
