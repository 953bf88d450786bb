// A helper of the HTTP client's tests: one synchronous request, its failure
// (the exception's message and code) as a value.
#pragma once

#include "HttpProt.h"

#include <string>
#include <utility>

namespace verdane::test {

// Runs Get on `url`; returns the exception's message and code, or "" and 0.
inline std::pair<std::string, int> GetOutcome(THttpCli& http, const std::string& url) {
    http.URL = url;
    try {
        http.Get();
    } catch (const EHttpException& e) {
        return {e.what(), e.ErrorCode};
    }
    return {"", 0};
}

}  // namespace verdane::test
