#pragma once
// The framework client: registration names and remote procedure calls.
//
// SendRPC carries a call over ZeroMQ. A server name containing "://" is a
// ZeroMQ endpoint (inproc://, tcp://host:port, ipc://); any other name stands
// for inproc://<name>. The time-out is in milliseconds; 0 or below means the
// framework default of 60000.
//
// One API object serialises its own calls; several objects may call from
// several threads at once. The object keeps one connection, to the server
// it called last; a failed call drops it, with whatever it still had queued,
// so a call reported as failed never reaches the server afterwards.

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "zelclnt/platform/TRPC.h"

// The framework's task type; 0: the calling thread waits for the reply.
using TASKTYPE = int;

namespace zelplatform {
class ClientChannel;
}

class TFramework {
 public:
  static constexpr long kDefaultTimeoutMs = 60000;
  static constexpr std::size_t kDefaultMaxMessageSize = std::size_t{64} << 20;

  TFramework();
  // clientName and clientNode name this client to the framework (they appear
  // in its diagnostics); clientType is the framework's client class.
  TFramework(const char* clientName, const char* clientNode, unsigned short clientType);
  // Copies take the names, not the connection.
  TFramework(const TFramework& other);
  TFramework& operator=(const TFramework& other);
  virtual ~TFramework();

  // Nonzero when the call went through; its reply, if one was expected, is
  // then in rpc (reply data and return code). Zero when the server is absent,
  // silent past the time-out, or sent what the transport refuses.
  int SendRPC(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, long timeoutMs, TASKTYPE type);

  const std::string& GetClientName() const { return m_clientName; }
  const std::string& GetClientNode() const { return m_clientNode; }
  unsigned short GetClientType() const { return m_clientType; }

  // Largest message accepted from the wire, in either direction, process-wide.
  static void SetMaxMessageSize(std::size_t bytes);
  static std::size_t GetMaxMessageSize();

 private:
  std::string m_clientName;
  std::string m_clientNode;
  unsigned short m_clientType = 0;
  std::mutex m_callLock;
  std::unique_ptr<zelplatform::ClientChannel> m_channel;
  unsigned long long m_nextCallId = 0;
};
