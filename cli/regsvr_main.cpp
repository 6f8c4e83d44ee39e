// kvr-regsvr: registers (or with -u unregisters) automation modules by calling their
// DllRegisterServer / DllUnregisterServer, writing into the given registry file (default: the
// user's). The build uses it to register the modules it builds beside the programs.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/automation/class_factory.h"
#include "platform/automation/class_registry.h"

namespace {

using tarvos::automation::ClassRegistry;
using tarvos::automation::HResult;

int Usage() {
    std::fprintf(stderr, "usage: kvr-regsvr [--file REGISTRY] [-u] MODULE...\n");
    return 1;
}

int Register(const std::string& module, bool unregister) {
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "kvr-regsvr: cannot load %s: %s\n", module.c_str(), ::dlerror());
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<tarvos::automation::DllRegisterServerFn>(::dlsym(handle, entry));
    if (fn == nullptr) {
        std::fprintf(stderr, "kvr-regsvr: %s does not export %s\n", module.c_str(), entry);
        ::dlclose(handle);
        return 1;
    }
    const HResult hr = fn();
    ::dlclose(handle);
    if (tarvos::automation::Failed(hr)) {
        std::fprintf(stderr, "kvr-regsvr: %s of %s failed: %s\n", entry, module.c_str(),
                     tarvos::automation::HResultMessage(hr));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    std::vector<std::string> modules;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--file" && i + 1 < argc) ClassRegistry::Instance().SetRegistrationFile(argv[++i]);
        else if (arg == "-u" || arg == "--unregister") unregister = true;
        else if (!arg.empty() && arg[0] == '-') return Usage();
        else modules.push_back(arg);
    }
    if (modules.empty()) return Usage();
    int status = 0;
    for (const std::string& m : modules) status |= Register(m, unregister);
    return status;
}
