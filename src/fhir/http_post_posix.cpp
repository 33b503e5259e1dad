// The POST through libcurl.
#include <curl/curl.h>

#include <mutex>

#include "fhir/http_post.h"

namespace movra {

namespace {

size_t Collect(char* data, size_t size, size_t count, void* into) {
  static_cast<std::string*>(into)->append(data, size * count);
  return size * count;
}

HttpFailure FailureOf(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
      return HttpFailure::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return HttpFailure::TimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
      return HttpFailure::Certificate;
    default:
      return HttpFailure::Other;
  }
}

}  // namespace

HttpAnswer HttpPost(const std::string& url, const std::string& body, const std::vector<std::string>& headers,
                    std::chrono::milliseconds timeout) {
  // curl_global_init is not thread-safe in older libcurl: once, before the first handle.
  static std::once_flag global;
  std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  HttpAnswer answer;
  CURL* curl = curl_easy_init();
  if (!curl) {
    answer.detail = "libcurl cannot start";
    return answer;
  }
  curl_slist* list = nullptr;
  for (const std::string& h : headers) list = curl_slist_append(list, h.c_str());
  char error[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  CURLcode code = curl_easy_perform(curl);
  if (code == CURLE_OK) {
    answer.failure = HttpFailure::None;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
  } else {
    answer.failure = FailureOf(code);
    answer.detail = *error ? error : curl_easy_strerror(code);
  }
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  return answer;
}

}  // namespace movra
