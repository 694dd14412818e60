#pragma once
// Ctrl-C ends a command that runs until stopped (watch, top) instead of
// the process, so that it ends as if its time were up.

namespace zelctl {

class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // Ctrl-C came since this catcher was made.
  bool Caught() const;

 private:
  void (*m_previous)(int);
};

}  // namespace zelctl
