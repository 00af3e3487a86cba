// Requests to the loopback test server, its request log included.
#include "testsupport.h"

#include <wininet.h>

namespace ts {

namespace {
class InetHandle {
 public:
  explicit InetHandle(HINTERNET h) : m_h(h) {}
  ~InetHandle() { if (m_h) InternetCloseHandle(m_h); }
  InetHandle(const InetHandle&) = delete;
  InetHandle& operator=(const InetHandle&) = delete;
  HINTERNET Get() const { return m_h; }

 private:
  HINTERNET m_h;
};
}  // namespace

bool HttpGet(const std::string& url, std::string* body, DWORD* status) {
  body->clear();
  if (status) *status = 0;
  InetHandle inet(InternetOpenA("updtest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!inet.Get()) return false;
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
  InetHandle req(InternetOpenUrlA(inet.Get(), url.c_str(), nullptr, 0, flags, 0));
  if (!req.Get()) return false;
  if (status) {
    DWORD code = 0, size = sizeof(code);
    if (HttpQueryInfoA(req.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
      *status = code;
  }
  char buf[8192];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(req.Get(), buf, sizeof(buf), &got)) return false;
    if (got == 0) return true;
    body->append(buf, got);
  }
}

std::vector<std::string> HttpLog() {
  std::vector<std::string> lines;
  std::string body;
  DWORD status = 0;
  if (!HttpGet(Env("UPD_HTTP_URL") + "__log", &body, &status) || status != 200) return lines;
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    if (end > start) lines.push_back(body.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool HttpLogClear() {
  std::string body;
  DWORD status = 0;
  return HttpGet(Env("UPD_HTTP_URL") + "__log/clear", &body, &status) && status == 200;
}

}  // namespace ts
