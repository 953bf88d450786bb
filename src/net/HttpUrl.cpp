// URLs as the HTTP client reads them: the parts of a URL, the target of a
// relocation, the ports of the schemes, and Base64 for Basic authentication.
#include "HttpInternal.h"

#include <algorithm>

namespace verdane {

std::string DefaultPort(const std::string& scheme) {
    std::string s = Lower(scheme);
    if (s == "http") return "80";
    if (s == "https") return "443";
    return {};
}

bool IsValidPort(const std::string& port) {
    if (port.empty() || port.size() > 5) return false;
    for (char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    long value = std::stol(port);
    return value >= 1 && value <= 65535;
}

std::string ResolveRelocation(const std::string& base, const std::string& location) {
    std::string origin, basePath;
    SplitAbsolute(base, origin, basePath);
    std::string baseScheme = Lower(origin.substr(0, origin.find("://")));
    std::string v = location;
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
    if (v.empty()) return base;
    if (v.compare(0, 2, "//") == 0) v = baseScheme + ":" + v;
    // An absolute URL: a scheme of letters, digits, "+", "-" or "." before "://".
    if (std::size_t sep = v.find("://"); sep != std::string::npos && sep > 0 &&
        std::all_of(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(sep), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        })) {
        TUrlParts u = ParseURL(v);
        std::string scheme = Lower(u.Proto);
        std::string port = u.Port.empty() ? DefaultPort(scheme) : u.Port;
        std::string userInfo = u.User.empty() ? "" : u.User + (u.Pass.empty() ? "" : ":" + u.Pass) + "@";
        return scheme + "://" + userInfo + Authority(scheme, u.Host, port) + (u.Path.empty() ? "/" : u.Path);
    }
    if (v[0] == '/') return origin + v;
    std::string path = basePath.substr(0, basePath.find('#'));
    if (path.empty()) path = "/";
    if (v[0] == '#') return origin + path + v;
    if (v[0] == '?') return origin + path.substr(0, path.find('?')) + v;
    // A relative path: from the folder of the base's path.
    std::string folder = path.substr(0, path.find('?'));
    folder.erase(folder.rfind('/') + 1);
    return origin + folder + v;
}

TUrlParts ParseURL(const std::string& url) {
    TUrlParts u;
    if (url.empty()) return u;
    std::string rest;
    if (auto sep = url.find("://"); sep != std::string::npos) {
        u.Proto = url.substr(0, sep);
        rest = url.substr(sep + 3);
    } else if (url[0] == '/') {
        u.Proto = "http";
        if (url.size() > 1 && url[1] != '/') {
            u.Path = url;
            return u;
        }
        rest = url.substr(1);
    } else if (Lower(url.substr(0, 5)) == "http:") {
        u.Proto = "http";
        if (url.size() > 6 && url[6] != '/') {
            u.Path = url.substr(5);
            return u;
        }
        rest = url.size() > 6 ? url.substr(6) : std::string();
    } else if (Lower(url.substr(0, 7)) == "mailto:") {
        u.Proto = "mailto";
        rest = url.substr(url.find(':') + 1);
    } else {
        rest = url;
    }
    std::size_t pathStart = std::min(rest.find('/'), rest.find('?'));
    std::string authority = rest.substr(0, pathStart);
    if (pathStart != std::string::npos) u.Path = rest.substr(pathStart);
    std::size_t at = authority.rfind('@');
    // An IPv6 literal in brackets ("[::1]:8080"): the host is what they hold.
    const std::size_t open = at == std::string::npos ? 0 : at + 1;
    const std::size_t close = open < authority.size() && authority[open] == '[' ? authority.find(']', open)
                                                                                 : std::string::npos;
    if (close != std::string::npos) {
        u.Host = authority.substr(open + 1, close - open - 1);
        if (close + 1 < authority.size() && authority[close + 1] == ':') u.Port = authority.substr(close + 2);
        else if (close + 1 < authority.size()) u.Port = authority.substr(close + 1);  // refused as a port
    } else if (std::size_t colon = authority.rfind(':'); colon == std::string::npos && at == std::string::npos) {
        u.Host = authority;
    } else if (colon != std::string::npos && (at == std::string::npos || colon > at)) {
        u.Port = authority.substr(colon + 1);
        std::size_t hostStart = at == std::string::npos ? 0 : at + 1;
        u.Host = authority.substr(hostStart, colon - hostStart);
    } else {
        u.Host = authority.substr(at + 1);
    }
    if (at != std::string::npos) {
        std::string credentials = authority.substr(0, at);
        std::size_t sep = credentials.find(':');
        u.User = credentials.substr(0, sep);
        if (sep != std::string::npos) u.Pass = credentials.substr(sep + 1);
    }
    return u;
}

std::string RequestTarget(std::string_view path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ' || c >= 0x80) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string EncodeBase64(std::string_view bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace verdane
