// Entry point of `talvo-dbf`.
#include "cli.h"

#include <iostream>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    // Large writes: a table of a million records is hundreds of megabytes of text.
    static char buffer[1 << 16];
    std::cout.rdbuf()->pubsetbuf(buffer, sizeof buffer);
    return cli::run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
