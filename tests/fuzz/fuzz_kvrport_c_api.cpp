// KVRPort through its plain C interface, loaded as a script loads it (dlopen of the module):
// sequences of invocations with members picked from the type information or at random ids,
// any invoke kind, any argument count and any argument kinds. The library must answer every
// call with a status (never crash, never leak), hand out strings the caller can free, and keep
// names and ids consistent. Waits run on the virtual clock, the simulator on a fixed seed.
#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "kvrlib/c_api.h"
#include "platform/clock.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The C interface as a script sees it: every entry point looked up by name in the module.
struct CApi {
    decltype(&kvr_initialize) initialize = nullptr;
    decltype(&kvr_add_registry_file) addRegistryFile = nullptr;
    decltype(&kvr_create) create = nullptr;
    decltype(&kvr_release) release = nullptr;
    decltype(&kvr_id_of_name) idOfName = nullptr;
    decltype(&kvr_invoke) invoke = nullptr;
    decltype(&kvr_member_count) memberCount = nullptr;
    decltype(&kvr_member_info) memberInfo = nullptr;
    decltype(&kvr_value_clear) valueClear = nullptr;
    decltype(&kvr_error_message) errorMessage = nullptr;
};

template <class F>
void Bind(void* module, const char* name, F& f) {
    f = reinterpret_cast<F>(::dlsym(module, name));
    if (f == nullptr) {
        std::fprintf(stderr, "%s is missing from %s\n", name, TARVOS_KVRLIB_MODULE);
        std::abort();
    }
}

// The process's surroundings for the whole fuzzing run: a scratch folder for the simulator's
// configuration and state and for the user's registry file, so that nothing outside is read
// or written, and the module loaded once.
class Harness {
public:
    Harness() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-fuzz-").string() + "XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        scratch_ = pattern;
        const std::filesystem::path config = scratch_ / "simulator.ini";
        if (std::FILE* f = std::fopen(config.c_str(), "w")) {
            std::fputs("[Simulator]\nSeed=1\nState File=simulator-state.ini\n", f);
            std::fclose(f);
        }
        ::setenv("KVR_SIM_CONFIG", config.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", scratch_.c_str(), 1);
        ::setenv("XDG_STATE_HOME", scratch_.c_str(), 1);
        tarvos::Clock::Instance().SetVirtual();

        module_ = ::dlopen(TARVOS_KVRLIB_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (module_ == nullptr) {
            std::fprintf(stderr, "cannot load %s: %s\n", TARVOS_KVRLIB_MODULE, ::dlerror());
            std::abort();
        }
        Bind(module_, "kvr_initialize", api.initialize);
        Bind(module_, "kvr_add_registry_file", api.addRegistryFile);
        Bind(module_, "kvr_create", api.create);
        Bind(module_, "kvr_release", api.release);
        Bind(module_, "kvr_id_of_name", api.idOfName);
        Bind(module_, "kvr_invoke", api.invoke);
        Bind(module_, "kvr_member_count", api.memberCount);
        Bind(module_, "kvr_member_info", api.memberInfo);
        Bind(module_, "kvr_value_clear", api.valueClear);
        Bind(module_, "kvr_error_message", api.errorMessage);
        if (api.addRegistryFile(TARVOS_REGISTRY_FILE) < 0 || api.initialize() < 0) std::abort();
    }
    ~Harness() {
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }

    CApi api;

private:
    std::filesystem::path scratch_;
    void* module_ = nullptr;  // stays loaded: objects of its classes may outlive any one input
};

const CApi& Api() {
    static Harness harness;
    return harness.api;
}

kvr_value MakeArgument(tarvos::fuzz::FuzzInput& in, std::vector<std::string>& texts) {
    kvr_value v{};
    v.type = in.Byte() % 7;  // 6: a kind the interface does not know
    switch (v.type) {
        case KVR_INT16:
        case KVR_INT32:
        case KVR_BOOL: v.i = in.Raw<std::int32_t>(); break;
        case KVR_DOUBLE: v.d = in.Raw<double>(); break;
        case KVR_STRING:
            // A null text stands for the empty string.
            if (in.Byte() % 8 != 0) v.s = texts.emplace_back(in.ShortText()).data();
            break;
        default: break;
    }
    return v;
}

int32_t PickMember(const CApi& api, kvr_object* port, tarvos::fuzz::FuzzInput& in, int32_t count) {
    const std::uint8_t how = in.Byte();
    if (how >= 0xF0 || count <= 0) return in.Raw<std::int32_t>();  // any id at all
    int32_t dispid = 0;
    const char* name = nullptr;
    const int32_t index = static_cast<int32_t>(in.Raw<std::uint16_t>() % static_cast<std::uint32_t>(count));
    FUZZ_CHECK(api.memberInfo(port, index, &dispid, &name, nullptr, nullptr) == 0 && name != nullptr);
    int32_t byName = 0;
    FUZZ_CHECK(api.idOfName(port, name, &byName) == 0 && byName == dispid);
    return dispid;
}

void OneCall(const CApi& api, kvr_object* port, tarvos::fuzz::FuzzInput& in, int32_t count) {
    const int32_t dispid = PickMember(api, port, in, count);
    static constexpr int32_t kKinds[] = {KVR_METHOD, KVR_GET, KVR_PUT, 3};
    const int32_t kind = kKinds[in.Byte() % 4];
    const std::uint8_t countByte = in.Byte();
    // Mostly the counts members take; now and then a count far off or negative.
    int32_t nargs = countByte < 0xF0 ? countByte % 5 : static_cast<int32_t>(countByte) - 0xF8;
    std::vector<std::string> texts;
    texts.reserve(16);
    std::vector<kvr_value> args;
    for (int32_t i = 0; i < nargs && i < 16; ++i) args.push_back(MakeArgument(in, texts));
    if (nargs > 0 && args.empty()) nargs = 0;
    nargs = std::min<int32_t>(nargs, static_cast<int32_t>(args.size()));
    const bool wantResult = (in.Byte() & 1) == 0;
    kvr_value result{};
    const int32_t status = api.invoke(port, dispid, kind, args.empty() ? nullptr : args.data(), nargs,
                                      wantResult ? &result : nullptr);
    FUZZ_CHECK(api.errorMessage(status) != nullptr);
    if (status >= 0 && result.type == KVR_STRING) FUZZ_CHECK(result.s != nullptr);
    if (status < 0) FUZZ_CHECK(result.type == KVR_EMPTY && result.s == nullptr);
    api.valueClear(&result);
    // Strings the caller passed stay the caller's: the library must not have replaced them.
    for (std::size_t i = 0, t = 0; i < args.size(); ++i)
        if (args[i].type == KVR_STRING && args[i].s != nullptr) FUZZ_CHECK(args[i].s == texts[t++].data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CApi& api = Api();
    tarvos::fuzz::FuzzInput in(data, size);
    kvr_object* port = nullptr;
    FUZZ_CHECK(api.create("KvrLib.KVRPort", &port) == 0 && port != nullptr);
    const int32_t count = api.memberCount(port);
    FUZZ_CHECK(count > 0);
    // No member name holds a "?": whatever comes before it, the name is unknown.
    std::string unknownName = in.ShortText();
    unknownName = unknownName.substr(0, unknownName.find('\0')) + "?";
    int32_t unknown = 0;
    FUZZ_CHECK(api.idOfName(port, unknownName.c_str(), &unknown) < 0);
    for (int calls = 0; calls < 24 && !in.Empty(); ++calls) OneCall(api, port, in, count);
    api.release(port);
    return 0;
}
