// A loopback HTTP server for one request, answered with a fixed status and body, keeping the
// request it read: shows what the sender puts on the wire on every platform (Winsock on
// Windows, where the Node server of the other tests does not run).
#pragma once
#include <string>
#include <thread>

namespace movra::test {

class CannedHttpServer {
 public:
  // Listens on a free loopback port; port() is 0 when that failed. A 3xx status comes with
  // a Location.
  CannedHttpServer(int status, std::string body);
  ~CannedHttpServer();  // waits for the one exchange (or ends the wait)
  CannedHttpServer(const CannedHttpServer&) = delete;
  CannedHttpServer& operator=(const CannedHttpServer&) = delete;

  int port() const { return port_; }
  // The request as read: the head, a blank line, the body. Call after the sender returned.
  std::string request();

 private:
  void serve();

  int status_;
  std::string body_;
  int port_ = 0;
  long long listener_ = -1;
  std::string request_;
  std::thread thread_;
};

}  // namespace movra::test
