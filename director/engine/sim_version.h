// The simulator's version text ("0.5V", "0.6R", "0.8B", "0.8B24") read as a version.
//
// Assumed from the simulator's releases: a version is MAJOR.MINOR (decimal numbers), a capital
// letter, and an optional patch number in trailing digits, so "0.8B24" is 0.8B with patch 24:
// after 0.8B, before 0.8C. Numbers compare as numbers (a 0.10A would follow 0.9Z). Text that does
// not read that way compares byte by byte, as plain strings do; for every version released so far
// both orders agree. The release line of "0.8B24" is "0.8".
#pragma once

#include <cstddef>

namespace director {

// Negative, zero or positive as a sorts before, with or after b.
int CompareSimVersions(const char* a, const char* b);

// "0.8B24" -> "0.8"; empty when the text does not read as a version.
void SimReleaseLine(const char* version, char* out, std::size_t size);

}  // namespace director
