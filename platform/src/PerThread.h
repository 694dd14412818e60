#pragma once
// One T for each thread that asks, made on its first use there and
// destroyed when the thread ends. A thread_local object would do on Linux,
// but mingw-w64 frees a thread's thread_local storage before it runs the
// destructors of what that storage holds: they then run on freed memory.
// Kept as a function's static: it is never destroyed itself.

#include <pthread.h>

#include <utility>

namespace zelplatform {

template <typename T>
class PerThread {
 public:
  PerThread() { pthread_key_create(&m_key, [](void* object) { delete static_cast<T*>(object); }); }
  PerThread(const PerThread&) = delete;
  PerThread& operator=(const PerThread&) = delete;

  template <typename... Args>
  T& Get(Args&&... made) {
    if (void* held = pthread_getspecific(m_key)) return *static_cast<T*>(held);
    T* object = new T(std::forward<Args>(made)...);
    pthread_setspecific(m_key, object);
    return *object;
  }

 private:
  pthread_key_t m_key{};
};

}  // namespace zelplatform
