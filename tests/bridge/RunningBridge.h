#pragma once
// A bridge on a thread of its own, with its own connections to NATS, for
// the tests that read what it writes.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "Bridge.h"
#include "JetStream.h"

class RunningBridge {
 public:
  RunningBridge(const std::string& url, const std::string& server, const std::string& name) {
    zelbridge::NatsOptions options;
    options.url = url;
    zelbridge::BridgeOptions bridging;
    bridging.server = server;
    bridging.name = name;
    bridging.retryMs = 50;
    EXPECT_TRUE(m_events.Connect(options, &m_error)) << m_error;
    EXPECT_TRUE(m_records.Connect(options, &m_error)) << m_error;
    m_bridge = std::make_unique<zelbridge::Bridge>(m_events, m_records, bridging);
    EXPECT_TRUE(m_bridge->Start(&m_error)) << m_error;
    EXPECT_TRUE(m_bridge->WaitUntilSubscribed(10000));
    m_thread = std::thread([this] { m_bridge->Run(); });
  }
  ~RunningBridge() { Stop(); }
  void Stop() {
    m_bridge->Stop();
    if (m_thread.joinable()) m_thread.join();
  }
  zelbridge::Bridge& operator*() { return *m_bridge; }

 private:
  std::string m_error;
  zelbridge::JetStream m_events;
  zelbridge::JetStream m_records;
  std::unique_ptr<zelbridge::Bridge> m_bridge;
  std::thread m_thread;
};
