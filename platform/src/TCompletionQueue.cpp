#include "zelclnt/platform/TCompletionQueue.h"

#include <chrono>

#include "AsyncEngine.h"

using zelplatform::AsyncEngine;
using zelplatform::Clock;

TCompletionQueue::TCompletionQueue() : m_engine(std::make_unique<AsyncEngine>(AsyncEngine::Leasing::AtOnce)) {}

TCompletionQueue::~TCompletionQueue() = default;

bool TCompletionQueue::Next(Completion& completion, long timeoutMs) {
  const Clock::time_point until =
      timeoutMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
  AsyncEngine::Ended ended;
  if (!m_engine->Next(ended, until)) return false;
  completion = std::move(ended.completion);
  return true;
}

int TCompletionQueue::Descriptor() { return m_engine->Descriptor(); }

bool TCompletionQueue::Cancel(const TRPC& rpc) { return m_engine->Cancel(rpc); }

void TCompletionQueue::Shutdown() { m_engine->Shutdown(); }

std::size_t TCompletionQueue::InFlight() const { return m_engine->InFlight(); }
