// What unpacking a users-presence reply holds: the peak while 100,000 full
// user records are read against what the records keep afterwards, and what
// a hostile reply of minimal records makes a client build per byte sent.
// Runs in its own executable, beside allocation_meter.cpp.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>
#include <string>

#include "allocation_meter.h"
#include "full_users.h"
#include "zelclnt/platform/TPack.h"

namespace {

using zelbench::Footprint;

// Only the reply's bytes stay: the records it was packed from would count.
std::string FullUsersBody(int users) {
  ZelTQueryUsersPresence query;
  zelbench::FillAnsweredQuery(query, users);
  return zelbench::BodyOf(query);
}

Footprint Unpack(const std::string& body) {
  const zelbench::FootprintMark mark;
  auto query = std::make_unique<ZelTQueryUsersPresence>();
  TPack reader(body.data(), static_cast<unsigned long>(body.size()));
  query->UnpackRequest(reader);
  return mark.Since(query->GetUsersPresence().Size());
}

// A record refused by its own action result is only its head: user key,
// empty user id, common part, action, key and id again.
std::string MinimalRecordsReply(std::size_t bytes) {
  ZelTQueryUsersPresence query;
  query.SetAction(ZelTQueryUsersPresence::ACTION_QUERY);
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  query.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  ZelTUserPresence user;
  user.SetAction(ZelTUserPresence::ACTION_QUERY);
  user.SetActionResult(ZelTPresenceServer::ACTION_NOT_CARRIED_OUT);
  TPack record(0);
  record << user.GetUserKey() << user.GetUserID() << user;
  TPack pack;
  pack << query << query.GetQueryType();
  const int count = static_cast<int>((bytes - pack.Length() - 4) / record.BufferSizeRequired());
  pack << count;
  for (int i = 0; i < count; ++i) pack << user.GetUserKey() << user.GetUserID() << user;
  return std::string(pack.Contents(), pack.Length());
}

void BM_UnpackUsersPresenceMemory(benchmark::State& state) {
  const std::string body = FullUsersBody(static_cast<int>(state.range(0)));
  Footprint footprint;
  for (auto _ : state) footprint = Unpack(body);
  if (footprint.records != state.range(0)) state.SkipWithError("not every record was read");
  zelbench::ReportFootprint(state, footprint, body.size());
}

void BM_HostileUsersPresenceMemory(benchmark::State& state) {
  const std::string body = MinimalRecordsReply(static_cast<std::size_t>(state.range(0)));
  Footprint footprint;
  for (auto _ : state) footprint = Unpack(body);
  zelbench::ReportAmplification(state, footprint, body.size());
}

BENCHMARK(BM_UnpackUsersPresenceMemory)->Arg(100000)->Iterations(1);
BENCHMARK(BM_HostileUsersPresenceMemory)->Arg(1 << 20)->Iterations(1);

}  // namespace
