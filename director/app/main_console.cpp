// The director program on systems without the Win32 dialog: a console program over the same
// settings and dialog logic.
#include <iostream>
#include <memory>

#include "director/app/console.h"
#include "platform/files.h"
#include "platform/net.h"

int main(int argc, char** argv) {
  plat::NetStartup();
  auto app = std::make_unique<director::DirectorApp>();
  app->programDirectory = plat::ProgramDirectory();
  const int status = director::RunConsole(argc, argv, *app, std::cout, std::cerr);
  // A worker that did not end in time still uses the application's state: leave it alive until
  // the process ends instead of pulling it away under the thread.
  if (app->insim.Running() || app->guiServerThread.Running()) app.release();
  app.reset();
  plat::NetCleanup();
  return status;
}
