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

// The text of a socket error with its number.
inline std::string ErrorText(int error) {
    return WSocketErrorDesc(error) + " (Error #" + std::to_string(error) + ")";
}

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

// A decimal integer of a header: blanks before it, an
// optional sign, digits only. Anything else is a conversion error.
inline long long ToInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::size_t start = i;
    long long value = 0;
    bool overflow = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value > (std::numeric_limits<long long>::max() - 9) / 10) overflow = true;
        else value = value * 10 + (text[i] - '0');
    }
    if (i == start || i != text.size() || overflow)
        throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
    return negative ? -value : value;
}

// "host" or "host:port" for a URL, leaving out the scheme's own port.
inline std::string Authority(const std::string& scheme, const std::string& host, const std::string& port) {
    return port.empty() || port == DefaultPort(scheme) ? host : host + ":" + port;
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
