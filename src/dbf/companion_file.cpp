// Case-insensitive lookup of the files beside a table.
#include "companion_file.h"

#include "ascii.h"

#include <filesystem>

namespace dbf {
std::string findCompanion(const std::string &tablePath,
                          std::initializer_list<const char *> extensions)
{
    namespace fs = std::filesystem;
    const fs::path table(tablePath);
    const fs::path folder = table.has_parent_path() ? table.parent_path() : fs::path(".");
    const std::string stem = table.stem().string();

    for (const char *extension : extensions) {
        const std::string wanted = stem + extension;
        std::error_code error;
        if (fs::is_regular_file(folder / wanted, error))
            return (folder / wanted).string();
        std::string found;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (sameIgnoringAsciiCase(name, wanted) && it->is_regular_file(error)) {
                found = it->path().string();
                break;
            }
        }
        if (!found.empty())
            return found;
    }
    return {};
}

} // namespace dbf
