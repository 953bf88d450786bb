// Name, port and protocol lookups of the socket layer: the resolution helpers,
// the lookup threads, and the lookups of the socket (DnsLookup, and the host
// names Connect and SOCKS need), answered through the event loop.
#include "WSocketInternal.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cctype>
#include <condition_variable>
#include <deque>
#include <system_error>
#include <thread>

namespace verdane {

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

std::string Dotted(std::uint32_t networkOrder) {
    in_addr a{};
    a.s_addr = networkOrder;
    char text[INET_ADDRSTRLEN];
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

bool IsDottedQuad(const std::string& name) {
    std::string s = Trim(name);
    int parts = 0;
    std::size_t i = 0;
    while (i <= s.size()) {
        std::size_t start = i;
        unsigned value = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            value = value * 10 + static_cast<unsigned>(s[i] - '0');
            if (value > 255) return false;
            ++i;
        }
        if (i == start) return false;
        ++parts;
        if (i == s.size()) break;
        if (s[i] != '.') return false;
        ++i;
    }
    return parts == 4;
}

namespace {

// Resolves a name to its IPv4 addresses (network order) with getaddrinfo;
// returns the WinSock error number, 0 on success.
int LookupHost(const std::string& name, std::vector<std::uint32_t>& addresses) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &result);
    if (rc != 0) return WinSockErrorFromGai(rc);
    for (addrinfo* ai = result; ai; ai = ai->ai_next) {
        std::uint32_t a = reinterpret_cast<sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
        bool seen = false;
        for (auto known : addresses) seen = seen || known == a;
        if (!seen) addresses.push_back(a);
    }
    ::freeaddrinfo(result);
    return addresses.empty() ? WSANO_DATA : 0;
}

bool StartsWithDigit(const std::string& s) { return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0])); }

// Reads leading digits after leading blanks.
long LeadingNumber(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    long value = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && value < 1000000)
        value = value * 10 + (s[i++] - '0');
    return value;
}

// A port number: blanks around decimal digits, at most 65535. Anything else
// (a sign, trailing letters, a larger number) is no port, never a wrapped one.
bool ParsePortNumber(const std::string& s, std::uint16_t& port) {
    std::string t = Trim(s);
    if (t.empty() || t.size() > 5) return false;
    for (char c : t)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    long value = std::stol(t);
    if (value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

std::uint32_t WSocketResolveHost(const std::string& name) {
    if (name.empty() || name.size() > 256)
        throw ESocketException("WSocketResolveHost: '" + name + "' Invalid Hostname.");
    if (IsDottedQuad(name)) {
        in_addr_t a = ::inet_addr(Trim(name).c_str());
        if (a == INADDR_NONE && Trim(name) != "255.255.255.255")
            throw ESocketException("WSocketResolveHost: '" + name + "' Invalid IP address.");
        return a;
    }
    std::vector<std::uint32_t> addresses;
    int error = LookupHost(name, addresses);
    if (error != 0)
        throw ESocketException("WSocketResolveHost: Cannot convert host address '" + name + "', Error #" +
                               std::to_string(error));
    return addresses.front();
}

std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto) {
    if (port.empty() || port.size() >= 32) throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (proto.empty() || proto.size() >= 32) throw ESocketException("WSocketResolvePort: Invalid Proto.");
    if (StartsWithDigit(port) || port[0] == ' ' || port[0] == '-' || port[0] == '+') {
        std::uint16_t number = 0;
        if (!ParsePortNumber(port, number))
            throw ESocketException("WSocketResolvePort: Invalid Port '" + port + "' (a port is a number from 1 to 65535).");
        return number;
    }
    servent entry{}, *found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(port.c_str(), proto.c_str(), &entry, buffer, sizeof buffer, &found) != 0 || !found)
        throw ESocketException("WSocketResolvePort: Cannot convert port '" + port + "', Error #" +
                               std::to_string(WSANO_DATA));
    return ntohs(static_cast<std::uint16_t>(found->s_port));
}

