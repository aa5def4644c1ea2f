#pragma once
// TTcpSocket: one blocking IPv4 TCP socket with receive and send time-outs, so that no read
// waits for ever on a peer that stopped answering. Failures raise ESocketError with the text
// "Windows socket error: %s (%d), on API '%s'" (the system's message, errno and the call),
// which peers and logs rely on. The client's data channel and the server share it. An instance
// belongs to one thread.

#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace vaultora {

class ESocketError : public std::runtime_error {
 public:
  ESocketError(const std::string& text, int code) : std::runtime_error(text), FCode(code) {}
  int Code() const { return FCode; }

 private:
  int FCode;
};

// Raises ESocketError for errno `code` of the call `api`.
[[noreturn]] void RaiseSocketError(int code, const char* api);

// Lets another thread break off a socket's blocking calls. Cancel shuts the socket down
// (shutdown(2)), so that a blocked connect, receive or send returns at once with an error, and
// makes every later Connect of the socket fail with ECANCELED. The socket closes its descriptor
// under the same lock, so Cancel never reaches a descriptor number that the system has handed
// out again after the owner closed it. Thread-safe; shared by the socket's owner and the thread
// that may cancel it.
class TSocketCanceller {
 public:
  void Cancel();
  bool Cancelled() const;

 private:
  friend class TTcpSocket;
  bool Attach(int handle);  // false (nothing attached) once cancelled
  void Close(int handle);   // detaches and closes

  mutable std::mutex FMutex;
  int FHandle = -1;
  bool FCancelled = false;
};

class TTcpSocket {
 public:
  static constexpr int kDefaultTimeoutMs = 60000;

  TTcpSocket() = default;
  explicit TTcpSocket(int handle) : FHandle(handle) {}  // takes over an accepted socket
  ~TTcpSocket() { Close(); }
  TTcpSocket(const TTcpSocket&) = delete;
  TTcpSocket& operator=(const TTcpSocket&) = delete;

  // A dotted IPv4 address, or a host name looked up here (its first IPv4 address); a name that
  // does not resolve raises ESocketError saying so.
  void Connect(const std::string& address, int port, int timeoutMs);
  void Close();
  bool Connected() const { return FHandle >= 0; }
  int Handle() const { return FHandle; }

  // Applies to every later receive and send; 0 waits for ever.
  void SetTimeout(int timeoutMs);
  // The same for receives alone.
  void SetReceiveTimeout(int timeoutMs);
  // Turns off the small-packet delay, so short requests and replies go out at once.
  void SetNoDelay();
  // From the next Connect on, another thread may break off this socket's calls through canceller.
  void SetCanceller(std::shared_ptr<TSocketCanceller> canceller) {
    FCanceller = std::move(canceller);
  }
  // The canceller has broken off this socket's calls (their errors are the stop's doing).
  bool Cancelled() const { return FCanceller && FCanceller->Cancelled(); }

  // One send call: the bytes taken, or -1 on failure (errno kept), never an exception.
  int64_t SendSome(const void* data, int64_t count);
  // Sends everything; raises on failure.
  void SendAll(const void* data, int64_t count);
  // One receive call: the bytes read, 0 when the peer closed; raises on failure or time-out.
  int64_t ReceiveSome(void* data, int64_t count);
  // Reads exactly count bytes; raises on failure, time-out or a peer that closes first.
  void ReceiveExact(void* data, int64_t count);

 private:
  int FHandle = -1;
  std::shared_ptr<TSocketCanceller> FCanceller;
};

// A listening IPv4 socket: the server's, and the scripted peers of tests and benchmarks.
class TTcpListener {
 public:
  TTcpListener() = default;
  ~TTcpListener() { Close(); }
  TTcpListener(const TTcpListener&) = delete;
  TTcpListener& operator=(const TTcpListener&) = delete;

  // Binds and listens; port 0 picks a free one. Returns the port. Raises ESocketError.
  int Listen(const std::string& address, int port, int backlog = 64);
  // A new connection's handle, or -1 with errno set; peer gets "a.b.c.d:port", address the
  // peer's IPv4 address in host order.
  int Accept(std::string* peer = nullptr, uint32_t* address = nullptr);
  // Wakes a thread blocked in Accept; later accepts fail.
  void Shutdown();
  void Close();

 private:
  int FHandle = -1;
};

}  // namespace vaultora
