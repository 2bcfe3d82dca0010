// How the layers below the windows report work that can fail in ordinary
// use (a folder gone, a full disk, a drive that stopped answering): a
// TResult holds either the value or a TFailure, which keeps the system's
// error number, the path it was about and a sentence for the user. Programming
// errors still throw.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

struct TFailure {
    // The system's error number, or 0 when the failure is ours (a refusal,
    // a bad file).
    int Errno = 0;
    // The path the failing step was about (raw bytes); empty when none.
    std::string Path;
    // What went wrong, in words for the user, without the path.
    std::string Text;

    // "path: Text" (or the system's text of Errno when Text is empty), the
    // path first as in every message of ours that names a file.
    std::string Describe() const;
};

// A failure with the system's text of `error` about `path`.
TFailure SystemFailure(int error, std::string path);
// A failure of ours (no error number) about `path`.
TFailure Refusal(std::string text, std::string path = {});

template <class T> class [[nodiscard]] TResult {
public:
    TResult(T value) : State(std::in_place_index<0>, std::move(value)) {}
    TResult(TFailure failure) : State(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return State.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& Value() {
        assert(Ok());
        return std::get<0>(State);
    }
    const T& Value() const {
        assert(Ok());
        return std::get<0>(State);
    }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    T& operator*() { return Value(); }
    const T& operator*() const { return Value(); }

    const TFailure& Failure() const {
        assert(!Ok());
        return std::get<1>(State);
    }

private:
    std::variant<T, TFailure> State;
};

// The result of work that gives back nothing but success or its failure.
template <> class [[nodiscard]] TResult<void> {
public:
    TResult() = default;
    TResult(TFailure failure) : Failed(true), Why(std::move(failure)) {}

    bool Ok() const { return !Failed; }
    explicit operator bool() const { return Ok(); }
    const TFailure& Failure() const {
        assert(Failed);
        return Why;
    }

private:
    bool Failed = false;
    TFailure Why;
};

using TStatus = TResult<void>;
