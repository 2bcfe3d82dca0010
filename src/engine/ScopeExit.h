// Runs a function when the scope ends, however it ends (return or
// exception): the one way to restore a flag or finish a command.
#pragma once

#include <utility>

template <class F> class TScopeExit {
public:
    explicit TScopeExit(F fn) : Fn(std::move(fn)) {}
    ~TScopeExit() { Fn(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F Fn;
};

// Sets flag for the length of the scope and clears it afterwards.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : Flag(flag) { Flag = true; }
    ~TFlagScope() { Flag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& Flag;
};
