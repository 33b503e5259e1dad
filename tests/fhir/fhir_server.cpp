#include "fhir_server.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "temp_dir.h"

namespace movra::test {

FhirServer::~FhirServer() {
  if (stdin_ >= 0) close(stdin_);
  if (pid_ <= 0) return;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    usleep(50000);
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

bool FhirServer::start(const std::vector<std::string>& args, int timeoutMs) {
  for (size_t i = 0; i < args.size(); ++i) tls_ = tls_ || args[i] == "--tls";
  std::vector<std::string> argv = {"node", "--experimental-websocket", SourceDir() + "/tests/fhir/node/fhir-server.mjs"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    error_ = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    execvp("node", cargv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  stdin_ = in[1];
  // The first line is the port; stderr goes to the test's own output.
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (line.find('\n') == std::string::npos) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    pollfd p{out[0], POLLIN, 0};
    char buf[64];
    ssize_t n = left > 0 && poll(&p, 1, left) > 0 ? read(out[0], buf, sizeof buf) : -1;
    if (n <= 0) {
      error_ = "the FHIR server did not start (scripts/install-deps installs node and @medplum/fhir-router)";
      close(out[0]);
      return false;
    }
    line.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  port_ = std::atoi(line.c_str());
  return port_ > 0;
}

std::string FhirServer::baseUrl() const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/fhir";
}

namespace {
size_t Collect(char* data, size_t size, size_t count, void* into) {
  static_cast<std::string*>(into)->append(data, size * count);
  return size * count;
}
}  // namespace

std::string HttpGet(const std::string& url) {
  std::string body;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  if (curl_easy_perform(curl) != CURLE_OK) body.clear();
  curl_easy_cleanup(curl);
  return body;
}

bool MakeSelfSignedCertificate(const std::string& folder) {
  std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                        "-subj /CN=localhost -addext subjectAltName=IP:127.0.0.1,DNS:localhost -keyout '" +
                        folder + "/key.pem' -out '" + folder + "/cert.pem' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace movra::test
