// The libFuzzer entry of one target, chosen when it is built (KARST_FUZZ_TARGET).
#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return ks::fuzz::KARST_FUZZ_TARGET(data, size);
}
