// Custom view files: the simulator reads one per car model ("data\views\XRG.cvw", or "data\misc\"
// before version 0.5V) to place its custom (on-board) camera. The stand-in gives its simulator
// directory a set of "the user's own" files, can give a program directory the director's view
// sets ("views\cvw.ini" naming a folder for the simulator's version, with _incar, _incarL, _front
// and _rear files per car), and when it shows an on-board view it reads which kind of file is
// installed. The files are short texts of the stand-in's own making: "racesim custom view",
// then CAR= and KIND= lines.
#pragma once

#include <string>
#include <vector>

namespace racesim {

inline constexpr char kViewSetFolder[] = "racesim";
inline constexpr char kUserViewKind[] = "user";

// Creates a directory and its parents; false when it does not exist afterwards.
bool MakeDirectories(const std::string& path);

// The directory (ending in the separator) from which the simulator of this version reads views.
std::string SimViewDirectory(const std::string& simDir, const std::string& simVersion);

// The user's own view files, one per car code, in the simulator directory.
bool WriteUserViews(const std::string& simDir, const std::string& simVersion,
                    const std::vector<std::string>& cars, std::string* error);
// views\cvw.ini and views\racesim\ with the four kinds per car code, in the program directory.
bool WriteViewSets(const std::string& programDir, const std::string& simVersion,
                   const std::vector<std::string>& cars, std::string* error);

// The kind named in the installed view file of the car ("in-car", "in-car left", "front",
// "rear", "user"), "unreadable" for a file of another making, "missing" when there is none.
std::string InstalledViewKind(const std::string& simDir, const std::string& simVersion,
                              const std::string& car);

}  // namespace racesim
