// zepack: packs data files into one of the engine's package archives.
//
//   zepack <archive> <root-dir> <file>...   packs the files named
//   zepack <archive> <root-dir>             packs every regular file below root-dir
//
// Each file is stored under its path relative to root-dir with "/" as
// separator, which is the name the file manager looks it up by. Files named
// on the command line must lie below root-dir and keep their order; a whole
// tree is packed in sorted order, so the same tree always gives the same
// archive. The archive itself (and its temporary file) is left out when it
// lies inside the tree. Any failure prints a message and ends with status 1;
// a wrong command line with status 2.
#include "ZEPackWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace
{
struct PackedFile
{
    std::string m_Name;   // entry name, relative to the root
    fs::path m_Path;      // where it is read from
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "zepack: %s\n", message.c_str());
    return 1;
}

fs::path Normalised(const fs::path& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        absolute = path;
    absolute = absolute.lexically_normal();
    // "dir/" and "dir" must name the same root for the relative names.
    if (absolute.has_relative_path() && absolute.filename().empty())
        absolute = absolute.parent_path();
    return absolute;
}

// The entry name of `path` below `root`, or empty when it is not below it.
std::string NameBelow(const fs::path& root, const fs::path& path)
{
    fs::path relative = path.lexically_relative(root);
    if (relative.empty() || relative == "." || *relative.begin() == "..")
        return std::string();
    return relative.generic_string();
}

bool CollectNamed(const fs::path& root, char** arguments, int count,
                  std::vector<PackedFile>& files, std::string& error)
{
    for (int index = 0; index < count; ++index)
    {
        fs::path path = Normalised(arguments[index]);
        std::string name = NameBelow(root, path);
        if (name.empty())
        {
            error = std::string(arguments[index]) + " does not lie below " + root.string();
            return false;
        }
        std::error_code status;
        if (!fs::is_regular_file(path, status))
        {
            error = std::string(arguments[index]) + " is not a regular file";
            return false;
        }
        files.push_back({name, path});
    }
    return true;
}

bool CollectTree(const fs::path& root, const fs::path& archive, std::vector<PackedFile>& files,
                 std::string& error)
{
    fs::path temporary = archive;
    temporary += ".tmp";
    std::error_code status;
    fs::recursive_directory_iterator walk(root, status);
    for (; !status && walk != fs::recursive_directory_iterator(); walk.increment(status))
    {
        if (!walk->is_regular_file(status) || status)
            continue;
        fs::path path = walk->path().lexically_normal();
        if (path == archive || path == temporary)
            continue;
        files.push_back({NameBelow(root, path), path});
    }
    if (status)
    {
        error = root.string() + ": " + status.message();
        return false;
    }
    std::sort(files.begin(), files.end(),
              [](const PackedFile& a, const PackedFile& b) { return a.m_Name < b.m_Name; });
    return true;
}
}

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr,
                     "usage: zepack <archive> <root-dir> [<file>...]\n"
                     "  stores each file under its path relative to root-dir;\n"
                     "  without files, every regular file below root-dir in sorted order\n");
        return 2;
    }
    fs::path archive = Normalised(argv[1]);
    fs::path root = Normalised(argv[2]);
    std::error_code status;
    if (!fs::is_directory(root, status))
        return Fail(std::string(argv[2]) + " is not a directory");

    std::vector<PackedFile> files;
    std::string error;
    bool collected = argc > 3 ? CollectNamed(root, argv + 3, argc - 3, files, error)
                              : CollectTree(root, archive, files, error);
    if (!collected)
        return Fail(error);
    if (files.empty())
        return Fail(root.string() + " holds no file to pack");

    ZEPackWriter writer;
    for (const PackedFile& file : files)
        if (!writer.AddFile(ZEString(file.m_Name.c_str()), ZEString(file.m_Path.string().c_str())))
            return Fail(writer.GetError().CStr());
    if (!writer.Write(ZEString(archive.string().c_str())))
        return Fail(writer.GetError().CStr());
    return 0;
}
