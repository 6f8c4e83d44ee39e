// GPIB through linux-gpib's library, loaded at run time so that the driver works without it
// and says what is missing when GPIB is asked for.
#include <dlfcn.h>

#include <algorithm>
#include <memory>

#include "wire/line.h"

namespace tarvos::wire {
namespace {

constexpr const char* kLibrary = "libgpib.so.0";
// ibsta bits.
constexpr int kError = 0x8000;
constexpr int kTimeout = 0x4000;
// linux-gpib's timeout codes: T10us (1) to T1000s (17), each about three times the last.
constexpr long kTimeoutMicroseconds[] = {10,      30,      100,      300,      1000,      3000,
                                         10000,   30000,   100000,   300000,   1000000,   3000000,
                                         10000000, 30000000, 100000000, 300000000, 1000000000};

int TimeoutCode(std::chrono::milliseconds timeout) {
    const long us = static_cast<long>(timeout.count()) * 1000;
    for (int i = 0; i < 17; ++i)
        if (kTimeoutMicroseconds[i] >= us) return i + 1;
    return 17;
}

struct GpibLibrary {
    void* handle = nullptr;
    int (*ibdev)(int, int, int, int, int, int) = nullptr;
    int (*ibwrt)(int, const void*, long) = nullptr;
    int (*ibrd)(int, void*, long) = nullptr;
    int (*ibtmo)(int, int) = nullptr;
    int (*ibonl)(int, int) = nullptr;
    long (*ThreadIbcntl)() = nullptr;

    ~GpibLibrary() {
        if (handle != nullptr) ::dlclose(handle);
    }
};

template <class F>
bool Bind(void* handle, const char* name, F* out) {
    *out = reinterpret_cast<F>(::dlsym(handle, name));
    return *out != nullptr;
}

class GpibLine final : public Line {
public:
    GpibLine(std::unique_ptr<GpibLibrary> lib, int device) : lib_(std::move(lib)), device_(device) {}
    ~GpibLine() override { lib_->ibonl(device_, 0); }

    Status Send(std::string_view text, std::chrono::milliseconds timeout) override {
        lib_->ibtmo(device_, TimeoutCode(timeout));
        const std::string line = std::string(text) + "\n";
        const int status = lib_->ibwrt(device_, line.data(), static_cast<long>(line.size()));
        if (status & kError) return Error{(status & kTimeout) ? "GPIB: the instrument took no command" : "GPIB: write failed"};
        return {};
    }
    Result<std::string> Receive(std::chrono::milliseconds timeout) override {
        lib_->ibtmo(device_, TimeoutCode(timeout));
        std::string reply(kLongestReply, '\0');
        const int status = lib_->ibrd(device_, reply.data(), static_cast<long>(reply.size()));
        if (status & kError) return Error{(status & kTimeout) ? "GPIB: no reply in time" : "GPIB: read failed"};
        reply.resize(static_cast<std::size_t>(std::clamp<long>(lib_->ThreadIbcntl(), 0, static_cast<long>(reply.size()))));
        while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
        return reply;
    }
    // GPIB is message based: a reply nobody read ends with its read.
    Status Discard() override { return {}; }

private:
    std::unique_ptr<GpibLibrary> lib_;
    int device_;
};

}  // namespace

Result<std::unique_ptr<Line>> OpenGpibLine(int board, int primaryAddress, std::chrono::milliseconds timeout) {
    if (board < 0 || primaryAddress < 0 || primaryAddress > 30)
        return Error{"no such GPIB board or address: " + std::to_string(board) + "/" + std::to_string(primaryAddress)};
    auto lib = std::make_unique<GpibLibrary>();
    lib->handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (lib->handle == nullptr)
        return Error{std::string("GPIB needs linux-gpib (") + kLibrary + "), which is not installed"};
    if (!Bind(lib->handle, "ibdev", &lib->ibdev) || !Bind(lib->handle, "ibwrt", &lib->ibwrt) ||
        !Bind(lib->handle, "ibrd", &lib->ibrd) || !Bind(lib->handle, "ibtmo", &lib->ibtmo) ||
        !Bind(lib->handle, "ibonl", &lib->ibonl) || !Bind(lib->handle, "ThreadIbcntl", &lib->ThreadIbcntl))
        return Error{std::string(kLibrary) + " lacks the calls this driver needs"};
    // End a write with EOI; end a read at the line feed (0x140A: REOS with LF).
    const int device = lib->ibdev(board, primaryAddress, 0, TimeoutCode(timeout), 1, 0x140A);
    if (device < 0) return Error{"GPIB board " + std::to_string(board) + " has no device at " + std::to_string(primaryAddress)};
    return std::unique_ptr<Line>(std::make_unique<GpibLine>(std::move(lib), device));
}

}  // namespace tarvos::wire
