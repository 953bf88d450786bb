// Download speed of `verdane-cli fetch` against curl: both fetch the same 200 MB
// body from the scripted test server on 127.0.0.1 in the same run and write it
// to a file in /tmp, over plain HTTP and over TLS (a certificate of an authority
// the benchmark makes, named by SSL_CERT_FILE and curl's --cacert). Compare the
// "real_time" figures of each pair (the goal: fetch takes at most 1.5 times as
// long as curl).
#include "TestCertificates.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace verdane::test;

namespace {

constexpr long long kBodySize = 200ll << 20;

// ASCII lines already ending in CR LF, as most pages the program fetches.
std::string Block() {
    std::string block;
    for (int i = 0; block.size() < (1u << 20); ++i) {
        std::string line = "Line " + std::to_string(i) + " of the benchmark body, plain ASCII text for the fetch.";
        line.resize(78, '.');
        block += line + "\r\n";
    }
    block.resize(1u << 20);
    block.replace(block.size() - 2, 2, "\r\n");
    return block;
}

void ServeBigBody(TestHttpServer& s) {
    s.On("/big", {Send("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(kBodySize) +
                       "\r\n\r\n"),
                  SendRepeated(Block(), kBodySize)});
}

TestHttpServer& Server() {
    static std::unique_ptr<TestHttpServer> server = [] {
        auto s = std::make_unique<TestHttpServer>();
        ServeBigBody(*s);
        return s;
    }();
    return *server;
}

// The TLS server and its authority, whose certificate file verdane-cli finds
// through SSL_CERT_FILE.
struct TlsSetup {
    TempDir dir;
    TestCertificateAuthority ca{dir.Path()};
    std::unique_ptr<TestHttpServer> server;
    TlsSetup() {
        TestCertificate cert = ca.Issue("server", {"IP:127.0.0.1"});
        server = std::make_unique<TestHttpServer>(TlsSettings{cert.certFile, cert.keyFile});
        ServeBigBody(*server);
        ::setenv("SSL_CERT_FILE", ca.CaFile().c_str(), 1);
    }
};

TlsSetup& Tls() {
    static TlsSetup setup;
    return setup;
}

std::string OutFile(const char* name) { return "/tmp/verdane-bench-" + std::to_string(::getpid()) + "-" + name; }

void RunAndCheck(benchmark::State& state, const std::string& program, const std::vector<std::string>& args,
                 const std::string& out) {
    for (auto _ : state) {
        ProcessResult r = RunProcess(program, args);
        if (r.exitCode != 0) {
            state.SkipWithError((program + " failed: " + r.err).c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * kBodySize);
    std::remove(out.c_str());
}

void BM_VerdaneFetch(benchmark::State& state) {
    std::string out = OutFile("fetch");
    RunAndCheck(state, VERDANE_CLI_PATH, {"fetch", Server().Url("/big"), out}, out);
}

void BM_Curl(benchmark::State& state) {
    std::string out = OutFile("curl");
    RunAndCheck(state, "/usr/bin/curl", {"-s", "-o", out, Server().Url("/big")}, out);
}

void BM_VerdaneFetchTls(benchmark::State& state) {
    std::string out = OutFile("fetch-tls");
    RunAndCheck(state, VERDANE_CLI_PATH, {"fetch", Tls().server->Url("/big"), out}, out);
}

void BM_CurlTls(benchmark::State& state) {
    std::string out = OutFile("curl-tls");
    RunAndCheck(state, "/usr/bin/curl", {"-s", "--cacert", Tls().ca.CaFile(), "-o", out, Tls().server->Url("/big")}, out);
}

}  // namespace

BENCHMARK(BM_CurlTls)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_VerdaneFetchTls)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlTls)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_VerdaneFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
