// The main of a fuzz target built without libFuzzer: replays files.
//
//   fuzz_NAME PATH...
//
// Feeds LLVMFuzzerTestOneInput each file named, and each regular file of
// each folder named (in name order, not descending into subfolders), once,
// as libFuzzer would replay them. A broken rule or a sanitizer report ends
// the program, as under libFuzzer, after the name of the input is printed,
// so the test that runs it fails and says which file did it. A path that
// does not exist, an unreadable file, or no input at all is an error (exit
// status 1): a replay that feeds nothing must not pass for one that found
// nothing.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length);

namespace
{
bool Collect(const std::filesystem::path& path, std::vector<std::filesystem::path>& inputs)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error))
    {
        inputs.push_back(path);
        return true;
    }
    if (!std::filesystem::is_directory(path, error))
    {
        std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", path.c_str());
        return false;
    }
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(path, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    if (error)
    {
        std::fprintf(stderr, "replay: cannot list %s: %s\n", path.c_str(), error.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
    return true;
}

bool Replay(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // Printed first, so a crash names its input.
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
    // An empty file is fed as a valid, empty buffer, as libFuzzer does.
    static const uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
    return true;
}
}

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i)
        if (!Collect(argv[i], inputs))
            return 1;
    if (inputs.empty())
    {
        std::fprintf(stderr, "replay: no input to replay\n");
        return 1;
    }
    for (const std::filesystem::path& input : inputs)
        if (!Replay(input))
            return 1;
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
