#include "ServerSource.h"

#include <utility>

#include "PresenceQueries.h"

namespace zelclnt::mirror {

ServerSource::ServerSource(std::string server) : m_server(std::move(server)) {}

ServerSource::~ServerSource() = default;

bool ServerSource::Start(const Interest& interest, std::string* error) {
  auto receiver = std::make_unique<TEventReceiver>(m_server, interest.eventTypes, interest.userKeys);
  receiver->SetReceiveHighWaterMark(interest.highWaterMark);
  if (!receiver->Start(error)) return false;
  m_queries = std::make_unique<PresenceQueries>(m_server, interest.queryTimeoutMs);
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

bool ServerSource::AskAll(std::string* why) { return m_queries->AskAll(why); }

bool ServerSource::AskUser(long userKey, const std::string& userId, std::string* why) {
  return m_queries->AskUser(userKey, userId, why);
}

void ServerSource::Cancel(long userKey) { m_queries->Cancel(userKey); }

void ServerSource::CancelAll() { m_queries->CancelAll(); }

std::size_t ServerSource::InFlight() const { return m_queries->InFlight(); }

int ServerSource::AnswerDescriptor() { return m_queries->Descriptor(); }

bool ServerSource::NextAnswer(ZelTMirrorAnswer& answer) { return m_queries->Next(answer); }

}  // namespace zelclnt::mirror
