// libFuzzer's entry: clang++ -fsanitize=fuzzer,address,undefined.
#include "JpegFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    dwindle::fuzz::RunJpegOnce(data, size);
    return 0;
}
