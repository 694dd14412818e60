// Reads a request header and a reply header from the same bytes.
#include <cstddef>
#include <cstdint>

#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TPack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TPack requestPack(data, static_cast<unsigned long>(size));
  TMsgRequestHdr request(0, 0, 0, 0);
  requestPack >> request;

  TPack replyPack(data, static_cast<unsigned long>(size));
  TMsgReplyHdr reply;
  replyPack >> reply;
  (void)reply.SizeOfReplyHdrObj();
  return 0;
}
