// The INI reader: plat::ProfileGetString and ProfileGetInt on the input as a file.
//
// Asked for the program's own values and for the sections and keys the input names, the reader
// always gives a terminated text within the buffer; a smaller buffer gives the start of the same
// text; a key that is missing, or whose value is empty, gives the integer default.
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/profile.h"

namespace {

constexpr std::size_t kMaxNames = 8;
constexpr int kIntDefault = 424242;

// Section names ("[...]") and key names (before "=") as they stand in the input, at most 64
// characters each.
void NamesIn(std::string_view text, std::vector<std::string>* sections,
             std::vector<std::string>* keys) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    const std::size_t open = line.find('[');
    const std::size_t close = line.find(']');
    if (open != std::string_view::npos && close != std::string_view::npos && close > open &&
        sections->size() < kMaxNames) {
      sections->emplace_back(line.substr(open + 1, std::min<std::size_t>(close - open - 1, 64)));
    }
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && keys->size() < kMaxNames) {
      keys->emplace_back(line.substr(0, std::min<std::size_t>(eq, 64)));
    }
    pos = end + 1;
  }
}

void Ask(const char* section, const char* key, const char* path) {
  char big[512];
  const std::size_t n = plat::ProfileGetString(section, key, "", big, sizeof(big), path);
  fuzz::Check(n < sizeof(big) && n == std::strlen(big), "length of the text read");
  char small[6];
  const std::size_t m = plat::ProfileGetString(section, key, "", small, sizeof(small), path);
  fuzz::Check(m == std::strlen(small) && m == std::min(n, sizeof(small) - 1) &&
                  std::memcmp(small, big, m) == 0,
              "text read into a small buffer");
  char none[2] = {'x', 'y'};
  plat::ProfileGetString(section, key, "", none, 0, path);
  fuzz::Check(none[0] == 'x' && none[1] == 'y', "nothing written into a zero-size buffer");

  char a[8], b[8];
  plat::ProfileGetString(section, key, "\x01", a, sizeof(a), path);
  plat::ProfileGetString(section, key, "\x02", b, sizeof(b), path);
  const bool missing = std::strcmp(a, "\x01") == 0 && std::strcmp(b, "\x02") == 0;
  const unsigned v = plat::ProfileGetInt(section, key, kIntDefault, path);
  if (missing || n == 0) fuzz::Check(v == kIntDefault, "integer default");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::Scratch() / "input.ini";
  fuzz::WriteInput(path, data, size);
  std::vector<std::string> sections = {"default", "Activate", "Output"};
  std::vector<std::string> keys = {"Path2LFS", "Delay", "ColorT"};
  NamesIn(std::string_view(reinterpret_cast<const char*>(data), size), &sections, &keys);
  for (const std::string& s : sections) {
    for (const std::string& k : keys) Ask(s.c_str(), k.c_str(), path.c_str());
  }
  return 0;
}
