// The libFuzzer entry of one target, chosen by TALVO_FUZZ_TARGET when compiling.
#include "targets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TALVO_FUZZ_TARGET(std::string_view(reinterpret_cast<const char *>(data), size));
    return 0;
}
