#pragma once
// The few socket calls the link relay makes, alike on POSIX and on Windows:
// a socket is a std::intptr_t there (a descriptor, or a Winsock SOCKET),
// -1 for none.

#include <cstdint>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zelsim {

using LoopbackSocket = std::intptr_t;

#ifdef _WIN32
// Winsock counts its start-ups; one for the process's lifetime is enough.
inline void StartSockets() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}
inline SOCKET Native(LoopbackSocket socket) { return static_cast<SOCKET>(socket); }
inline void CloseSocket(LoopbackSocket socket) { closesocket(Native(socket)); }
inline void ShutDown(LoopbackSocket socket) { shutdown(Native(socket), SD_BOTH); }
// An accept blocked on a listener ends only once it is closed.
inline void StopAccepting(LoopbackSocket listener) { CloseSocket(listener); }
inline void CloseListener(LoopbackSocket) {}
inline LoopbackSocket NewStreamSocket() {
  StartSockets();
  const SOCKET made = socket(AF_INET, SOCK_STREAM, 0);
  return made == INVALID_SOCKET ? -1 : static_cast<LoopbackSocket>(made);
}
inline LoopbackSocket AcceptOn(LoopbackSocket listener) {
  const SOCKET accepted = accept(Native(listener), nullptr, nullptr);
  return accepted == INVALID_SOCKET ? -1 : static_cast<LoopbackSocket>(accepted);
}
inline bool Interrupted() { return WSAGetLastError() == WSAEINTR; }
// A connection given up before it was accepted.
inline bool AcceptAgain() { return Interrupted() || WSAGetLastError() == WSAECONNRESET; }
inline long Receive(LoopbackSocket socket, char* buffer, std::size_t size) {
  return recv(Native(socket), buffer, static_cast<int>(size), 0);
}
inline long Send(LoopbackSocket socket, const char* data, std::size_t size) {
  return send(Native(socket), data, static_cast<int>(size), 0);
}
#else
inline int Native(LoopbackSocket socket) { return static_cast<int>(socket); }
inline void CloseSocket(LoopbackSocket socket) { close(Native(socket)); }
inline void ShutDown(LoopbackSocket socket) { shutdown(Native(socket), SHUT_RDWR); }
// Closing a listener would not end an accept blocked on it; shutting it down does.
inline void StopAccepting(LoopbackSocket listener) { ShutDown(listener); }
inline void CloseListener(LoopbackSocket listener) { CloseSocket(listener); }
inline LoopbackSocket NewStreamSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
inline LoopbackSocket AcceptOn(LoopbackSocket listener) { return accept4(Native(listener), nullptr, nullptr, SOCK_CLOEXEC); }
inline bool Interrupted() { return errno == EINTR; }
inline bool AcceptAgain() { return Interrupted() || errno == ECONNABORTED; }
inline long Receive(LoopbackSocket socket, char* buffer, std::size_t size) {
  return recv(Native(socket), buffer, size, 0);
}
inline long Send(LoopbackSocket socket, const char* data, std::size_t size) {
  return send(Native(socket), data, size, MSG_NOSIGNAL);
}
#endif

}  // namespace zelsim
