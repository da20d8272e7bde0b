// talvo-damage FOLDER: writes the damaged tables (and their memo files) into FOLDER, one fault
// each, for trying readers on them.
#include "damaged_tables.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "Aufruf: talvo-damage ORDNER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const damage::DamagedTable &table : damage::damagedTables()) {
        std::ofstream(folder / (table.name + ".dbf"), std::ios::binary) << table.table;
        if (table.memo)
            std::ofstream(folder / (table.name + table.memoExtension), std::ios::binary)
                    << *table.memo;
        std::cout << table.name << ".dbf: " << table.fault
                  << (table.encoding.empty() ? "" : " (lesen als " + table.encoding + ")") << '\n';
    }
    return 0;
}
