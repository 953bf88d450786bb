// What a use case of src/core gives back: its result, or a Failure (Failure.h)
// with its code and data. The window says it in Japanese in a message box,
// verdane-cli in English on one line; neither has to know how the work was done.
#pragma once

#include "Failure.h"

#include <string>
#include <utility>
#include <variant>

namespace verdane::core {

template <class T>
class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Failure failure) : state_(std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& Value() { return std::get<0>(state_); }
    const T& Value() const { return std::get<0>(state_); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    T& operator*() { return Value(); }
    const T& operator*() const { return Value(); }

    const Failure& Fault() const { return std::get<1>(state_); }
    FailureCode Code() const { return Fault().code; }
    // The failure in English, as verdane-cli prints it.
    std::string Reason() const { return EnglishText(Fault()); }

private:
    std::variant<T, Failure> state_;
};

// A use case that gives nothing but success or its failure.
struct Done {};
using Outcome = Result<Done>;

}  // namespace verdane::core
