// Timing of several bodies that take turns within each repeat, so that a busy machine slows
// them alike; the best mean of each is kept.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace karvelm::bench {

// Best mean microseconds per round of each body; a body that fails ends the program.
inline std::vector<double> BestMicrosPerRound(const std::vector<std::function<bool()>>& bodies,
                                              int repeats, int rounds) {
  std::vector<double> best(bodies.size(), 1e12);
  for (int repeat = 0; repeat < repeats; ++repeat) {
    for (size_t b = 0; b < bodies.size(); ++b) {
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < rounds; ++i)
        if (!bodies[b]()) {
          std::fprintf(stderr, "a round failed\n");
          std::exit(1);
        }
      const double micros =
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
              .count();
      best[b] = std::min(best[b], micros / rounds);
    }
  }
  return best;
}

}  // namespace karvelm::bench
