// The POST through WinHTTP, the system's own HTTP client: nothing to ship beside the program,
// and certificates checked against the Windows store.
#include "app/win32_strings.h"
// winhttp.h after windows.h
#include <winhttp.h>

#include "fhir/http_post.h"

namespace movra {

namespace {

// Closes a WinHTTP handle when the call ends.
struct Handle {
  HINTERNET h = nullptr;
  ~Handle() {
    if (h) WinHttpCloseHandle(h);
  }
};

HttpFailure FailureOf(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
      return HttpFailure::TimedOut;
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return HttpFailure::CannotConnect;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
      return HttpFailure::Certificate;
    default:
      return HttpFailure::Other;
  }
}

HttpAnswer Failed(DWORD code) {
  HttpAnswer a;
  a.failure = FailureOf(code);
  a.detail = "WinHTTP error " + std::to_string(code);
  return a;
}

}  // namespace

HttpAnswer HttpPost(const std::string& url, const std::string& body, const std::vector<std::string>& headers,
                    std::chrono::milliseconds timeout) {
  std::wstring wideUrl = Utf8ToWide(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) return Failed(GetLastError());
  std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path += std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";
  bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

  Handle session{WinHttpOpen(L"Movra", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0)};
  if (!session.h)  // before Windows 8.1
    session.h = WinHttpOpen(L"Movra", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session.h) return Failed(GetLastError());
  int ms = static_cast<int>(timeout.count());
  WinHttpSetTimeouts(session.h, ms, ms, ms, ms);
  Handle connection{WinHttpConnect(session.h, host.c_str(), parts.nPort, 0)};
  if (!connection.h) return Failed(GetLastError());
  Handle req{WinHttpOpenRequest(connection.h, L"POST", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0)};
  if (!req.h) return Failed(GetLastError());
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(req.h, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
  std::wstring allHeaders;
  for (const std::string& h : headers) allHeaders += Utf8ToWide(h) + L"\r\n";
  if (!WinHttpSendRequest(req.h, allHeaders.c_str(), static_cast<DWORD>(-1L), const_cast<char*>(body.data()),
                          static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0) ||
      !WinHttpReceiveResponse(req.h, nullptr))
    return Failed(GetLastError());

  HttpAnswer answer;
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(req.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                           &status, &size, WINHTTP_NO_HEADER_INDEX))
    return Failed(GetLastError());
  for (;;) {
    char buf[8192];
    DWORD got = 0;
    if (!WinHttpReadData(req.h, buf, sizeof buf, &got)) return Failed(GetLastError());
    if (got == 0) break;
    answer.body.append(buf, got);
  }
  answer.failure = HttpFailure::None;
  answer.status = static_cast<long>(status);
  return answer;
}

}  // namespace movra
