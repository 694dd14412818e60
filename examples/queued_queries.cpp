// Queries many agents from one thread without waiting for each: every
// query is started at once, and the answers are collected as they come,
// from the completion queue's descriptor in a poll loop of the program's
// own (an epoll, Asio or libuv loop would wait on it the same way).
//
//   queued_queries [server] [first user key] [agents]
//                  (default tcp://127.0.0.1:7300 42 8)
//
// Exits with 0 when every agent was answered, 1 otherwise.

#include <poll.h>

#include <zelclnt/zelclnt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::string server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";
  const long firstKey = argc > 2 ? std::atol(argv[2]) : 42;
  const long count = argc > 3 ? std::atol(argv[3]) : 8;

  ZelAPresenceServer api("queued-queries-example", "localhost");
  ZelTCompletionQueue queue;
  // Each request is its call's reply buffer: it stays put until handed back.
  std::vector<ZelTUserPresence> agents(static_cast<std::size_t>(count));
  for (long i = 0; i < count; ++i) {
    ZelTUserPresence& agent = agents[static_cast<std::size_t>(i)];
    agent.SetUserKey(firstKey + i);
    agent.SetUserID("agent" + std::to_string(firstKey + i));
    agent.SetAction(ZelTUserPresence::ACTION_QUERY);
    if (!api.Start(server, agent, queue)) {
      std::printf("%s: not started: %s\n", agent.GetUserID().c_str(), agent.GetCallOutcome().text.c_str());
      return 1;
    }
  }

  long answered = 0;
  while (queue.InFlight() > 0) {
    pollfd wanted{queue.Descriptor(), POLLIN, 0};
    if (poll(&wanted, 1, 30000) < 0) return 1;
    ZelTCompletionQueue::Completion done;
    while (queue.Next(done, 0)) {
      const auto& agent = static_cast<const ZelTUserPresence&>(*done.request);
      if (done.result != ZelTPresenceServer::ACTION_SUCCEEDED) {
        std::printf("%s: no answer: %s\n", agent.GetUserID().c_str(), done.request->GetCallOutcome().text.c_str());
        continue;
      }
      ++answered;
      std::printf("%s is %s\n", agent.GetUserID().c_str(),
                  ZelTRoutingState::ToString(agent.GetRoutingState().GetRoutingState()).c_str());
    }
  }
  std::printf("%ld of %ld agents answered from one thread\n", answered, count);
  return answered == count ? 0 : 1;
}
