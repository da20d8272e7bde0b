// Folders of this process's own for the targets that read real files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace fuzz {

// The folder `name` in a folder of this process's own, removed when the program ends. Each call
// empties it, so that no file of an earlier run (a memo file of another extension) is found.
std::filesystem::path freshFolder(const std::string &name);

// Writes `bytes` as the file `name` in `folder`; returns its path.
std::string writeFile(const std::filesystem::path &folder, const std::string &name,
                      std::string_view bytes);

} // namespace fuzz
