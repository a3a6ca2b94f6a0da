// FuzzSupport: what the fuzz targets share: a private folder for readers that take a file name, a
// current offscreen GL context for the texture readers, and checks that end the run loudly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvane::fuzz {

// Writes the input into the private folder (created on first use, removed at exit) under name and
// returns its path.
std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size);
// A path in the private folder (nothing is created).
std::string WorkPath(const std::string& name);

// Makes a small offscreen legacy GL context current (created once per process).
void EnsureGL();

// Reports a broken promise of the code under test and aborts, which libFuzzer records as a crash
// with the input that caused it.
[[noreturn]] void Fail(std::string_view what);
inline void Check(bool condition, std::string_view what) {
    if (!condition)
        Fail(what);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// Characters (code points) of valid UTF-8 text.
std::size_t Utf8Length(std::string_view text);

} // namespace zorvane::fuzz
