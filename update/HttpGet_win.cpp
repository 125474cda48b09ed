#include "update/HttpGet_win.h"

#include <climits>
#include <string>

#include "base/WinHttp_win.h"

namespace {

constexpr DWORD kMaxRedirects = 5;
constexpr DWORD kReadChunk = 64 * 1024;

// winhttp.dll is linked at run time, loaded by the first request (on the server check's worker)
// rather than with the program: the start does not wait for it and what it brings along (sockets,
// the certificate and TLS stack). It then stays: WinHTTP's own threads (its connection pool's)
// outlive the last handle, and under Wine one of them runs into the unloaded library and brings
// the process down some seconds after a FreeLibrary.
struct WinHttpApi {
    decltype(&::WinHttpOpen) Open;
    decltype(&::WinHttpSetTimeouts) SetTimeouts;
    decltype(&::WinHttpConnect) Connect;
    decltype(&::WinHttpOpenRequest) OpenRequest;
    decltype(&::WinHttpSetOption) SetOption;
    decltype(&::WinHttpAddRequestHeaders) AddRequestHeaders;
    decltype(&::WinHttpSendRequest) SendRequest;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse;
    decltype(&::WinHttpReadData) ReadData;
    decltype(&::WinHttpQueryHeaders) QueryHeaders;
    decltype(&::WinHttpCrackUrl) CrackUrl;
    decltype(&::WinHttpCloseHandle) CloseHandle;
};

template <typename Fn> bool Lookup(HMODULE module, const char* name, Fn& fn) {
    // GetProcAddress hands out FARPROC; the detour through void (*)() keeps -Wcast-function-type quiet.
    fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
    return fn != nullptr;
}

// The functions, looked up once; nullptr when the library cannot be loaded.
const WinHttpApi* LoadWinHttp() {
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 13 >= MAX_PATH) {
        return nullptr;
    }
    lstrcpyW(path + length, L"\\winhttp.dll"); // from the system folder only
    HMODULE module = ::LoadLibraryW(path);
    if (!module) {
        return nullptr;
    }
    static WinHttpApi api;
    if (!Lookup(module, "WinHttpOpen", api.Open) || !Lookup(module, "WinHttpSetTimeouts", api.SetTimeouts) ||
        !Lookup(module, "WinHttpConnect", api.Connect) || !Lookup(module, "WinHttpOpenRequest", api.OpenRequest) ||
        !Lookup(module, "WinHttpSetOption", api.SetOption) ||
        !Lookup(module, "WinHttpAddRequestHeaders", api.AddRequestHeaders) ||
        !Lookup(module, "WinHttpSendRequest", api.SendRequest) ||
        !Lookup(module, "WinHttpReceiveResponse", api.ReceiveResponse) ||
        !Lookup(module, "WinHttpReadData", api.ReadData) || !Lookup(module, "WinHttpQueryHeaders", api.QueryHeaders) ||
        !Lookup(module, "WinHttpCrackUrl", api.CrackUrl) || !Lookup(module, "WinHttpCloseHandle", api.CloseHandle)) {
        ::FreeLibrary(module); // no handle was ever opened from it
        return nullptr;
    }
    return &api;
}

const WinHttpApi* WinHttp() {
    static const WinHttpApi* const api = LoadWinHttp(); // once, from any thread
    return api;
}

// Owner of a session, connection or request handle, closed through the loaded library.
class HttpHandle {
public:
    HttpHandle(const WinHttpApi& api, HINTERNET handle) : api_(api), handle_(handle) {}
    ~HttpHandle() {
        if (handle_) {
            api_.CloseHandle(handle_);
        }
    }
    HttpHandle(const HttpHandle&) = delete;
    HttpHandle& operator=(const HttpHandle&) = delete;
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    const WinHttpApi& api_;
    HINTERNET handle_;
};

// Every byte of the body: WinHttpReadData gives what has arrived, 0 bytes at the end.
bool ReadBody(const WinHttpApi& api, HINTERNET request, std::string& body) {
    std::string chunk(kReadChunk, '\0');
    for (;;) {
        DWORD read = 0;
        if (!api.ReadData(request, chunk.data(), kReadChunk, &read)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        body.append(chunk.data(), read);
    }
}

// Under Wine a connection closed early ends the body as if it were complete; a body shorter than
// the length the answer declared is a failed read all the same.
bool ShortOfDeclaredLength(const WinHttpApi& api, HINTERNET request, std::size_t received) {
    DWORD declared = 0;
    DWORD size = sizeof(declared);
    if (!api.QueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &declared, &size, WINHTTP_NO_HEADER_INDEX)) {
        return false; // no length declared (chunked, or until the close)
    }
    return received < declared;
}

// Malformed sequences become U+FFFD (MultiByteToWideChar without MB_ERR_INVALID_CHARS).
bool DecodeUtf8(const std::string& bytes, std::wstring& text) {
    if (bytes.empty()) {
        text.clear();
        return true;
    }
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    std::wstring decoded(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, decoded.data(), length) != length) {
        return false;
    }
    text = std::move(decoded);
    return true;
}

bool Get(const WinHttpApi& api, const std::wstring& url, const HttpHeaders& headers, std::wstring& response,
         const HttpTimeouts& timeouts) {
    URL_COMPONENTS parts = {sizeof(parts)};
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!api.CrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        parts.nScheme != INTERNET_SCHEME_HTTPS || parts.dwHostNameLength == 0) {
        return false; // the check speaks TLS only
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) {
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    }
    if (path.empty()) {
        path = L"/";
    }

    HttpHandle session(api, api.Open(L"RamBroom", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                     WINHTTP_NO_PROXY_BYPASS, 0));
    // Set on the session before anything is opened from it: the connection and the request take
    // them over.
    if (!session ||
        !api.SetTimeouts(session.get(), timeouts.resolveMs, timeouts.connectMs, timeouts.sendMs, timeouts.receiveMs)) {
        return false;
    }
    HttpHandle connection(api, api.Connect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) {
        return false;
    }
    // NB: no SECURITY_FLAG_IGNORE_* (WINHTTP_OPTION_SECURITY_FLAGS) and no WINHTTP_CALLBACK that
    // waves certificate errors through: an untrusted, expired or misnamed certificate fails the
    // attempt. The redirect policy stays WinHTTP's default, which never follows https to http.
    HttpHandle request(api, api.OpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request) {
        return false;
    }
    DWORD redirects = kMaxRedirects;
    if (!api.SetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof(redirects))) {
        return false;
    }
    // One call per header keeps their order; WINHTTP_ADDREQ_FLAG_ADD also sends an empty value.
    for (const auto& [name, value] : headers) {
        const std::wstring line = name + L": " + value;
        if (!api.AddRequestHeaders(request.get(), line.c_str(), static_cast<DWORD>(line.size()),
                                   WINHTTP_ADDREQ_FLAG_ADD)) {
            return false;
        }
    }
    if (!api.SendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !api.ReceiveResponse(request.get(), nullptr)) {
        return false;
    }
    // The status code is not looked at: an error page is an answer like any other.
    std::string body;
    return ReadBody(api, request.get(), body) && !ShortOfDeclaredLength(api, request.get(), body.size()) &&
           DecodeUtf8(body, response);
}

} // namespace

bool HttpGet(const std::wstring& url, const HttpHeaders& headers, std::wstring& response,
             const HttpTimeouts& timeouts) noexcept {
    // Out of memory on a huge body, like any failure, is one more failed attempt.
    try {
        const WinHttpApi* api = WinHttp();
        return api && Get(*api, url, headers, response, timeouts);
    } catch (...) {
        return false;
    }
}
