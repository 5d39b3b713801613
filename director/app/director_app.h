// The director program's composition root: one object owns the settings, the clock, the two GUI
// link queues, the InSim thread and its handlers, and whatever worker threads the dialog starts.
// Modules get references to the parts they need; nothing of it is global. Build one per program
// (it is large: keep it in static storage or on the heap).
#pragma once

#include <string>

#include "director/app/host.h"
#include "director/app/settings.h"
#include "director/insim/session.h"
#include "director/insim/session_handlers.h"
#include "link/link_core.h"
#include "platform/thread.h"

namespace director {

// The InSim thread as a worker of the dialog.
class InsimWorker final : public LinkWorker {
 public:
  explicit InsimWorker(InsimThread& thread) : thread_(thread) {}
  bool StartWorker() override { return thread_.StartInsimThread(); }
  bool StopWorker() override { return thread_.StopInsimThread(); }
  bool WorkerRunning() const override { return thread_.Running(); }

 private:
  InsimThread& thread_;
};

class DirectorApp {
 public:
  explicit DirectorApp(std::string settingsKey = plat::kSettingsKey)
      : settingsKey(std::move(settingsKey)) {}
  DirectorApp(const DirectorApp&) = delete;
  DirectorApp& operator=(const DirectorApp&) = delete;

  // The dialog logic over the given controls, wired to this program's threads.
  DirectorHost MakeHost(DialogControls& controls) {
    return DirectorHost(settings, controls, insimWorker, guiServer, settingsKey);
  }

  std::string settingsKey;
  // The directory of the program's executable, ending with the path separator; the files next
  // to the program are found from it.
  std::string programDirectory;
  Settings settings;
  plat::SystemClock clock;
  glink::MessageQueue toGui;
  glink::MessageQueue toDirector;
  // The race state, engine, edit mode and overlay plug in here; until then the session runs
  // with handlers that do nothing.
  SessionHandlers handlers;
  InsimThread insim{settings, clock, toGui, handlers};
  InsimWorker insimWorker{insim};
  // The GUI link server, once there is one; null starts the InSim thread directly.
  LinkWorker* guiServer = nullptr;
};

}  // namespace director
