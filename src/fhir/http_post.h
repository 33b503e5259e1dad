// One HTTP POST, done by the system's HTTP library (libcurl on Linux, WinHTTP on Windows).
#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace movra {

enum class HttpFailure { None, CannotConnect, TimedOut, Certificate, Other };

struct HttpAnswer {
  HttpFailure failure = HttpFailure::Other;
  long status = 0;     // the HTTP status when an answer came
  std::string body;
  std::string detail;  // the library's own words when it failed
};

// `headers` as "Name: value". Certificates are verified; redirects are not followed.
HttpAnswer HttpPost(const std::string& url, const std::string& body, const std::vector<std::string>& headers,
                    std::chrono::milliseconds timeout);

}  // namespace movra
