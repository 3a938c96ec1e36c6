// Test checks on the simulated module's record of protocol violations: a test fails on any
// violation unless it provoked it on purpose and took it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/module_sim.h"

namespace karvelm {

// Fails the running test once per violation the module saw, naming it.
inline void ExpectNoViolations(const TModuleSim& sim) {
  for (const TSimViolation& violation : sim.Violations())
    ADD_FAILURE() << "the simulated module saw " << DescribeViolation(violation);
}

// The texts of the violations seen so far, which the module then forgets (a test that
// provoked them checks them and goes on).
inline std::vector<std::string> TakeViolations(TModuleSim& sim) {
  std::vector<std::string> texts;
  for (const TSimViolation& violation : sim.Violations()) texts.push_back(violation.text);
  sim.ClearViolations();
  return texts;
}

}  // namespace karvelm
