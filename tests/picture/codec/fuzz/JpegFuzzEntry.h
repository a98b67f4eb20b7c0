#pragma once
// One run of the image object over arbitrary bytes: the road of one stored
// picture in the batch run (load, decode, re-encode at 40, save) and a load of
// the result. Failures of the program's own kinds are expected; anything else
// (a crash, a sanitizer report, an escaped foreign exception, a re-encoding
// that does not load again) is a finding.

#include <cstddef>
#include <cstdint>

namespace dwindle::fuzz {

void RunJpegOnce(const std::uint8_t* data, std::size_t size);

} // namespace dwindle::fuzz
