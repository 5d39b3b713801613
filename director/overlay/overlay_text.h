// Texts of the overlay's buttons: names cut to a length and stripped of their colour codes, and
// race times as the standings board writes them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace director {

// Copies at most maxChars characters of text (none for a null text) into out, always ending it
// within size bytes; text need not end within maxChars (the simulator's fixed name fields).
void CutText(char* out, std::size_t size, const char* text, std::size_t maxChars);
// Removes every "^" followed by a digit 0 to 8, with the digit; other "^" sequences stay.
void StripColourDigits(char* text);
// "h:mm:ss.cc  ", "m:ss.cc  " or "s.cc  " rounded to the hundredth; empty for 0 and for all bits
// set (no time). out holds at least 24 bytes.
void FormatRaceTime(std::uint32_t ms, char* out, std::size_t size);

}  // namespace director
