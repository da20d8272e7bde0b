// The tables of the shared corpus: every .dbf and .dbc file outside golden/ and tools/.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

// Paths relative to `corpus`, sorted.
inline std::vector<std::string> corpusTables(const std::filesystem::path &corpus)
{
    std::vector<std::string> tables;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(corpus)) {
        const std::filesystem::path relative = std::filesystem::relative(entry.path(), corpus);
        const std::string top = relative.begin()->string();
        if (top == "golden" || top == "tools" || !entry.is_regular_file())
            continue;
        std::string extension = entry.path().extension().string();
        for (char &c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension == ".dbf" || extension == ".dbc")
            tables.push_back(relative.string());
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

// How listings and tests name a corpus table: its project's folder and its file name
// ("olemb__dbfread … people.dbf"), unique in the corpus; the folders between are the project's
// own layout and say nothing about the table.
inline std::string corpusLabel(const std::string &relative)
{
    const std::filesystem::path path(relative);
    return path.begin()->string() + " … " + path.filename().string();
}
