#pragma once
// A request (or user-presence API object) that waits for its caller's
// time-out instead of the library's default of 60 seconds: the library
// asks every request for its time-out when it sends it.

#include <utility>

namespace zelgw {

template <typename Request>
class Timed : public Request {
 public:
  template <typename... Arguments>
  explicit Timed(unsigned timeoutMs, Arguments&&... arguments)
      : Request(std::forward<Arguments>(arguments)...), m_timeoutMs(timeoutMs) {}

  unsigned int GetDefaultRpcTimeout() const override { return m_timeoutMs; }

 private:
  unsigned m_timeoutMs;
};

}  // namespace zelgw
