#pragma once
// A mirror's own source: the presence server, its events through an event
// receiver and its answers through calls (ZelTServerQuestions).

#include <memory>
#include <string>

#include "zelclnt/mirror/ZelTServerQuestions.h"

namespace zelclnt::mirror {

class ServerSource : public ZelTServerQuestions {
 public:
  // Names as TFramework::SendRPC takes them.
  explicit ServerSource(std::string server);
  ~ServerSource() override;

  bool Start(const Interest& interest, std::string* error) override;
  bool WaitUntilSubscribed(long timeoutMs) override;
  void Stop() override;
  void ResumeAfter(const TEventPosition& position) override;
  TEventPosition Through() const override;
  bool Next(TEventNotice& notice, long timeoutMs) override;
  void WakeOn(int descriptor) override;
  int Descriptor() override;
  std::uint64_t Heard() const override;

 private:
  std::unique_ptr<TEventReceiver> m_receiver;
};

}  // namespace zelclnt::mirror
