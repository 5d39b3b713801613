// The director program on systems without the Win32 dialog: a console program over the same
// settings and dialog logic.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "director/app/console.h"
#include "platform/files.h"
#include "platform/net.h"

int main(int argc, char** argv) {
  plat::NetStartup();
  auto app = std::make_unique<director::DirectorApp>();
  app->programDirectory = plat::ProgramDirectory();
  // MORVANE_PROGRAM_DIR puts Morvane.cfg, cam/ and views/ elsewhere than beside the program, so a
  // demo or a test runs the installed program on a directory of its own.
  if (const char* dir = std::getenv("MORVANE_PROGRAM_DIR"); dir != nullptr && dir[0] != '\0') {
    app->programDirectory = dir;
    if (app->programDirectory.back() != plat::kPathSep) app->programDirectory += plat::kPathSep;
  }
  const int status = director::RunConsole(argc, argv, *app, std::cout, std::cerr);
  // A worker that did not end in time still uses the application's state: leave it alive until
  // the process ends instead of pulling it away under the thread.
  // NOLINTNEXTLINE(bugprone-unused-return-value): the pointer is dropped on purpose
  if (app->insim.Running() || app->guiServerThread.Running()) app.release();
  app.reset();
  plat::NetCleanup();
  return status;
}
