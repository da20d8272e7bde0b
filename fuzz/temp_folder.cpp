// The process's folder in the temporary directory and the files the targets write into it.
#include "temp_folder.h"

#include <fstream>
#include <unistd.h>

namespace fuzz {
namespace {

struct ProcessFolder
{
    std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("talvo-fuzz-" + std::to_string(getpid()));
    ~ProcessFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

} // namespace

std::filesystem::path freshFolder(const std::string &name)
{
    static const ProcessFolder process;
    const std::filesystem::path folder = process.path / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::string writeFile(const std::filesystem::path &folder, const std::string &name,
                      std::string_view bytes)
{
    const std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

} // namespace fuzz
