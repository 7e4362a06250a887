#pragma once
// A program-wide setting a test changes, put back as it was when the scope
// ends, whatever the test did in between: an assertion that returned early
// or an exception leaves the next test the setting it expects.
#include <utility>

template <class T>
class TRestore {
public:
    explicit TRestore(T& Setting) : FSetting(Setting), FOld(Setting) {}
    TRestore(T& Setting, T Value) : TRestore(Setting) { FSetting = std::move(Value); }
    ~TRestore() { FSetting = std::move(FOld); }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& FSetting;
    T FOld;
};
