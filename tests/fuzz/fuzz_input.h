// Shared pieces of the fuzz harnesses: a reader that turns the fuzzer's bytes into typed values
// (never failing: missing bytes read as zero), and the check that stops a run on a broken rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace tarvos::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    std::size_t Remaining() const { return size_ - pos_; }

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    template <class T>
    T Raw() {
        unsigned char bytes[sizeof(T)] = {};
        for (unsigned char& b : bytes) b = Byte();
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    // A string whose length is the next byte (so that several fit in one input).
    std::string ShortText() { return Text(Byte()); }
    std::string Text(std::size_t length) {
        if (length > Remaining()) length = Remaining();
        std::string s(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return s;
    }
    std::string Rest() { return Text(Remaining()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A rule the code under test broke: the message, then an abort that both the fuzzer and the
// corpus replay report as a failure of this input.
[[noreturn]] inline void Broken(const char* rule, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken rule: %s\n", file, line, rule);
    std::abort();
}

}  // namespace tarvos::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::tarvos::fuzz::Broken(#condition, __FILE__, __LINE__))

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
