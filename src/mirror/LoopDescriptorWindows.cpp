#include "LoopDescriptor.h"

namespace zelclnt::mirror {

LoopDescriptor::~LoopDescriptor() = default;

bool LoopDescriptor::Open() { return false; }

void LoopDescriptor::WatchOnly(const std::vector<int>&) {}

void LoopDescriptor::WakeAt(TClock::time_point) {}

void LoopDescriptor::Latch() const {}

}  // namespace zelclnt::mirror
