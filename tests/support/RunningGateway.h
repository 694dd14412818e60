#pragma once
// A gateway in front of an embedded presence simulator of its own, started
// and joined (its mirror holds every user) before a test talks to it, and
// the readings of its JSON replies the gateway tests share. Waits are in
// real time, with generous bounds.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Eventually.h"
#include "Gateway.h"
#include "HttpClient.h"
#include "JsonInput.h"
#include "PresenceSimulator.h"

struct RunningGateway {
  std::unique_ptr<zelsim::PresenceSimulator> simulator;
  std::unique_ptr<zelgw::Gateway> gateway;
  unsigned short port = 0;
};

inline std::string UniqueName(const char* stem) {
  static std::atomic<int> next{0};
  return std::string(stem) + "-" + std::to_string(next++);
}

// A file of secrets as an operator keeps it: only its owner may read it.
inline std::string WriteSecret(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path) << text;
  chmod(path.c_str(), 0600);
  return path;
}

inline RunningGateway StartGateway(zelgw::GatewayOptions options = {}, zelsim::SimulatorOptions simulator = {}) {
  RunningGateway running;
  simulator.endpoint = "inproc://" + UniqueName("gateway-test");
  running.simulator = std::make_unique<zelsim::PresenceSimulator>(simulator);
  EXPECT_TRUE(running.simulator->Start());
  options.listen = options.listen == zelgw::GatewayOptions().listen ? "127.0.0.1:0" : options.listen;
  options.server = running.simulator->Endpoint();
  running.gateway = std::make_unique<zelgw::Gateway>(options);
  std::string error;
  EXPECT_TRUE(running.gateway->Start(&error)) << error;
  running.port = running.gateway->Port();
  EXPECT_TRUE(Eventually([&] { return running.gateway->Ready(); })) << "the gateway's mirror never joined";
  return running;
}

inline zeljson::Json BodyOf(const HttpResult& result) {
  zeljson::Json json;
  std::string error;
  EXPECT_TRUE(zeljson::Parse(result.body, json, &error)) << result.body.substr(0, 300) << " " << error;
  return json;
}

inline std::string ErrorCodeOf(const HttpResult& result) {
  const zeljson::Json json = BodyOf(result);
  return json.contains("error") ? json["error"]["code"].get<std::string>() : "";
}

inline std::vector<long> KeysOf(const zeljson::Json& users) {
  std::vector<long> keys;
  for (const zeljson::Json& user : users) keys.push_back(user["userKey"].get<long>());
  return keys;
}

inline zeljson::Json DataOf(const SseEvent& event) {
  zeljson::Json json;
  std::string error;
  EXPECT_TRUE(zeljson::Parse(event.data, json, &error)) << event.data.substr(0, 200) << " " << error;
  return json;
}
