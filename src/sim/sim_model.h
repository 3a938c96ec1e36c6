// One device family of the simulated module (storage, bus memory, peripheral buses, ...).
// A model keeps its state in plain public members, which tests set and read directly, and
// installs the command handlers and bus hooks that make the module show that state.
#pragma once

namespace karvelm {

class TModuleSim;

class TSimModel {
 public:
  virtual ~TSimModel() = default;
  // Called once, when the module adds the model; the model outlives its handlers.
  virtual void Install(TModuleSim& sim) = 0;
  // Called when the module switches programs; what the model does not keep is lost then.
  virtual void OnRestart(TModuleSim&) {}
};

}  // namespace karvelm
