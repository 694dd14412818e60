#include "ServerSource.h"

#include <utility>

namespace zelclnt::mirror {

ServerSource::ServerSource(std::string server) : ZelTServerQuestions(std::move(server)) {}

ServerSource::~ServerSource() = default;

bool ServerSource::Start(const Interest& interest, std::string* error) {
  auto receiver = std::make_unique<TEventReceiver>(Name(), interest.eventTypes, interest.userKeys);
  receiver->SetReceiveHighWaterMark(interest.highWaterMark);
  if (!receiver->Start(error)) return false;
  OpenQuestions(interest.queryTimeoutMs);
  m_receiver = std::move(receiver);
  return true;
}

bool ServerSource::WaitUntilSubscribed(long timeoutMs) { return m_receiver->WaitUntilSubscribed(timeoutMs); }

// The receiver is made before the mirror's driving thread starts, and kept.
void ServerSource::Stop() {
  if (TEventReceiver* receiver = m_receiver.get()) receiver->Stop();
}

void ServerSource::ResumeAfter(const TEventPosition& position) { m_receiver->ResumeAfter(position); }

TEventPosition ServerSource::Through() const { return m_receiver->Through(); }

bool ServerSource::Next(TEventNotice& notice, long timeoutMs) { return m_receiver->Next(notice, timeoutMs); }

void ServerSource::WakeOn(int descriptor) { m_receiver->WakeOn(descriptor); }

int ServerSource::Descriptor() { return m_receiver ? m_receiver->Descriptor() : -1; }

std::uint64_t ServerSource::Heard() const { return m_receiver->Heard(); }

}  // namespace zelclnt::mirror
