// Download speed of `verdane-cli fetch` against curl: both fetch the same 200 MB
// body from the scripted test server on 127.0.0.1 in the same run and write it
// to a file in /tmp. Compare the two "real_time" figures (the goal: fetch takes
// at most 1.5 times as long as curl).
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
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

TestHttpServer& Server() {
    static std::unique_ptr<TestHttpServer> server = [] {
        auto s = std::make_unique<TestHttpServer>();
        s->On("/big", {Send("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                            std::to_string(kBodySize) + "\r\n\r\n"),
                       SendRepeated(Block(), kBodySize)});
        return s;
    }();
    return *server;
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

}  // namespace

BENCHMARK(BM_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_VerdaneFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
