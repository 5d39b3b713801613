#include "tools/racesim/view_files.h"

#include "platform/files.h"

namespace racesim {

namespace {

constexpr char kHeader[] = "racesim custom view\n";

std::string ViewText(const std::string& car, const std::string& kind) {
  return std::string(kHeader) + "CAR=" + car + "\nKIND=" + kind + "\n";
}

}  // namespace

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == plat::kPathSep) {
      const std::string part = path.substr(0, i);
      if (!plat::DirectoryExists(part)) plat::MakeDirectory(part);
    }
  }
  return plat::DirectoryExists(path);
}

std::string SimViewDirectory(const std::string& simDir, const std::string& simVersion) {
  // Versions before 0.5V kept their view files among the miscellaneous data.
  return simDir + plat::NativePath(simVersion < "0.5V" ? "data\\misc\\" : "data\\views\\");
}

bool WriteUserViews(const std::string& simDir, const std::string& simVersion,
                    const std::vector<std::string>& cars, std::string* error) {
  const std::string dir = SimViewDirectory(simDir, simVersion);
  if (!MakeDirectories(dir.substr(0, dir.size() - 1))) {
    *error = "cannot create " + dir;
    return false;
  }
  for (const std::string& car : cars) {
    if (!plat::WriteFileAtomic(dir + car + ".cvw", ViewText(car, kUserViewKind))) {
      *error = "cannot write " + dir + car + ".cvw";
      return false;
    }
  }
  return true;
}

bool WriteViewSets(const std::string& programDir, const std::string& simVersion,
                   const std::vector<std::string>& cars, std::string* error) {
  const std::string views = programDir + "views";
  const std::string set = views + plat::kPathSep + kViewSetFolder;
  if (!MakeDirectories(set)) {
    *error = "cannot create " + set;
    return false;
  }
  const std::string ini = "[SourceFolder]\r\n" + simVersion + "=" + kViewSetFolder + "\r\n";
  if (!plat::WriteFileAtomic(views + plat::kPathSep + "cvw.ini", ini)) {
    *error = "cannot write " + views + plat::kPathSep + "cvw.ini";
    return false;
  }
  static const char* const kSuffixes[][2] = {{"_incar.cvw", "in-car"},
                                             {"_incarL.cvw", "in-car left"},
                                             {"_front.cvw", "front"},
                                             {"_rear.cvw", "rear"}};
  for (const std::string& car : cars) {
    for (const auto& suffix : kSuffixes) {
      const std::string path = set + plat::kPathSep + car + suffix[0];
      if (!plat::WriteFileAtomic(path, ViewText(car, suffix[1]))) {
        *error = "cannot write " + path;
        return false;
      }
    }
  }
  return true;
}

std::string InstalledViewKind(const std::string& simDir, const std::string& simVersion,
                              const std::string& car) {
  std::string text;
  if (!plat::ReadTextFile(SimViewDirectory(simDir, simVersion) + car + ".cvw", &text)) {
    return "missing";
  }
  if (text.rfind(kHeader, 0) != 0) return "unreadable";
  const std::size_t at = text.find("KIND=");
  if (at == std::string::npos) return "unreadable";
  const std::size_t end = text.find('\n', at);
  return text.substr(at + 5, end == std::string::npos ? std::string::npos : end - at - 5);
}

}  // namespace racesim
