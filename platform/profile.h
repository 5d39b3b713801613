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

// Copies the value (or the default) into buf, cut to size - 1 characters, always terminated.
// Returns the number of characters copied.
std::size_t ProfileGetString(const char* section, const char* key, const char* def, char* buf,
                             std::size_t size, const char* path);

// The value read as an integer the way GetPrivateProfileInt reads it (leading decimal digits with
// an optional sign; text without digits gives 0), or def when the key is missing.
unsigned ProfileGetInt(const char* section, const char* key, int def, const char* path);

}  // namespace plat
