#include "canned_http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
static void CloseSocket(Socket s) { closesocket(s); }
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
static void CloseSocket(Socket s) { close(s); }
#endif

#include <cctype>
#include <cstdlib>

namespace movra::test {

CannedHttpServer::CannedHttpServer(int status, std::string body) : status_(status), body_(std::move(body)) {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
  Socket s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 1) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    CloseSocket(s);
    return;
  }
  listener_ = static_cast<long long>(s);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { serve(); });
}

CannedHttpServer::~CannedHttpServer() {
  // Shutting the listener down ends an accept that nobody will satisfy.
  if (listener_ != -1) {
    shutdown(static_cast<Socket>(listener_), 2);
    CloseSocket(static_cast<Socket>(listener_));
  }
  if (thread_.joinable()) thread_.join();
}

std::string CannedHttpServer::request() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

void CannedHttpServer::serve() {
  Socket c = accept(static_cast<Socket>(listener_), nullptr, nullptr);
#ifdef _WIN32
  if (c == INVALID_SOCKET) return;
#else
  if (c < 0) return;
#endif
  // The head, then as many bytes as Content-Length says.
  size_t need = std::string::npos;
  char buf[4096];
  while (need == std::string::npos || request_.size() < need) {
    int n = recv(c, buf, sizeof buf, 0);
    if (n <= 0) break;
    request_.append(buf, static_cast<size_t>(n));
    size_t headEnd = request_.find("\r\n\r\n");
    if (need == std::string::npos && headEnd != std::string::npos) {
      std::string head = request_.substr(0, headEnd);
      for (char& ch : head) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      size_t at = head.find("content-length:");
      need = headEnd + 4 + (at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 15, nullptr, 10));
    }
  }
  // A redirect names a place to go, which a sender must not follow.
  std::string location = status_ / 100 == 3 ? "Location: /elsewhere\r\n" : "";
  std::string answer = "HTTP/1.1 " + std::to_string(status_) + " Canned\r\nContent-Type: application/fhir+json\r\n" +
                       location + "Content-Length: " + std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
  send(c, answer.data(), static_cast<int>(answer.size()), 0);
  CloseSocket(c);
}

}  // namespace movra::test
