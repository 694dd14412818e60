#pragma once
// A simulator at `endpoint`, the rest of its options as `adjust` sets them,
// started: one that does not start fails the test.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "PresenceSimulator.h"

inline std::unique_ptr<zelsim::PresenceSimulator> StartedSimulator(
    const std::string& endpoint, const std::function<void(zelsim::SimulatorOptions&)>& adjust = nullptr) {
  zelsim::SimulatorOptions options;
  options.endpoint = endpoint;
  if (adjust) adjust(options);
  auto simulator = std::make_unique<zelsim::PresenceSimulator>(options);
  std::string error;
  EXPECT_TRUE(simulator->Start(&error)) << endpoint << ": " << error;
  return simulator;
}

// One of a pair: its peer at `peer`.
inline std::unique_ptr<zelsim::PresenceSimulator> StartedHalf(
    const std::string& endpoint, const std::string& peer, bool primary,
    std::chrono::milliseconds takeover = zelsim::SimulatorOptions().takeover) {
  return StartedSimulator(endpoint, [&](zelsim::SimulatorOptions& options) {
    options.peer = peer;
    options.primary = primary;
    options.takeover = takeover;
  });
}
