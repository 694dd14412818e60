// Packs a server status call with the installed library.
#include <zelclnt/zelclnt.h>

int main() {
  ZelTServerStatus status;
  TRPC rpc;
  return status.PackRpcCall(rpc) == 0 && rpc.GetCallSize() > 0 ? 0 : 1;
}
