// racesim: the simulator stand-in. See --help.
#include <csignal>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "platform/net.h"
#include "platform/thread.h"
#include "tools/racesim/options.h"
#include "tools/racesim/simulator.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
extern "C" void OnSignal(int) { gStop = 1; }

// Lines of standard input, read on their own thread so the simulation never waits for them.
struct InputLines {
  std::mutex mutex;
  std::deque<std::string> lines;
  bool closed = false;
};

}  // namespace

int main(int argc, char** argv) {
  racesim::SimOptions options;
  std::string error;
  switch (racesim::ParseOptions(argc, argv, &options, &error)) {
    case racesim::ParseResult::kHelp:
      racesim::PrintUsage(std::cout);
      return 0;
    case racesim::ParseResult::kError:
      std::cerr << "racesim: " << error << " (see --help)\n";
      return 2;
    case racesim::ParseResult::kRun:
      break;
  }
  plat::NetStartup();
  racesim::Simulator sim(options, std::cout);
  if (!sim.Prepare(&error)) {
    std::cerr << "racesim: " << error << "\n";
    plat::NetCleanup();
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  auto* input = new InputLines;  // left to the reader thread, which may outlive main's loop
  if (options.readStdin) {
    std::thread([input] {
      std::string line;
      while (std::getline(std::cin, line)) {
        std::lock_guard<std::mutex> lock(input->mutex);
        input->lines.push_back(line);
      }
      std::lock_guard<std::mutex> lock(input->mutex);
      input->closed = true;
    }).detach();
  }

  while (!sim.Done() && gStop == 0) {
    sim.Tick();
    std::deque<std::string> lines;
    {
      std::lock_guard<std::mutex> lock(input->mutex);
      lines.swap(input->lines);
    }
    for (const std::string& line : lines) sim.Command(line);
    plat::SleepMs(2);
  }
  if (gStop != 0) std::cout << "racesim: stopped\n";
  sim.Finish();
  plat::NetCleanup();
  std::cout.flush();
  // The reader thread may still wait on standard input; leaving ends it with the process.
  std::_Exit(0);
}