int WSocketResolveProto(const std::string& proto) {
    if (proto.empty() || proto.size() >= 32) throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    if (StartsWithDigit(proto) || proto[0] == ' ') return static_cast<int>(LeadingNumber(proto));
    protoent entry{}, *found = nullptr;
    char buffer[1024];
    if (::getprotobyname_r(proto.c_str(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->p_proto;
    // A system without /etc/protocols still knows the two protocols sockets use.
    if (proto == "tcp") return IPPROTO_TCP;
    if (proto == "udp") return IPPROTO_UDP;
    throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + proto + "', Error #" +
                           std::to_string(WSANO_DATA));
}

// ---------------------------------------------------------------------------
// The lookup threads: each lookup runs on a thread of its own, at most
// kMaxLookupThreads of the lookups still wanted at once; the others wait in the
// queue, and one cancelled while it waits never starts. A running lookup cannot
// be interrupted (getaddrinfo has no way), so cancelling gives its place back at
// once and leaves its thread to end by itself when the name server answers or
// gives up. No thread is ever waited for: the program's exit does not depend on
// a name server.

namespace {

constexpr int kMaxLookupThreads = 4;

std::mutex resolverMutex;
THostResolver& CustomResolver() {
    static THostResolver resolver;
    return resolver;
}

int ResolveName(const std::string& name, std::vector<std::uint32_t>& addresses) {
    THostResolver resolver;
    {
        std::lock_guard<std::mutex> lock(resolverMutex);
        resolver = CustomResolver();
    }
    return resolver ? resolver(name, addresses) : LookupHost(name, addresses);
}

int RunLookup(const std::string& name, bool reverse, std::vector<std::string>& results) {
    if (reverse) {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        ::inet_pton(AF_INET, name.c_str(), &sa.sin_addr);
        char host[NI_MAXHOST];
        int rc = ::getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0, NI_NAMEREQD);
        if (rc != 0) return WinSockErrorFromGai(rc);
        results.emplace_back(host);
        return 0;
    }
    std::vector<std::uint32_t> addresses;
    int error = ResolveName(name, addresses);
    if (error == 0 && addresses.empty()) error = WSANO_DATA;
    for (auto a : addresses) results.push_back(Dotted(a));
    return error;
}

class LookupPool {
public:
    void Submit(std::shared_ptr<TLookupJob> job) {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(job));
        try {
            StartQueued();
        } catch (...) {
            queue_.pop_back();
            throw;
        }
    }

    void Cancel(const std::shared_ptr<TLookupJob>& job) {
        {
            std::lock_guard<std::mutex> lock(job->mutex);
            job->target = nullptr;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (!job->counted) return;  // still queued: skipped when its turn comes
        job->counted = false;
        --running_;
        StartQueuedNoThrow();
    }

private:
    static bool Wanted(TLookupJob& job) {
        std::lock_guard<std::mutex> lock(job.mutex);
        return job.target != nullptr;
    }

    // Starts queued lookups while places are free (the pool's lock held).
    void StartQueued() {
        while (running_ < kMaxLookupThreads && !queue_.empty()) {
            std::shared_ptr<TLookupJob> job = queue_.front();
            if (!Wanted(*job)) {
                queue_.pop_front();
                continue;
            }
            std::thread thread([this, job] { Run(job); });  // may throw: the job stays queued
            queue_.pop_front();
            job->counted = true;
            ++running_;
            thread.detach();
        }
    }

    void StartQueuedNoThrow() {
        try {
            StartQueued();
        } catch (const std::system_error&) {
            // No thread now: the queued lookups start when a running one ends.
        }
    }

    void Run(const std::shared_ptr<TLookupJob>& job) {
        std::string name;
        {
            std::lock_guard<std::mutex> lock(job->mutex);
            name = job->name;
        }
        std::vector<std::string> results;
        int error = RunLookup(name, job->reverse, results);
        {
            std::lock_guard<std::mutex> lock(job->mutex);
            if (job->target) {
                job->results = std::move(results);
                job->target->Post(job->msg, static_cast<std::uintptr_t>(job->handle),
                                  static_cast<std::intptr_t>(error) << 16, job->serial);
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (job->counted) {
            job->counted = false;
            --running_;
        }
        StartQueuedNoThrow();
    }

    std::mutex mutex_;
    std::deque<std::shared_ptr<TLookupJob>> queue_;
    int running_ = 0;  // lookups running that are still wanted
};

// The pool is never destroyed: threads of cancelled lookups may still run
// while the program ends.
LookupPool& Pool() {
    static LookupPool* pool = new LookupPool;
    return *pool;
}

}  // namespace

void SetHostResolver(THostResolver resolver) {
    std::lock_guard<std::mutex> lock(resolverMutex);
    CustomResolver() = std::move(resolver);
}

void SubmitLookup(std::shared_ptr<TLookupJob> job) { Pool().Submit(std::move(job)); }

void CancelLookup(const std::shared_ptr<TLookupJob>& job) { Pool().Cancel(job); }

// ---------------------------------------------------------------------------
// Lookups

void TCustomWSocket::StartLookup(const std::string& name, bool reverse) {
    auto job = std::make_shared<TLookupJob>();
    job->target = window_.get();
    job->msg = reverse ? kReverseLookupDone : kLookupDone;
    job->handle = nextLookupHandle_++;
    if (nextLookupHandle_ <= 0) nextLookupHandle_ = 1;
    job->name = name;
    job->reverse = reverse;
    lookup_ = job;
    try {
        SubmitLookup(job);
    } catch (const std::system_error& e) {
        lookup_.reset();
        RaiseException(name + ": can't start DNS lookup, error #" + std::to_string(e.code().value()));
    }
}

void TCustomWSocket::DnsLookup(const std::string& hostName) {
    if (hostName.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    DropPendingLookup();
    dnsResult_.clear();
    dnsResultList_.clear();
    in_addr_t a = ::inet_addr(hostName.c_str());
    in6_addr a6{};
    if (::inet_pton(AF_INET6, hostName.c_str(), &a6) == 1) {
        // An IPv6 literal is its own address, in its shortest form.
        char text[INET6_ADDRSTRLEN];
        ::inet_ntop(AF_INET6, &a6, text, sizeof text);
        dnsResult_ = text;
        dnsResultList_.push_back(dnsResult_);
        TriggerDnsLookupDone(0);
        return;
    }
    if (a != INADDR_NONE) {
        dnsResult_ = Dotted(a);
        dnsResultList_.push_back(dnsResult_);
        TriggerDnsLookupDone(0);
        return;
    }
    StartLookup(hostName, false);
}

void TCustomWSocket::ReverseDnsLookup(const std::string& hostAddr) {
    if (hostAddr.empty() || hostAddr.size() > 256) {
        RaiseException("ReverseDnsLookup: Invalid host name.");
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    DropPendingLookup();
    dnsResult_.clear();
    dnsResultList_.clear();
    StartLookup(hostAddr, true);
}

void TCustomWSocket::LookupDone(const TMessageEvent& message) {
    if (!lookup_ || static_cast<int>(message.WParam) != lookup_->handle) return;
    std::shared_ptr<TLookupJob> job = std::move(lookup_);
    auto error = static_cast<std::uint16_t>((message.LParam >> 16) & 0xFFFF);
    if (error == 0) {
        std::lock_guard<std::mutex> lock(job->mutex);
        dnsResultList_ = job->results;
        if (!dnsResultList_.empty()) dnsResult_ = dnsResultList_.front();
    }
    TriggerDnsLookupDone(error);
}

// Forgets the pending lookup; its answer, if it still comes, is dropped.
void TCustomWSocket::DropPendingLookup() {
    if (!lookup_) return;
    CancelLookup(lookup_);
    lookup_.reset();
}

void TCustomWSocket::CancelDnsLookup() {
    if (!lookup_) return;
    DropPendingLookup();
    if (!destroying_) TriggerDnsLookupDone(WSAEINTR);
}

// The address of a host name that Connect (or the SOCKS layer) needs, looked
// up off this thread like any other; `msg` tells what it is for.
void TCustomWSocket::StartHostLookup(const std::string& name, int msg) {
    DropHostLookup();
    auto job = std::make_shared<TLookupJob>();
    job->target = window_.get();
    job->msg = msg;
    job->handle = nextLookupHandle_++;
    if (nextLookupHandle_ <= 0) nextLookupHandle_ = 1;
    job->serial = serial_;
    job->name = Trim(name);
    hostLookup_ = job;
    SubmitLookup(job);
}

void TCustomWSocket::DropHostLookup() {
    if (!hostLookup_) return;
    CancelLookup(hostLookup_);
    hostLookup_.reset();
}

bool TCustomWSocket::TakeHostLookup(const TMessageEvent& message, int& error, std::uint32_t& address) {
    if (!hostLookup_ || static_cast<int>(message.WParam) != hostLookup_->handle || message.Msg != hostLookup_->msg)
        return false;
    std::shared_ptr<TLookupJob> job = std::move(hostLookup_);
    error = static_cast<int>((message.LParam >> 16) & 0xFFFF);
    address = 0;
    std::lock_guard<std::mutex> lock(job->mutex);
    if (error == 0 && !job->results.empty()) ::inet_pton(AF_INET, job->results.front().c_str(), &address);
    else if (error == 0) error = WSANO_DATA;
    return true;
}

}  // namespace verdane
