#include "zelclnt/platform/TMemory.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <unordered_map>

namespace {

struct Block {
  std::string source;
  std::size_t size;
};

struct Tracer {
  std::recursive_mutex lock;
  std::atomic<bool> on{false};
  std::atomic<int> failures{0};
  std::unordered_map<const void*, Block> blocks;
};

Tracer& TheTracer() {
  static Tracer tracer;
  return tracer;
}

std::string SourceOf(const char* file, int line) {
  return std::string(file ? file : "?") + ":" + std::to_string(line);
}

}  // namespace

void* TBaseMemory::Allocate(std::size_t size) { return std::malloc(size ? size : 1); }

void TBaseMemory::Deallocate(void* pointer) { std::free(pointer); }

void TMemory::SetTrace(bool on) { TheTracer().on = on; }

int TMemory::GetTrace() { return TheTracer().on ? 1 : 0; }

void TMemory::LockIt() { TheTracer().lock.lock(); }

void TMemory::UnlockIt() { TheTracer().lock.unlock(); }

void TMemory::FailNextAllocations(int count) { TheTracer().failures = count; }

void* TMemory::GetSomeMemory(std::size_t size, int line, const char* file) {
  Tracer& tracer = TheTracer();
  int pending = tracer.failures.load();
  while (pending > 0 && !tracer.failures.compare_exchange_weak(pending, pending - 1)) {
  }
  if (pending > 0) return nullptr;
  void* pointer = std::malloc(size ? size : 1);
  if (pointer && GetTrace()) MemReg(line, file, pointer, size);
  return pointer;
}

void TMemory::FreeSomeMemory(void* pointer, int line, const char* file, int) {
  if (!pointer) return;
  MemFree(line, file, pointer);
  std::free(pointer);
}

void TMemory::MemReg(int line, const char* file, const void* pointer, std::size_t size) {
  Tracer& tracer = TheTracer();
  std::lock_guard<std::recursive_mutex> guard(tracer.lock);
  tracer.blocks[pointer] = Block{SourceOf(file, line), size};
}

void TMemory::MemFree(int, const char*, const void* pointer) {
  Tracer& tracer = TheTracer();
  std::lock_guard<std::recursive_mutex> guard(tracer.lock);
  tracer.blocks.erase(pointer);
}

std::size_t TMemory::OutstandingBlocks() {
  Tracer& tracer = TheTracer();
  std::lock_guard<std::recursive_mutex> guard(tracer.lock);
  return tracer.blocks.size();
}

std::size_t TMemory::OutstandingBytes() {
  std::size_t bytes = 0;
  for (const SourceUsage& usage : Report()) bytes += usage.bytes;
  return bytes;
}

std::vector<TMemory::SourceUsage> TMemory::Report() {
  Tracer& tracer = TheTracer();
  std::map<std::string, SourceUsage> bySource;
  {
    std::lock_guard<std::recursive_mutex> guard(tracer.lock);
    for (const auto& entry : tracer.blocks) {
      SourceUsage& usage = bySource.try_emplace(entry.second.source, SourceUsage{entry.second.source, 0, 0}).first->second;
      ++usage.blocks;
      usage.bytes += entry.second.size;
    }
  }
  std::vector<SourceUsage> report;
  for (auto& entry : bySource) report.push_back(std::move(entry.second));
  return report;
}
