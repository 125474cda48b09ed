#pragma once
// One HTTPS GET over WinHTTP, as the server check and the hold command make it.

#include <string>

#include "update/ServerCheck.h"

struct HttpTimeouts {
    int resolveMs = 60000;
    int connectMs = 60000;
    int sendMs = 60000;
    int receiveMs = 60000; // each wait for the answer's headers or the next part of its body
};

// GET `url` (https only) with `headers` added in order, redirects followed at most 5 times,
// the server's certificate checked as the system checks it. True, with the whole body decoded as
// UTF-8 (whatever charset the answer declares) in `response`, when an answer came, whatever its
// status; false, `response` unchanged, on any failure (name, connection, TLS, time-out, body).
bool HttpGet(const std::wstring& url, const HttpHeaders& headers, std::wstring& response,
             const HttpTimeouts& timeouts = {}) noexcept;
