// The command line of karvelm-sim.
#pragma once

#include <string>
#include <vector>

#include "sim/module_sim.h"
#include "sim/peripheral_setup.h"
#include "sim/udp_server.h"
#include "sim/updater_model.h"

namespace karvelm {

struct TSimCommandLine {
  TSimConfig config;
  TSimServerOptions server;  // log is left to the program
  TSimPeripheralSetup peripherals = LivelySetup();
  TSimUpdaterSetup updater;
  std::string replayFile;  // a packet trace to play back instead of the model
  bool verbose = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// Arguments without the program name. False with a message in error for an unknown option,
// a missing or bad value.
bool ParseSimCommandLine(const std::vector<std::string>& args, TSimCommandLine& out,
                         std::string& error);

std::string SimUsage();

}  // namespace karvelm
