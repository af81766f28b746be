// What the two texture fuzz targets (".tex" packages and ".atx"
// animations) share: the engine parts a texture load reaches, over a
// private folder, and the image a stored picture must load as.
#pragma once

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "platform/null/ZEManualTimer.h"
#include "resources/ZETextureManager.h"

#include "FuzzFolder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// A file manager and a texture manager reading "textures/" of a private
// folder, with the one timer of the process, which moves only when told.
// `file` is where the input lies ("textures/NAME.EXT"), loose or as the
// first entry of the package `archive`, `copy` the entry behind it.
class ZEFuzzTextures
{
public:
    ZEFuzzTextures(const char* tag, const char* file, const char* archive, const char* copy)
        : m_Folder(tag), m_pcFile(file), m_pcArchive(archive), m_pcCopy(copy)
    {
        m_Folder.MakeFolder("textures");
        m_Files.SetMainDirectory(ZEString(m_Folder.Root().c_str()));
        m_Textures.SetTextureDirectory(ZEString("textures"));
        m_ulBaseline = m_Textures.GetNumTextures();
    }

    void WriteLoose(const uint8_t* bytes, size_t length) { m_Folder.Write(m_pcFile, bytes, length); }
    void RemoveLoose() { m_Folder.Remove(m_pcFile); }

    // The input as the first entry of a package, a copy of it behind.
    bool WritePackage(const uint8_t* bytes, size_t length)
    {
        return m_Folder.WritePackage(m_pcArchive, m_pcFile, m_pcCopy, bytes, length) &&
               m_Files.AddArchive(ZEString(m_pcArchive));
    }

    void RemovePackage() { m_Files.RemoveAllArchives(); }

    // Sweeps what the input left; nothing of it may stay listed.
    void ForgetTextures()
    {
        m_Textures.ReleaseUnusedTextures();
        ZEFuzzRequire(m_Textures.GetNumTextures() == m_ulBaseline, "texture manager",
                      "textures without references are swept");
    }

    ZETextureManager& Textures() { return m_Textures; }
    ZEManualTimer& Timer() { return m_Timer; }
    uint32_t Baseline() const { return m_ulBaseline; }

private:
    ZEFuzzFolder m_Folder;
    const char* m_pcFile;
    const char* m_pcArchive;
    const char* m_pcCopy;
    ZEManualTimer m_Timer;
    ZEFileManager m_Files;
    ZETextureManager m_Textures;
    ZEConsole m_Console;
    uint32_t m_ulBaseline = 0;
};

// The RGB texels a stored image of `texels` texels must load as: true
// colour as stored, or each index through the first 256 colours of a
// palette of `paletteSize` (an index beyond them black). `image` holds the
// palette, then the indices; the caller has checked that it is whole.
inline std::vector<uint8_t> ZEFuzzStoredTexels(const uint8_t* image, size_t texels, uint32_t paletteSize)
{
    if (paletteSize == 0)
        return std::vector<uint8_t>(image, image + texels * 3);
    std::vector<uint8_t> rgb(texels * 3, 0);
    uint32_t usable = std::min<uint32_t>(paletteSize, ZE_MAX_PALETTE_SIZE);
    const uint8_t* indices = image + paletteSize * 3u;
    for (size_t i = 0; i < texels; ++i)
        if (indices[i] < usable)
            std::memcpy(&rgb[i * 3], image + indices[i] * 3u, 3);
    return rgb;
}
