// The settings store's file on Linux: plat::SettingsKey reading the input as its file, then
// writing everything back and reading it again.
//
// The reader never fails on an existing file. The values read under the program's own names
// and under the names the input's lines give come back exactly after a write, and writing the
// written file again gives the same file.
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "director/app/settings.h"
#include "fuzz/fuzz_support.h"
#include "platform/settings_store.h"

namespace {

constexpr char kKey[] = "Software\\MorvaneFuzz";
constexpr std::size_t kMaxNames = 16;

struct Found {
  bool isNumber = false, isString = false;
  std::uint32_t number = 0;
  std::string text;
  bool operator==(const Found&) const = default;
};

std::vector<Found> ReadAll(const std::vector<std::string>& names, std::size_t longest) {
  plat::SettingsKey key(kKey);
  fuzz::Check(key.OpenRead(), "opening the settings file");
  std::vector<Found> found(names.size());
  std::vector<char> buf(longest + 1);
  for (std::size_t i = 0; i < names.size(); ++i) {
    found[i].isNumber = key.GetU32(names[i].c_str(), &found[i].number);
    found[i].isString = key.GetString(names[i].c_str(), buf.data(), buf.size());
    if (found[i].isString) found[i].text = buf.data();
    fuzz::Check(!(found[i].isNumber && found[i].isString), "a value of two types");
  }
  return found;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Opens the file for writing, sets one value to what it already holds (or, when none was found,
// adds EnableGUI) so that the whole file is written, and closes it. True when it added.
bool Rewrite(const std::vector<std::string>& names, const std::vector<Found>& found) {
  plat::SettingsKey key(kKey);
  fuzz::Check(key.OpenWrite(), "opening the settings file for writing");
  bool set = false;
  for (std::size_t i = 0; i < names.size() && !set; ++i) {
    if (found[i].isNumber) set = key.SetU32(names[i].c_str(), found[i].number);
    if (found[i].isString) set = key.SetString(names[i].c_str(), found[i].text.c_str());
  }
  if (!set) fuzz::Check(key.SetU32(director::kValueEnableGui, 1), "adding a value");
  fuzz::Check(key.Close(), "writing the settings file");
  return !set;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = [] {
    const std::string config = fuzz::Scratch() / "config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string path = plat::SettingsKey(kKey).FilePath();
    plat::MakeDirectory(config);
    plat::MakeDirectory(path.substr(0, path.rfind('/')));
    return path;
  }();
  fuzz::WriteInput(file, data, size);

  std::vector<std::string> names = {director::kValueInsimPort,      director::kValueInsimVersion,
                                    director::kValueGuiPort,        director::kValueEnableGui,
                                    director::kValueFKeyA,          director::kValueFKeyB,
                                    director::kValueDisableOverlay, director::kValueAutoActivate};
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::size_t pos = 0; pos < text.size() && names.size() < kMaxNames;) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    std::size_t eq = line.find('=');
    if (eq != std::string_view::npos) {
      std::string_view name = line.substr(0, eq);
      while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
      if (!name.empty() && name.find('\\') == std::string_view::npos &&
          name.find('\0') == std::string_view::npos) {
        names.emplace_back(name);
      }
    }
    pos = end + 1;
  }

  const std::vector<Found> read = ReadAll(names, size);
  const bool added = Rewrite(names, read);
  std::string first;
  fuzz::Check(plat::ReadTextFile(file, &first), "reading the written file");
  const std::vector<Found> back = ReadAll(names, size);
  for (std::size_t i = 0; i < names.size(); ++i) {
    // The value added to a file without any known value is the only change.
    if (added && SameName(names[i], director::kValueEnableGui)) continue;
    fuzz::Check(back[i] == read[i], "a value read back");
  }
  Rewrite(names, back);
  std::string second;
  fuzz::Check(plat::ReadTextFile(file, &second), "reading the file written again");
  fuzz::Check(first == second, "a written file written again");
  return 0;
}
