#pragma once
// The questions half of a mirror's source (ZelTMirrorSource) that asks the
// presence server, as the mirror's own source does; the events half is the
// deriving class's: the server's events as its owner already reads them,
// say, so that one subscription serves both the owner and its mirror.
//
// One thread, as ZelTMirrorSource says.

#include <cstddef>
#include <memory>
#include <string>

#include "zelclnt/mirror/ZelTMirrorSource.h"
#include "zelclnt/ZelExport.h"

namespace zelclnt::mirror {
class PresenceQueries;
}

class ZELCLNT_API ZelTServerQuestions : public ZelTMirrorSource {
 public:
  // Names as TFramework::SendRPC takes them.
  explicit ZelTServerQuestions(std::string server);
  ~ZelTServerQuestions() override;

  const std::string& Name() const override { return m_server; }

  // REQUIRES: OpenQuestions was called (the deriving class's Start).
  bool AskAll(std::string* why) override;
  bool AskUser(long userKey, const std::string& userId, std::string* why) override;
  void Cancel(long userKey) override;
  void CancelAll() override;
  std::size_t InFlight() const override;
  int AnswerDescriptor() override;
  bool NextAnswer(ZelTMirrorAnswer& answer) override;

 protected:
  // At Start: each question's time-out (0 or below: the request's default).
  void OpenQuestions(long timeoutMs);

 private:
  std::string m_server;
  std::unique_ptr<zelclnt::mirror::PresenceQueries> m_queries;
};
