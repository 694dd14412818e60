#include "zelclnt/platform/TRPC.h"

#include <utility>

namespace {

void CopyInto(std::vector<char>& target, const void* data, std::size_t length) {
  const char* bytes = static_cast<const char*>(data);
  if (bytes)
    target.assign(bytes, bytes + length);
  else
    target.clear();
}

}  // namespace

void TRPC::SetCallData(const void* data, std::size_t length) { CopyInto(m_call, data, length); }

void TRPC::SetReplyData(const void* data, std::size_t length) {
  m_replyOwner.reset();
  CopyInto(m_reply, data, length);
}

void TRPC::AdoptReplyData(const char* data, std::size_t length, std::shared_ptr<const void> owner) {
  m_reply.clear();
  m_adopted = data;
  m_adoptedSize = data ? length : 0;
  m_replyOwner = std::move(owner);
}
