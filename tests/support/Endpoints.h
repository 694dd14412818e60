#pragma once
// Endpoints no other test uses: inproc names with a counter, ipc paths in a
// folder of this process's own (removed when it exits), tcp ports the
// system handed out. Suites run side by side and tests in any order.

#include <string>
#include <vector>

std::string UniqueInproc(const std::string& stem);
// Windows has no ipc transport: there a loopback tcp name as
// TcpWithFreeEventsPort gives.
std::string UniqueIpc(const std::string& stem);
// A loopback port that nobody listens on any more.
std::string ClosedTcpEndpoint();
// A loopback server name whose events port (one above) was free.
std::string TcpWithFreeEventsPort();
// One server name of each transport: inproc, tcp, ipc (not on Windows).
std::vector<std::string> EveryTransport(const std::string& stem);
