#include "online/tcp_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text.h"

namespace vaultora {

void RaiseSocketError(int code, const char* api) {
  throw ESocketError(
      Format("Windows socket error: %s (%d), on API '%s'", std::strerror(code), code, api), code);
}

// A host name's first IPv4 address, looked up when connecting (on the worker's thread).
in_addr Resolve(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result != 0 || !found)
    throw ESocketError("The host name \"" + host + "\" could not be resolved: " +
                           (result == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(result)),
                       EHOSTUNREACH);
  const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  ::freeaddrinfo(found);
  return address;
}

void TSocketCanceller::Cancel() {
  std::lock_guard<std::mutex> lock(FMutex);
  FCancelled = true;
  if (FHandle >= 0) ::shutdown(FHandle, SHUT_RDWR);
}

bool TSocketCanceller::Cancelled() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FCancelled;
}

bool TSocketCanceller::Attach(int handle) {
  std::lock_guard<std::mutex> lock(FMutex);
  if (FCancelled) return false;
  FHandle = handle;
  return true;
}

void TSocketCanceller::Close(int handle) {
  std::lock_guard<std::mutex> lock(FMutex);
  if (FHandle == handle) FHandle = -1;
  ::close(handle);
}

void TTcpSocket::Connect(const std::string& address, int port, int timeoutMs) {
  Close();
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  if (address.empty()) RaiseSocketError(EINVAL, "connect");
  if (inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) peer.sin_addr = Resolve(address);
  const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle < 0) RaiseSocketError(errno, "socket");
  if (FCanceller && !FCanceller->Attach(handle)) {
    ::close(handle);
    RaiseSocketError(ECANCELED, "connect");
  }
  FHandle = handle;
  SetTimeout(timeoutMs);  // a send time-out also bounds the connect
  if (::connect(handle, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    // A blocking connect that ran out of its send time-out reports EINPROGRESS on Linux.
    const int code = errno == EINPROGRESS ? ETIMEDOUT : errno;
    Close();
    RaiseSocketError(code, "connect");
  }
  SetNoDelay();
}

void TTcpSocket::Close() {
  if (FHandle >= 0) {
    if (FCanceller)
      FCanceller->Close(FHandle);
    else
      ::close(FHandle);
  }
  FHandle = -1;
}

namespace {

timeval TimeoutOf(int timeoutMs) {
  timeval tv{};
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  return tv;
}

}  // namespace

void TTcpSocket::SetTimeout(int timeoutMs) {
  const timeval tv = TimeoutOf(timeoutMs);
  if (::setsockopt(FHandle, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0 ||
      ::setsockopt(FHandle, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) != 0)
    RaiseSocketError(errno, "setsockopt");
}

void TTcpSocket::SetReceiveTimeout(int timeoutMs) {
  const timeval tv = TimeoutOf(timeoutMs);
  if (::setsockopt(FHandle, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0)
    RaiseSocketError(errno, "setsockopt");
}

void TTcpSocket::SetNoDelay() {
  const int on = 1;
  ::setsockopt(FHandle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int64_t TTcpSocket::SendSome(const void* data, int64_t count) {
  if (FHandle < 0) {
    errno = ENOTCONN;
    return -1;
  }
  ssize_t sent;
  do {
    sent = ::send(FHandle, data, static_cast<size_t>(count), MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent;
}

void TTcpSocket::SendAll(const void* data, int64_t count) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    const int64_t sent = SendSome(p, count);
    if (sent <= 0) RaiseSocketError(sent == 0 ? EPIPE : errno, "send");
    p += sent;
    count -= sent;
  }
}

int64_t TTcpSocket::ReceiveSome(void* data, int64_t count) {
  if (FHandle < 0) RaiseSocketError(ENOTCONN, "recv");
  ssize_t got;
  do {
    got = ::recv(FHandle, data, static_cast<size_t>(count), 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) RaiseSocketError(errno, "recv");
  return got;
}

void TTcpSocket::ReceiveExact(void* data, int64_t count) {
  auto* p = static_cast<uint8_t*>(data);
  while (count > 0) {
    const int64_t got = ReceiveSome(p, count);
    if (got == 0) RaiseSocketError(ECONNRESET, "recv");
    p += got;
    count -= got;
  }
}

int TTcpListener::Listen(const std::string& address, int port, int backlog) {
  Close();
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) RaiseSocketError(EINVAL, "bind");
  FHandle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FHandle < 0) RaiseSocketError(errno, "socket");
  const int on = 1;
  ::setsockopt(FHandle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(FHandle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
    RaiseSocketError(errno, "bind");
  if (::listen(FHandle, backlog) != 0) RaiseSocketError(errno, "listen");
  socklen_t length = sizeof local;
  ::getsockname(FHandle, reinterpret_cast<sockaddr*>(&local), &length);
  return ntohs(local.sin_port);
}

int TTcpListener::Accept(std::string* peer, uint32_t* address) {
  sockaddr_in from{};
  socklen_t length = sizeof from;
  const int handle = ::accept4(FHandle, reinterpret_cast<sockaddr*>(&from), &length, SOCK_CLOEXEC);
  if (handle >= 0 && address != nullptr) *address = ntohl(from.sin_addr.s_addr);
  if (handle >= 0 && peer != nullptr) {
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    *peer = Format("%s:%d", text, ntohs(from.sin_port));
  }
  return handle;
}

void TTcpListener::Shutdown() {
  if (FHandle >= 0) ::shutdown(FHandle, SHUT_RDWR);
}

void TTcpListener::Close() {
  if (FHandle >= 0) ::close(FHandle);
  FHandle = -1;
}

}  // namespace vaultora
