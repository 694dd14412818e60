#pragma once
// A mirror's own source: the presence server, its events through an event
// receiver and its answers through calls (PresenceQueries).

#include <memory>
#include <string>

#include "zelclnt/mirror/ZelTMirrorSource.h"

namespace zelclnt::mirror {

class PresenceQueries;

class ServerSource : public ZelTMirrorSource {
 public:
  // Names as TFramework::SendRPC takes them.
  explicit ServerSource(std::string server);
  ~ServerSource() override;

  const std::string& Name() const override { return m_server; }

  bool Start(const Interest& interest, std::string* error) override;
  bool WaitUntilSubscribed(long timeoutMs) override;
  void Stop() override;
  void ResumeAfter(const TEventPosition& position) override;
  TEventPosition Through() const override;
  bool Next(TEventNotice& notice, long timeoutMs) override;
  void WakeOn(int descriptor) override;
  int Descriptor() override;
  std::uint64_t Heard() const override;

  bool AskAll(std::string* why) override;
  bool AskUser(long userKey, const std::string& userId, std::string* why) override;
  void Cancel(long userKey) override;
  void CancelAll() override;
  std::size_t InFlight() const override;
  int AnswerDescriptor() override;
  bool NextAnswer(ZelTMirrorAnswer& answer) override;

 private:
  std::string m_server;
  std::unique_ptr<TEventReceiver> m_receiver;
  std::unique_ptr<PresenceQueries> m_queries;
};

}  // namespace zelclnt::mirror
