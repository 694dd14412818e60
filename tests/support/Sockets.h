#pragma once
// Loopback sockets for tests that speak bytes to a server by hand, alike on
// POSIX and on Winsock.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <string>

#ifdef _WIN32
using SocketHandle = SOCKET;

// Winsock counts its users: this one stays for the process.
inline SocketHandle OpenStreamSocket() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started ? ::socket(AF_INET, SOCK_STREAM, 0) : INVALID_SOCKET;
}
inline int PollSockets(pollfd* sockets, unsigned count, int milliseconds) {
  return ::WSAPoll(sockets, count, milliseconds);
}
inline long ReadSocket(SocketHandle socket, char* buffer, std::size_t size) {
  return ::recv(socket, buffer, static_cast<int>(size), 0);
}
inline long WriteSocket(SocketHandle socket, const char* bytes, std::size_t size) {
  return ::send(socket, bytes, static_cast<int>(size), 0);
}
inline void CloseSocket(SocketHandle socket) { ::closesocket(socket); }
#else
using SocketHandle = int;

inline SocketHandle OpenStreamSocket() { return ::socket(AF_INET, SOCK_STREAM, 0); }
inline int PollSockets(pollfd* sockets, unsigned count, int milliseconds) {
  return ::poll(sockets, count, milliseconds);
}
inline long ReadSocket(SocketHandle socket, char* buffer, std::size_t size) { return ::read(socket, buffer, size); }
// A peer gone already is no matter: no SIGPIPE.
inline long WriteSocket(SocketHandle socket, const char* bytes, std::size_t size) {
  return ::send(socket, bytes, size, MSG_NOSIGNAL);
}
inline void CloseSocket(SocketHandle socket) { ::close(socket); }
#endif
