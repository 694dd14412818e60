#include "zelclnt/platform/TRPC.h"

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

void TRPC::SetReplyData(const void* data, std::size_t length) { CopyInto(m_reply, data, length); }
