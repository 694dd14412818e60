#include "capi_calls.h"

#include <cstddef>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"
#include "zelclnt/zelclnt_c.h"

namespace zelbench {

void StatusCxx(benchmark::State& state, const std::string& endpoint) {
  ZelAPresenceServer api;
  ZelTServerStatus request;
  for (auto _ : state)
    if (api.QueryServerStatus(endpoint, request) != ZelTPresenceServer::ACTION_SUCCEEDED)
      return state.SkipWithError("query failed");
}

void StatusC(benchmark::State& state, const std::string& endpoint) {
  zel_client* client = zel_client_new(endpoint.c_str());
  zel_request* request = zel_server_status_new();
  for (auto _ : state)
    if (zel_call(client, request) != ZEL_OK) {
      state.SkipWithError("query failed");
      break;
    }
  zel_request_free(request);
  zel_client_free(client);
}

void UsersCxx(benchmark::State& state, const std::string& endpoint) {
  ZelAPresenceServer api;
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  for (auto _ : state) {
    if (api.QueryUsersPresence(endpoint, query) != ZelTPresenceServer::ACTION_SUCCEEDED)
      return state.SkipWithError("query failed");
    long sum = 0;
    for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
      sum += user->GetUserKey() + static_cast<long>(user->GetUserID().size()) + user->GetRoutingState().GetRoutingState();
    benchmark::DoNotOptimize(sum);
  }
  state.counters["users"] = static_cast<double>(query.GetUsersPresence().Size());
}

void UsersC(benchmark::State& state, const std::string& endpoint) {
  zel_client* client = zel_client_new(endpoint.c_str());
  zel_request* query = zel_users_new(ZEL_USERS_ALL);
  char id[64];
  for (auto _ : state) {
    if (zel_call(client, query) != ZEL_OK) {
      state.SkipWithError("query failed");
      break;
    }
    long sum = 0;
    for (std::size_t i = 0, count = zel_users_count(query); i < count; ++i) {
      const zel_user* user = zel_users_at(query, i);
      sum += zel_user_key(user) + static_cast<long>(zel_user_id(user, id, sizeof id)) + zel_user_routing_state(user);
    }
    benchmark::DoNotOptimize(sum);
  }
  zel_request_free(query);
  zel_client_free(client);
}

}  // namespace zelbench
