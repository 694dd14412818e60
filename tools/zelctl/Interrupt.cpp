#include "Interrupt.h"

#include <atomic>
#include <csignal>

namespace zelctl {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

}  // namespace

InterruptCatcher::InterruptCatcher() {
  g_interrupted = false;
  m_previous = std::signal(SIGINT, OnInterrupt);
}

InterruptCatcher::~InterruptCatcher() { std::signal(SIGINT, m_previous == SIG_ERR ? SIG_DFL : m_previous); }

bool InterruptCatcher::Caught() const { return g_interrupted; }

}  // namespace zelctl
