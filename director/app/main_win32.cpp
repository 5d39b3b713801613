// The director program on Windows: dialog 101 between Windows Sockets start-up and clean-up.
#include <memory>

#include "director/app/dialog_win32.h"
#include "platform/files.h"
#include "platform/net.h"

int main() {
  plat::NetStartup();
  auto app = std::make_unique<director::DirectorApp>();
  app->programDirectory = plat::ProgramDirectory();
  director::RunMainDialog(*app);
  // A worker that did not end in time still uses the application's state: leave it alive until
  // the process ends instead of pulling it away under the thread.
  // NOLINTNEXTLINE(bugprone-unused-return-value): the pointer is dropped on purpose
  if (app->insim.Running() || app->guiServerThread.Running()) app.release();
  app.reset();
  plat::NetCleanup();
  return 0;
}
