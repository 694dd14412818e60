// Uses the library as a program outside the tree does: packs a server status
// call, and checks that a failed call's WARN line names its source file from
// the library's root rather than the machine that built it.
#include <zelclnt/zelclnt.h>

#include <cstdio>
#include <string>

int main() {
  ZelTServerStatus status;
  TRPC rpc;
  if (status.PackRpcCall(rpc) != 0 || rpc.GetCallSize() == 0) return 1;

  std::string warned;
  TDiag::SetSink([&warned](TDiag::enDiagType type, unsigned short, const std::string& file, const std::string&) {
    if (type == TDiag::WARN) warned = file;
  });
  ZelAPresenceServer api("consumer", "test");
  api.QueryServerStatus("inproc://nobody-serves-this", status);
  TDiag::SetSink(nullptr);
  if (warned != "src/core/ZelAPresenceServer.cpp") {
    std::fprintf(stderr, "WARN line names \"%s\"\n", warned.c_str());
    return 1;
  }
  return 0;
}
