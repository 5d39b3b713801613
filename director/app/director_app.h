// The director program's composition root: one object owns the settings, the clock, the two GUI
// link queues, the InSim thread with its handlers and the GUI link server, and hands the dialog
// logic the two workers it starts and stops.
// Modules get references to the parts they need; nothing of it is global. Build one per program
// (it is large: keep it in static storage or on the heap).
#pragma once

#include <mutex>
#include <string>

#include "director/app/director_core.h"
#include "director/app/host.h"
#include "director/app/settings.h"
#include "director/insim/session.h"
#include "director/insim/session_handlers.h"
#include "link/link_server.h"
#include "link/message_queue.h"
#include "platform/thread.h"
#include "web/snapshot_box.h"
#include "web/web_publisher.h"
#include "web/web_server.h"

namespace director {

// The InSim thread is started and stopped from two threads: the dialog's (Stop and Close stop it
// first) and, with GUI access on, the GUI link server's, once per client. Both go through one
// lock so that their calls on the thread never overlap.

// Start arms the automatic activation from the setting once; the GUI link server's restarts of
// the InSim thread (one per client) keep its state, so a second client does not re-arm an
// activation that the user switched off.

// The InSim thread as a worker of the dialog.
class InsimWorker final : public LinkWorker {
 public:
  InsimWorker(InsimThread& thread, std::mutex& lock, DirectorCore& core)
      : thread_(thread), lock_(lock), core_(core) {}
  bool StartWorker() override {
    std::lock_guard<std::mutex> hold(lock_);
    if (!thread_.Running()) core_.ArmAutoActivation();
    return thread_.StartInsimThread();
  }
  bool StopWorker() override {
    std::lock_guard<std::mutex> hold(lock_);
    return thread_.StopInsimThread();
  }
  bool WorkerRunning() const override {
    std::lock_guard<std::mutex> hold(lock_);
    return thread_.Running();
  }

 private:
  InsimThread& thread_;
  std::mutex& lock_;
  DirectorCore& core_;
};

// The InSim thread as the GUI link server runs it, once per client.
class InsimControl final : public glink::InsimThreadControl {
 public:
  InsimControl(InsimThread& thread, std::mutex& lock) : thread_(thread), lock_(lock) {}
  bool StartInsimThread() override {
    std::lock_guard<std::mutex> hold(lock_);
    return thread_.StartInsimThread();
  }
  bool StopInsimThread() override {
    std::lock_guard<std::mutex> hold(lock_);
    return thread_.StopInsimThread();
  }

 private:
  InsimThread& thread_;
  std::mutex& lock_;
};

// The GUI link server as a worker of the dialog.
class GuiServerWorker final : public LinkWorker {
 public:
  GuiServerWorker(glink::GuiServer& server, DirectorCore& core) : server_(server), core_(core) {}
  bool StartWorker() override {
    if (!server_.Running()) core_.ArmAutoActivation();
    return server_.StartGuiServer();
  }
  bool StopWorker() override { return server_.StopGuiServer(); }
  bool WorkerRunning() const override { return server_.Running(); }
  const char* StartFailure() const override { return server_.FailureText(); }

 private:
  glink::GuiServer& server_;
  DirectorCore& core_;
};

// The web view as a worker of the dialog: its server runs while the director runs, and the
// InSim thread publishes to it only while it does.
class WebWorker final : public LinkWorker {
 public:
  WebWorker(WebServer& server, WebPublisher& publisher, DirectorCore& core, const Settings& settings)
      : server_(server), publisher_(publisher), core_(core), settings_(settings) {}
  bool StartWorker() override {
    if (!server_.Start(settings_.webBind, settings_.webPort, &failure_)) return false;
    core_.web.store(&publisher_);
    return true;
  }
  bool StopWorker() override {
    core_.web.store(nullptr);
    server_.Stop();
    return true;
  }
  bool WorkerRunning() const override { return server_.Running(); }
  const char* StartFailure() const override { return failure_.c_str(); }

 private:
  WebServer& server_;
  WebPublisher& publisher_;
  DirectorCore& core_;
  const Settings& settings_;
  std::string failure_;
};

class DirectorApp {
 public:
  explicit DirectorApp(std::string key = plat::kSettingsKey) : settingsKey(std::move(key)) {}
  DirectorApp(const DirectorApp&) = delete;
  DirectorApp& operator=(const DirectorApp&) = delete;

  // The dialog logic over the given controls, wired to this program's threads.
  DirectorHost MakeHost(DialogControls& controls) {
    return DirectorHost(settings, controls, insimWorker, guiServer, settingsKey, &webWorker);
  }

  std::string settingsKey;
  // The directory of the program's executable, ending with the path separator; the files next
  // to the program are found from it.
  std::string programDirectory;
  Settings settings;
  plat::SystemClock clock;
  glink::MessageQueue toGui;
  glink::MessageQueue toDirector;
  // Everything the InSim thread knows and does with the simulator's packets.
  DirectorCore core{settings, clock, toGui, toDirector, programDirectory};
  InsimThread insim{settings, clock, toGui, core};
  std::mutex insimLock;
  InsimWorker insimWorker{insim, insimLock, core};
  // With GUI access on, Start starts this server, which runs the InSim thread per client.
  InsimControl insimControl{insim, insimLock};
  glink::GuiServer guiServerThread{settings.guiPort, toGui, toDirector, clock, insimControl};
  GuiServerWorker guiServerWorker{guiServerThread, core};
  LinkWorker* guiServer = &guiServerWorker;
  // The web view, off unless a web port is set.
  SnapshotBox webBox;
  WebPublisher webPublisher{webBox};
  WebServer webServer{webBox};
  WebWorker webWorker{webServer, webPublisher, core, settings};
};

}  // namespace director
