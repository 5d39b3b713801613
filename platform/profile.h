// Reading INI ("profile") files with the Windows rules, so that "Morvane.cfg", "alias.ini" and
// "views\cvw.ini" mean the same on every platform.
//
// Sections and keys are matched case-insensitively, names and values are trimmed of blanks, a
// value wrapped in matching quotes loses them, the first matching section and key win, and a
// missing file, section or key gives the default. Windows uses GetPrivateProfileString/Int; the
// POSIX reader is tested to give the same answers under the same tests.
#pragma once

#include <cstddef>

namespace plat {

// Copies the value (or the default) into buf, cut to size - 1 characters, always terminated
// (nothing is written when size is 0). Returns the number of characters copied. Section and key
// must both be given; the listing modes of the Windows call are not offered.
std::size_t ProfileGetString(const char* section, const char* key, const char* def, char* buf,
                             std::size_t size, const char* path);

// The value read as an integer the way GetPrivateProfileInt reads it (an optional sign, an
// optional "0x", "0o" or "0b" prefix, then digits as far as they go, wrapping at 32 bits; text
// without digits gives 0), or def when the key is missing or its value empty.
unsigned ProfileGetInt(const char* section, const char* key, int def, const char* path);

}  // namespace plat
