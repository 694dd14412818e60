#include "zelclnt/platform/TRPC.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "zelclnt/platform/TMemory.h"

namespace {

void CopyInto(std::vector<char>& target, const void* data, std::size_t length) {
  const char* bytes = static_cast<const char*>(data);
  if (bytes)
    target.assign(bytes, bytes + length);
  else
    target.clear();
}

}  // namespace

void TInFlightMark::Abort(const char* what) const {
  std::fprintf(stderr, "zelclnt: a %s (at %p) was %s while its call was in flight; it must stay put until the call ends\n",
               m_owner, static_cast<const void*>(this), what);
  std::abort();
}

void TRPC::SetCallData(const void* data, std::size_t length) { CopyInto(m_call, data, length); }

void TRPC::SetReplyData(const void* data, std::size_t length) {
  if (!data) length = 0;
  char* into = ReserveReply(length);
  if (!into) throw std::bad_alloc();
  if (length != 0) std::memcpy(into, data, length);
}

void TRPC::AdoptReplyData(const char* data, std::size_t length, std::shared_ptr<const void> owner) {
  m_reply.Resize(0);
  m_adopted = data;
  m_adoptedSize = data ? length : 0;
  m_replyOwner = std::move(owner);
}

char* TRPC::ReserveReply(std::size_t length) {
  m_replyOwner.reset();
  m_adopted = nullptr;
  m_adoptedSize = 0;
  return m_reply.Resize(length);
}

void TRPC::Reset() {
  ReplyStore kept = std::move(m_reply);
  std::vector<char> call = std::move(m_call);
  TCallOutcome outcome = std::move(m_outcome);
  outcome.Clear();
  *this = TRPC();
  m_outcome = std::move(outcome);
  m_reply = std::move(kept);
  m_reply.Resize(0);
  m_call = std::move(call);
  m_call.clear();
}

TRPC::ReplyStore::ReplyStore(const ReplyStore& other) {
  if (other.m_size == 0) return;
  if (!Resize(other.m_size)) throw std::bad_alloc();
  std::memcpy(m_data, other.m_data, other.m_size);
}

TRPC::ReplyStore& TRPC::ReplyStore::operator=(const ReplyStore& other) {
  if (this != &other) *this = ReplyStore(other);
  return *this;
}

TRPC::ReplyStore::ReplyStore(ReplyStore&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

TRPC::ReplyStore& TRPC::ReplyStore::operator=(ReplyStore&& other) noexcept {
  if (this == &other) return *this;
  TMemory::FreeSomeMemory(m_data, __LINE__, __FILE__, 0);
  m_data = std::exchange(other.m_data, nullptr);
  m_size = std::exchange(other.m_size, 0);
  m_capacity = std::exchange(other.m_capacity, 0);
  return *this;
}

TRPC::ReplyStore::~ReplyStore() { TMemory::FreeSomeMemory(m_data, __LINE__, __FILE__, 0); }

// Growth is what the memory tracer sees; a reply no larger than the last
// one allocates nothing.
char* TRPC::ReplyStore::Resize(std::size_t size) {
  if (size > m_capacity) {
    const bool traced = TMemory::GetTrace() != 0;
    if (traced) TMemory::LockIt();
    void* grown = TMemory::GetSomeMemory(size, __LINE__, __FILE__);
    if (grown) {
      TMemory::FreeSomeMemory(m_data, __LINE__, __FILE__, 0);
      m_data = static_cast<char*>(grown);
      m_capacity = size;
    }
    if (traced) TMemory::UnlockIt();
    if (!grown) {
      m_size = 0;
      return nullptr;
    }
  }
  m_size = size;
  // An empty reply still has somewhere to be written.
  static char nothing;
  return m_data ? m_data : &nothing;
}
