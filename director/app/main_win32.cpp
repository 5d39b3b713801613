// The director program on Windows: dialog 101 between Windows Sockets start-up and clean-up. A
// GUI program, so that Explorer opens no console beside the dialog; started from a terminal it
// writes its diagnostic lines there and closes properly on the terminal's control events.
#include <memory>

#include "director/app/close_relay.h"
#include "director/app/console_attach_win32.h"
#include "director/app/dialog_win32.h"
#include "platform/files.h"
#include "platform/net.h"

int main() {
  director::AttachParentConsole();
  // A control event may arrive while the process is ending: the relay is never destroyed.
  auto* relay = new director::CloseRelay;
  director::InstallConsoleCloseHandler(*relay);
  plat::NetStartup();
  auto app = std::make_unique<director::DirectorApp>();
  app->programDirectory = plat::ProgramDirectory();
  director::RunMainDialog(*app, *relay);
  // A worker that did not end in time still uses the application's state: leave it alive until
  // the process ends instead of pulling it away under the thread.
  // NOLINTNEXTLINE(bugprone-unused-return-value): the pointer is dropped on purpose
  if (app->insim.Running() || app->guiServerThread.Running()) app.release();
  app.reset();
  plat::NetCleanup();
  return 0;
}
