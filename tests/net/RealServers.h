// Debian's nginx and squid as peers of the network tests: each started in the
// foreground by the test with its own configuration in a temporary folder, on
// free loopback ports, and stopped when the object goes. Used by the HTTP
// client's tests and verdane-cli's.
//   Nginx: a folder of pages over http and https (a certificate the test made),
//          "/go" relocating from http to the https page, anything else 404.
//   Squid: a proxy with Basic authentication (basic_ncsa_auth and a password
//          file made here: user "proxyuser", password "s3cret"), CONNECT allowed.
#pragma once

#include "NetTestSupport.h"
#include "TestSupport.h"
#include "Tinyproxy.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

namespace verdane::test {

inline const char* const kNginx = "/usr/sbin/nginx";
inline const char* const kSquid = "/usr/sbin/squid";
inline const char* const kNcsaAuth = "/usr/lib/squid/basic_ncsa_auth";

// A server program in the foreground: started, waited for until it accepts on
// `port`, stopped with SIGTERM (then SIGKILL) at the end.
class ForegroundServer {
public:
    ForegroundServer() = default;
    ForegroundServer(const ForegroundServer&) = delete;
    ForegroundServer& operator=(const ForegroundServer&) = delete;
    ~ForegroundServer() { Stop(); }

    void Start(const std::vector<std::string>& args, int port) {
        std::vector<std::string> a = args;
        std::vector<char*> argv;
        for (auto& s : a) argv.push_back(s.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, a[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
        // Squid takes about a second to start; allow a loaded machine 30 s.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (pid_ > 0 && !Accepts(port) && std::chrono::steady_clock::now() < deadline) {
            int status;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;  // it refused to start; its log says why
                break;
            }
            ::poll(nullptr, 0, 20);
        }
        if (pid_ > 0 && !Accepts(port)) Stop();
    }

    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status;
        for (int i = 0; i < 500; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            ::poll(nullptr, 0, 10);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// Server programs run as another user when the tests run as root: the folder
// they use must be theirs to read and write.
inline void OpenToAll(const std::string& path, bool directory) {
    ::chmod(path.c_str(), directory ? 0777 : 0644);
}

class Nginx {
public:
    // Serves the files of `dir`/www over http, and over https with `certFile`
    // and `keyFile` when they are given.
    Nginx(const TempDir& dir, const std::string& certFile, const std::string& keyFile) {
        httpPort_ = FreePort();
        httpsPort_ = FreePort();
        while (httpsPort_ == httpPort_) httpsPort_ = FreePort();
        root_ = dir.File("www");
        ::mkdir(root_.c_str(), 0755);
        std::string d = dir.Path();
        std::string conf = dir.File("nginx.conf");
        log_ = dir.File("nginx-error.log");
        std::string temp;
        for (const char* name : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
            temp += std::string("  ") + name + "_temp_path " + d + "/" + name + ";\n";
        WriteFile(conf,
                  "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + d + "/nginx.pid;\n"
                  "error_log " + log_ + " warn;\nevents { worker_connections 64; }\nhttp {\n"
                  "  access_log off;\n" + temp +
                  "  types { text/plain txt; text/html html; }\n  default_type application/octet-stream;\n"
                  "  server {\n    listen 127.0.0.1:" + std::to_string(httpPort_) + ";\n" +
                  Listen6(httpPort_, "") + "    root " + root_ + ";\n"
                  "    location = /go { return 301 https://127.0.0.1:" + std::to_string(httpsPort_) + "/page.txt; }\n"
                  "  }\n"
                  "  server {\n    listen 127.0.0.1:" + std::to_string(httpsPort_) + " ssl;\n" +
                  Listen6(httpsPort_, " ssl") + "    root " + root_ + ";\n"
                  "    ssl_certificate " + certFile + ";\n    ssl_certificate_key " + keyFile + ";\n  }\n}\n");
        server_.Start({kNginx, "-e", log_, "-p", d, "-c", conf}, httpPort_);
        if (server_.Running() && !WaitAccepts(httpsPort_)) server_.Stop();
    }

    bool Running() const { return server_.Running(); }
    // Puts a page into the served folder.
    void Put(const std::string& name, const std::string& bytes) const { WriteFile(root_ + "/" + name, bytes); }
    std::string HttpUrl(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(httpPort_) + path; }
    std::string HttpsUrl(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(httpsPort_) + path;
    }
    int HttpsPort() const { return httpsPort_; }
    // The same ports on the IPv6 loopback, where this machine has one.
    static bool HasIpv6Loopback() {
        const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
        sockaddr_in6 any{};
        any.sin6_family = AF_INET6;
        any.sin6_addr = in6addr_loopback;
        const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
        if (fd >= 0) ::close(fd);
        return bound;
    }
    std::string HttpUrl6(const std::string& path) const { return "http://[::1]:" + std::to_string(httpPort_) + path; }
    std::string HttpsUrl6(const std::string& path) const { return "https://[::1]:" + std::to_string(httpsPort_) + path; }
    std::string Log() const { return FileExists(log_) ? ReadFile(log_) : ""; }

private:
    static std::string Listen6(int port, const char* ssl) {
        return HasIpv6Loopback() ? "    listen [::1]:" + std::to_string(port) + ssl + ";\n" : std::string();
    }
    static bool WaitAccepts(int port) {
        for (int i = 0; i < 1000 && !Accepts(port); ++i) ::poll(nullptr, 0, 10);
        return Accepts(port);
    }

    ForegroundServer server_;
    int httpPort_ = 0, httpsPort_ = 0;
    std::string root_, log_;
};

class Squid {
public:
    explicit Squid(const TempDir& dir) {
        port_ = FreePort();
        std::string d = dir.Path() + "/squid";
        ::mkdir(d.c_str(), 0777);
        OpenToAll(d, true);
        OpenToAll(dir.Path(), true);
        std::string passwd = d + "/passwd";
        // basic_ncsa_auth reads the password file's hashes, here an Apache MD5 one.
        WriteFile(passwd, "proxyuser:" + Crypt("s3cret") + "\n");
        OpenToAll(passwd, false);
        log_ = d + "/cache.log";
        std::string conf = d + "/squid.conf";
        WriteFile(conf,
                  "http_port 127.0.0.1:" + std::to_string(port_) + "\n"
                  "pid_filename " + d + "/squid.pid\ncache_log " + log_ + "\naccess_log none\n"
                  "cache_store_log none\ncoredump_dir " + d + "\ncache deny all\ncache_mem 8 MB\n"
                  "netdb_filename none\npinger_enable off\nshutdown_lifetime 0 seconds\n"
                  "logfile_rotate 0\ndns_v4_first on\n"
                  "auth_param basic program " + std::string(kNcsaAuth) + " " + passwd + "\n"
                  "auth_param basic realm verdane-tests\nauth_param basic children 2\n"
                  "acl authenticated proxy_auth REQUIRED\nhttp_access allow authenticated\nhttp_access deny all\n");
        OpenToAll(conf, false);
        server_.Start({kSquid, "-N", "-f", conf}, port_);
    }

    bool Running() const { return server_.Running(); }
    int Port() const { return port_; }
    std::string Log() const { return FileExists(log_) ? ReadFile(log_) : ""; }

private:
    static std::string Crypt(const std::string& password) {
        ProcessResult r = RunProcess("/usr/bin/openssl", {"passwd", "-apr1", "-salt", "verdane", password});
        std::string hash = r.out;
        while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r')) hash.pop_back();
        return hash;
    }

    ForegroundServer server_;
    int port_ = 0;
    std::string log_;
};

// Why a test against a Debian server cannot run here: its program is missing.
inline std::string MissingProgram(const std::vector<const char*>& programs) {
    for (const char* p : programs)
        if (!FileExists(p)) return std::string(p) + " is missing (apt-get install nginx-light squid)";
    return {};
}

}  // namespace verdane::test
