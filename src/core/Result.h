// What a use case of src/core gives back: its result, or a failure with the
// reason in words. The window shows the reason in a message box, verdane-cli
// prints it on one line; neither has to know how the work was done.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace verdane::core {

struct Failure {
    // The failures a caller treats in its own way; any other is Failed.
    enum class Why { Failed, NotDocFile, Cancelled };
    Why why = Why::Failed;
    // What went wrong, in one line of plain words ("404 Not Found", "connection
    // refused", "cancelled", "/a/b.txt: No such file or directory").
    std::string reason;
};

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
    const std::string& Reason() const { return Fault().reason; }
    Failure::Why Why() const { return Fault().why; }

private:
    std::variant<T, Failure> state_;
};

// A use case that gives nothing but success or its failure.
struct Done {};
using Outcome = Result<Done>;

}  // namespace verdane::core
