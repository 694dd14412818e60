// Reads arbitrary bytes as a users-presence reply: as the users after a head
// that asks for them (the first byte picks the action result), and as a
// whole reply. Then walks, texts and packs again what was read.
#include <cstddef>
#include <cstdint>

#include "QuietDiagnostics.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

void Exercise(ZelTQueryUsersPresence& query) {
  const auto& users = query.GetUsersPresence();
  ZelTUserPresence user;
  for (users.First(); users.IsCurrentValid(); users.Next()) {
    users.GetCurrent(user);
    (void)user.ToString_UserInfo();
  }
  (void)ZelTQueryUsersPresence::QueryType_ToString(query.GetQueryType());
  query.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  TPack writer;
  query.PackRequest(writer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TPack body;
  body << true << (size > 0 ? data[0] % 2 : 0) << 0 << 0 << 1 << 6;
  if (size > 0) body.Append(data + 1, size - 1);
  ZelTQueryUsersPresence steered;
  TPack reader(body.Contents(), body.Length());
  steered.UnpackRequest(reader);
  Exercise(steered);

  TRPC rpc;
  rpc.SetReplyData(data, size);
  ZelTQueryUsersPresence reply;
  reply.UnpackRpcReply(rpc);
  Exercise(reply);
  return 0;
}
