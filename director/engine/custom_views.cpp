#include "director/engine/custom_views.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "director/engine/sim_version.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace director {

const char* const kStandardViewFiles[kStandardViewCount] = {
    "UF1.cvw", "XFG.cvw", "XRG.cvw", "RB4.cvw", "FXO.cvw", "XRT.cvw", "LX4.cvw",
    "LX6.cvw", "RAC.cvw", "FZ5.cvw", "UFR.cvw", "XFR.cvw", "MRT.cvw", "FOX.cvw",
    "FO8.cvw", "BF1.cvw", "FBM.cvw", "FXR.cvw", "XRR.cvw", "FZR.cvw"};

namespace {

constexpr char kFirstViewsVersion[] = "0.5V";
constexpr std::size_t kMaxFolder = 260;
constexpr char kSwapSideSuffix[] = "L.cvw";

const char* Suffix(std::uint8_t kind, bool swapSide) {
  if (kind == kViewInCar) return swapSide ? "_incarL.cvw" : "_incar.cvw";
  if (kind == kViewFront) return "_front.cvw";
  return "_rear.cvw";
}

// The simulator's car codes are letters and digits; anything that could leave the views
// directories (a separator, "..") never names a file. An empty code is usable: version 3's player
// packet carries no car name, and its files are then named by their suffix alone ("_incar.cvw",
// installed as ".cvw").
bool UsableCarCode(const char* car) {
  for (const char* p = car; *p != '\0'; ++p) {
    const char c = *p;
    const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!ok) return false;
  }
  return true;
}

// Copies the view file; null on success, else the message to show. A missing in-car view for the
// swapped side falls back to the ordinary in-car view, the next best picture.
const char* CopyView(std::string source, const std::string& target, bool swappedInCar) {
  switch (plat::CopyFileOverwrite(source, target)) {
    case plat::CopyResult::kOk:
      return nullptr;
    case plat::CopyResult::kFileNotFound:
      if (swappedInCar) {
        source.replace(source.size() - std::strlen(kSwapSideSuffix), std::string::npos, ".cvw");
        if (plat::CopyFileOverwrite(source, target) == plat::CopyResult::kOk) return nullptr;
      }
      return kViewFileNotFoundText;
    case plat::CopyResult::kPathNotFound:
      return kViewPathNotFoundText;
    default:
      return kViewCopyFailedText;
  }
}

std::string WithoutTrailingSeparator(std::string path) {
  if (!path.empty() && path.back() == plat::kPathSep) path.pop_back();
  return path;
}

}  // namespace

void CustomViews::SetSimVersion(const char* version) {
  std::snprintf(simVersion_, sizeof simVersion_, "%s", version != nullptr ? version : "");
}

// Compared as versions, so "0.8B24" is 0.8B with a patch (sim_version.h says what is assumed).
bool CustomViews::OldSimulator() const {
  return CompareSimVersions(simVersion_, kFirstViewsVersion) < 0;
}

// Where the simulator's version keeps its views: the cvw.ini key of the version itself, then of
// the version without its trailing digits, then of its release line ("0.8" for 0.8B24 and 0.8C
// alike). False when none of them names a folder.
bool CustomViews::FindSourceFolder(char* folder, std::size_t size) const {
  const std::string ini = programDirectory_ + plat::NativePath("views\\cvw.ini");
  plat::ProfileGetString("SourceFolder", simVersion_, "", folder, size, ini.c_str());
  if (folder[0] != '\0') return true;
  std::printf("LFSversion = %s", simVersion_);
  char stripped[sizeof simVersion_];
  std::memcpy(stripped, simVersion_, sizeof stripped);
  std::size_t n = std::strlen(stripped);
  while (n > 0 && stripped[n - 1] >= '0' && stripped[n - 1] <= '9') stripped[--n] = '\0';
  std::printf("==> %s\n", stripped);
  std::fflush(stdout);
  plat::ProfileGetString("SourceFolder", stripped, "", folder, size, ini.c_str());
  if (folder[0] != '\0') return true;
  char line[sizeof simVersion_];
  SimReleaseLine(simVersion_, line, sizeof line);
  if (line[0] != '\0') {
    plat::ProfileGetString("SourceFolder", line, "", folder, size, ini.c_str());
  }
  return folder[0] != '\0';
}

const char* CustomViews::installCustomView(std::uint8_t kind, std::uint8_t plid) {
  if (kind == kViewReset) {
    remembered_ = false;
    return nullptr;
  }
  const PlayerRecord& player = players_[plid];
  const std::uint8_t swapSide = static_cast<std::uint8_t>(player.playerFlags & 1);
  if (remembered_ && kind == kind_ && swapSide == swapSide_ &&
      std::strcmp(player.carName, car_) == 0) {
    return result_;
  }
  remembered_ = true;
  kind_ = kind;
  swapSide_ = swapSide;
  std::snprintf(car_, sizeof car_, "%s", player.carName);

  char folder[kMaxFolder + 1] = {};
  if (!FindSourceFolder(folder, sizeof folder)) return Remember(kNoViewFolderText);
  if (!UsableCarCode(car_)) return Remember(kViewFileNotFoundText);
  if (simulatorDirectory_.empty()) return Remember(kViewPathNotFoundText);

  std::string source = programDirectory_ + plat::NativePath("views\\") + plat::NativePath(folder) +
                       plat::kPathSep + car_ + Suffix(kind, swapSide != 0);
  const std::string target = simulatorDirectory_ +
                             plat::NativePath(OldSimulator() ? "data\\misc\\" : "data\\views\\") +
                             car_ + ".cvw";
  std::printf("\n *** %s ==> %s\n", source.c_str(), target.c_str());
  std::fflush(stdout);
  return Remember(CopyView(std::move(source), target, kind == kViewInCar && swapSide != 0));
}

void CustomViews::backupViews() {
  if (simulatorDirectory_.empty()) return;
  const std::string backup = simulatorDirectory_ + plat::NativePath("data\\views.mrv.bak\\");
  plat::MakeDirectory(WithoutTrailingSeparator(backup));
  if (OldSimulator()) return;
  const std::string views = simulatorDirectory_ + plat::NativePath("data\\views\\");
  for (const char* name : kStandardViewFiles) {
    plat::CopyFileOverwrite(views + name, backup + name);
  }
}

void CustomViews::restoreViews() {
  if (simulatorDirectory_.empty() || OldSimulator()) return;
  const std::string backup = simulatorDirectory_ + plat::NativePath("data\\views.mrv.bak\\");
  const std::string views = simulatorDirectory_ + plat::NativePath("data\\views\\");
  for (const char* name : kStandardViewFiles) {
    plat::CopyFileOverwrite(backup + name, views + name);
  }
}

}  // namespace director
