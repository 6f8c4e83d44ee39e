// Outcome of an operation whose failure the caller must report: a value, or the message
// (and, for system calls, the errno) of what failed.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace tarvos {

struct Error {
    std::string message;
    int systemError = 0;  // errno of the failing system call, 0 when none
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : failed_(true), error_(std::move(error)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return error_; }

private:
    bool failed_ = false;
    Error error_;
};

using Status = Result<void>;

}  // namespace tarvos
