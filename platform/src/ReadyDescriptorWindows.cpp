#include "ReadyDescriptor.h"

namespace zelplatform {

ReadyDescriptor::~ReadyDescriptor() = default;

bool ReadyDescriptor::Open() { return false; }

bool ReadyDescriptor::Watch(int) const { return false; }

void ReadyDescriptor::WatchOnly(const std::vector<int>&) {}

void ReadyDescriptor::Signal(bool on) { m_signalled = on; }

void ReadyDescriptor::WakeIn(std::chrono::steady_clock::duration) {}

void ReadyDescriptor::NoWake() {}

void ReadyDescriptor::Latch() const {}

}  // namespace zelplatform
