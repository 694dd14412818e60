#include "zelclnt/mirror/ZelTServerQuestions.h"

#include <utility>

#include "PresenceQueries.h"

using zelclnt::mirror::PresenceQueries;

ZelTServerQuestions::ZelTServerQuestions(std::string server) : m_server(std::move(server)) {}

ZelTServerQuestions::~ZelTServerQuestions() = default;

void ZelTServerQuestions::OpenQuestions(long timeoutMs) {
  m_queries = std::make_unique<PresenceQueries>(m_server, timeoutMs);
}

bool ZelTServerQuestions::AskAll(std::string* why) { return m_queries->AskAll(why); }

bool ZelTServerQuestions::AskUser(long userKey, const std::string& userId, std::string* why) {
  return m_queries->AskUser(userKey, userId, why);
}

void ZelTServerQuestions::Cancel(long userKey) { m_queries->Cancel(userKey); }

void ZelTServerQuestions::CancelAll() { m_queries->CancelAll(); }

std::size_t ZelTServerQuestions::InFlight() const { return m_queries->InFlight(); }

int ZelTServerQuestions::AnswerDescriptor() { return m_queries->Descriptor(); }

bool ZelTServerQuestions::NextAnswer(ZelTMirrorAnswer& answer) { return m_queries->Next(answer); }
