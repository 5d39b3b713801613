// The custom view files behind the director's on-board pictures.
//
// The simulator places its custom view (in-game camera 4) from a ".cvw" file per car model. The
// program keeps its own sets, one folder per simulator version named in "views\cvw.ini" (section
// [SourceFolder], key = the simulator's version, value = the folder under "views\"), with one file
// per car and kind: "_incar.cvw" ("_incarL.cvw" for a driver on the swapped side), "_front.cvw",
// "_rear.cvw". installCustomView copies the right one over the simulator's file
// ("data\views\<car>.cvw", or "data\misc\" for versions before 0.5V) and remembers what it did,
// so the same view for the same car is copied once and a failure is not retried until something
// changes or kind 255 resets the memory. A version without a folder is looked up again without
// its trailing digits ("0.5Z28" finds "0.5Z"), then by its release line ("0.8B24" finds "0.8").
// Versions compare as versions (sim_version.h): "0.8B24" is 0.8B with a patch. backupViews and
// restoreViews keep the user's own files of the 20 standard cars in "data\views.mrv.bak\" while the
// director is active.
//
// Diagnostic lines go to standard output. Without a known simulator directory nothing is
// touched: the files would otherwise land relative to wherever the program was started.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "director/insim/race_state.h"

namespace director {

inline constexpr std::uint8_t kViewInCar = 64;
inline constexpr std::uint8_t kViewFront = 128;
inline constexpr std::uint8_t kViewRear = 192;
inline constexpr std::uint8_t kViewReset = 255;

inline constexpr char kNoViewFolderText[] =
    "path information for custom views not found -> check cvw.ini";
inline constexpr char kViewFileNotFoundText[] = "custom view file not found";
inline constexpr char kViewPathNotFoundText[] = "path to custom view files not found";
inline constexpr char kViewCopyFailedText[] = "failed to copy custom view file";

inline constexpr int kStandardViewCount = 20;
extern const char* const kStandardViewFiles[kStandardViewCount];

// Installs the custom view of a kind for a car: null on success, else the message to show.
class ViewInstaller {
 public:
  virtual ~ViewInstaller() = default;
  virtual const char* installCustomView(std::uint8_t kind, std::uint8_t plid) = 0;
};

class CustomViews final : public ViewInstaller {
 public:
  // The directories end with the platform's separator (the simulator's may be empty: unknown).
  CustomViews(const PlayerTable& players, const std::string& programDirectory,
              const std::string& simulatorDirectory)
      : players_(players),
        programDirectory_(programDirectory),
        simulatorDirectory_(simulatorDirectory) {}

  // The simulator's version text (e.g. "0.5V"), at most 8 characters taken.
  void SetSimVersion(const char* version);
  const char* SimVersion() const { return simVersion_; }

  // Installs the view of the kind for the player's car; null on success, else the message to
  // show. Kind 255 forgets the last installation and returns null.
  const char* installCustomView(std::uint8_t kind, std::uint8_t plid) override;
  // Failures (a car without a view file) are ignored.
  void backupViews();
  void restoreViews();

 private:
  // True when this simulator reads its views from "data\misc\" (versions before 0.5V).
  bool OldSimulator() const;
  // Fills folder with the views folder that "views\cvw.ini" names for this simulator version.
  bool FindSourceFolder(char* folder, std::size_t size) const;
  const char* Remember(const char* result) { return result_ = result; }

  const PlayerTable& players_;
  const std::string& programDirectory_;
  const std::string& simulatorDirectory_;
  char simVersion_[9] = {};

  bool remembered_ = false;
  std::uint8_t kind_ = 0;
  std::uint8_t swapSide_ = 0;
  char car_[kCarNameSize + 1] = {};
  const char* result_ = nullptr;
};

}  // namespace director
