// The process-wide class registry: which module serves which class (by class id and ProgID),
// kept in registry files; creation of objects loads the module and asks its class factory.
// A user file under $XDG_CONFIG_HOME overrides the file installed beside the programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/class_factory.h"
#include "platform/automation/dispatch.h"

namespace tarvos::automation {

struct ClassEntry {
    Guid clsid;
    std::string progId;
    std::string modulePath;
    std::string name;
};

inline constexpr const char* kRegistryFileName = "automation-registry.ini";

class ClassRegistry {
public:
    static ClassRegistry& Instance();

    // The user's registry file ($XDG_CONFIG_HOME or ~/.config, then kvr-tarvos/registry.ini).
    static std::filesystem::path DefaultUserFile();
    // The registry file beside the running program; none when its folder is unknown.
    static std::optional<std::filesystem::path> DefaultInstalledFile();

    // Files searched in order, the first holding a class wins (default: user, then installed).
    void SetSearchFiles(std::vector<std::filesystem::path> files);
    std::vector<std::filesystem::path> SearchFiles() const;
    // Where module registration writes (default: the user's file).
    void SetRegistrationFile(std::filesystem::path file);
    std::filesystem::path RegistrationFile() const;

    std::optional<Guid> ClassIdOf(std::string_view progId) const;
    std::optional<ClassEntry> Lookup(const Guid& clsid) const;

    // Registers a factory served by this process itself; it takes precedence over the files.
    std::uint32_t RegisterClassObject(const Guid& clsid, ComPtr<IClassFactory> factory);
    void RevokeClassObject(std::uint32_t cookie);

    // ClassNotRegistered, ModuleNotFound (module missing or not loadable), ProcNotFound, or the
    // module's own answer.
    HResult GetClassObject(const Guid& clsid, ComPtr<IClassFactory>* out);
    HResult CreateInstance(const Guid& clsid, const Guid& iid, void** out);
    HResult CreateInstance(std::string_view progId, const Guid& iid, void** out);

    // Writes or removes one class in the registration file (atomically).
    HResult WriteEntry(const ClassEntry& entry);
    HResult RemoveEntry(const Guid& clsid);

    // Unloads the modules that say they can be unloaded.
    void FreeUnusedModules();

private:
    ClassRegistry();
    struct Module {
        void* handle = nullptr;
        DllGetClassObjectFn getClassObject = nullptr;
        DllCanUnloadNowFn canUnloadNow = nullptr;
    };
    HResult LoadModule(const std::string& path, Module** out);

    mutable std::mutex mutex_;
    std::vector<std::filesystem::path> searchFiles_;
    std::filesystem::path registrationFile_;
    std::map<std::uint32_t, std::pair<Guid, ComPtr<IClassFactory>>> local_;
    std::uint32_t nextCookie_ = 1;
    std::map<std::string, Module> modules_;
};

// Per-thread initialisation of the runtime: nothing to prepare here; always succeeds.
HResult CoInitialize();
void CoUninitialize();

// A new object of the class named by `progId`, as its dispatch interface; `hr` tells why there
// is none.
ComPtr<IDispatch> CreateObject(std::string_view progId, HResult* hr = nullptr);

}  // namespace tarvos::automation
