#pragma once
// The framework's traced memory.
//
// TBaseMemory hands out plain buffers (the framework string's, for one).
// TMemory hands out buffers that, while tracing is on, are counted per source
// location until released, so that a test or a tool can tell what is still
// outstanding. Callers bracket their calls with LockIt/UnlockIt when GetTrace
// is nonzero; the lock is recursive and the tracer's own, so the bracket and
// the tracer's internal locking nest. All members are thread-safe.

#include <cstddef>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "zelclnt/platform/TBaseException.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API TBaseMemory {
 public:
  static void* Allocate(std::size_t size);
  static void Deallocate(void* pointer);
};

class ZELCLNT_API TMemory {
 public:
  struct SourceUsage {
    std::string source;  // "file:line" of the allocation
    std::size_t blocks;
    std::size_t bytes;
  };

  static void SetTrace(bool on);
  static int GetTrace();
  static void LockIt();
  static void UnlockIt();

  // Null when no memory can be had.
  static void* GetSomeMemory(std::size_t size, int line, const char* file);
  static void FreeSomeMemory(void* pointer, int line, const char* file, int flags);

  // Registration of objects made with a tracked new.
  static void MemReg(int line, const char* file, const void* pointer, std::size_t size);
  static void MemFree(int line, const char* file, const void* pointer);

  static std::size_t OutstandingBlocks();
  static std::size_t OutstandingBytes();
  static std::vector<SourceUsage> Report();

  // Test hook: the next `count` calls of GetSomeMemory yield no memory.
  static void FailNextAllocations(int count);

  // A tracked new: registers the object while tracing; throws TBaseException
  // (severity 2, error 1001) when no memory can be had.
  template <typename T, typename... Args>
  static T* New(int line, const char* file, Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object) throw TBaseException(2, 1001, file, line, 4384, 0);
    if (GetTrace()) {
      LockIt();
      MemReg(line, file, object, sizeof(T));
      UnlockIt();
    }
    return object;
  }

  template <typename T>
  static void Delete(T* object, int line, const char* file) {
    if (!object) return;
    if (GetTrace()) {
      LockIt();
      MemFree(line, file, object);
      UnlockIt();
    }
    delete object;
  }
};
