// Helpers shared by the files of the HTTP client (not for its users): message
// numbers of its window and small text functions.
#pragma once

#include "HttpProt.h"

#include <cctype>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace verdane {

enum THttpMessage : int { kRequestDone = 1, kSetReady = 2, kRelocate = 3 };

// What a socket or lookup error means for a download, in this program's words
// ("connection refused", "host not found: example.invalid"); `host` is the name
// that was looked up or connected to.
std::string FailureDescription(int error, const std::string& host);

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

inline std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

inline bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

inline std::string_view SafeSubstr(std::string_view s, std::size_t pos, std::size_t len = std::string_view::npos) {
    if (pos >= s.size()) return {};
    return s.substr(pos, len);
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A header value without the blanks and tabs around it.
inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A decimal integer of a header: blanks and tabs around it, an optional sign,
// digits only, within the range of long long. Anything else is a conversion error.
inline long long ToInteger(std::string_view text) {
    std::string_view t = TrimBlanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    std::size_t start = i;
    // Collected as a negative number, whose range holds every long long.
    long long value = 0;
    bool overflow = false;
    constexpr long long kMin = std::numeric_limits<long long>::min();
    for (; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i) {
        int digit = t[i] - '0';
        if (value < (kMin + digit) / 10) overflow = true;
        else value = value * 10 - digit;
    }
    if (!negative && value == kMin) overflow = true;
    if (i == start || i != t.size() || overflow)
        throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
    return negative ? value : -value;
}

// A host as a URL or a Host line writes it: an IPv6 literal in brackets.
inline std::string UrlHost(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

// "host" or "host:port" for a URL, leaving out the scheme's own port.
inline std::string Authority(const std::string& scheme, const std::string& host, const std::string& port) {
    return port.empty() || port == DefaultPort(scheme) ? UrlHost(host) : UrlHost(host) + ":" + port;
}

// "scheme://authority" of an absolute URL, and the rest (path, query, fragment).
inline void SplitAbsolute(const std::string& url, std::string& origin, std::string& rest) {
    std::size_t sep = url.find("://");
    std::size_t start = sep == std::string::npos ? 0 : sep + 3;
    std::size_t end = url.find_first_of("/?#", start);
    origin = url.substr(0, end);
    rest = end == std::string::npos ? std::string() : url.substr(end);
}

}  // namespace verdane
