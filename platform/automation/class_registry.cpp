#include "platform/automation/class_registry.h"

#include <dlfcn.h>

#include <cstdlib>

#include "platform/ini_file.h"
#include "platform/program_path.h"

namespace tarvos::automation {
namespace {

constexpr const char* kProgIdKey = "ProgID";
constexpr const char* kModuleKey = "Module";
constexpr const char* kNameKey = "Name";

// A relative module path is taken from the registry file's folder, so an installation whose
// registry names its modules that way keeps working wherever its tree is unpacked or moved.
std::string ModulePathIn(const IniFile& ini, const std::string& section, const std::filesystem::path& file) {
    const std::string path = ini.GetString(section, kModuleKey, "", 4096);
    if (path.empty() || path.front() == '/') return path;
    return (file.parent_path() / path).lexically_normal().string();
}

std::optional<ClassEntry> EntryIn(const IniFile& ini, const std::string& section, const std::filesystem::path& file) {
    const auto clsid = Guid::Parse(section);
    if (!clsid) return std::nullopt;
    ClassEntry e;
    e.clsid = *clsid;
    e.progId = ini.GetString(section, kProgIdKey, "");
    e.modulePath = ModulePathIn(ini, section, file);
    e.name = ini.GetString(section, kNameKey, "");
    return e;
}

bool SameProgId(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

ClassRegistry& ClassRegistry::Instance() {
    static ClassRegistry registry;
    return registry;
}

ClassRegistry::ClassRegistry() {
    searchFiles_.push_back(DefaultUserFile());
    if (auto installed = DefaultInstalledFile()) searchFiles_.push_back(*installed);
    registrationFile_ = DefaultUserFile();
}

std::filesystem::path ClassRegistry::DefaultUserFile() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::filesystem::path(home) / ".config";
    } else {
        base = "/tmp";
    }
    return base / "kvr-tarvos" / "registry.ini";
}

std::optional<std::filesystem::path> ClassRegistry::DefaultInstalledFile() {
    const auto program = RunningProgramPath();
    if (!program) return std::nullopt;
    return program->parent_path() / kRegistryFileName;
}

void ClassRegistry::SetSearchFiles(std::vector<std::filesystem::path> files) {
    std::lock_guard<std::mutex> lock(mutex_);
    searchFiles_ = std::move(files);
}

std::vector<std::filesystem::path> ClassRegistry::SearchFiles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return searchFiles_;
}

void ClassRegistry::SetRegistrationFile(std::filesystem::path file) {
    std::lock_guard<std::mutex> lock(mutex_);
    registrationFile_ = std::move(file);
}

std::filesystem::path ClassRegistry::RegistrationFile() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return registrationFile_;
}

std::optional<Guid> ClassRegistry::ClassIdOf(std::string_view progId) const {
    for (const auto& file : SearchFiles()) {
        const IniFile ini = IniFile::Load(file);
        for (const std::string& section : ini.Sections()) {
            if (!SameProgId(ini.GetString(section, kProgIdKey, ""), progId)) continue;
            if (auto clsid = Guid::Parse(section)) return clsid;
        }
    }
    return std::nullopt;
}

std::optional<ClassEntry> ClassRegistry::Lookup(const Guid& clsid) const {
    const std::string section = clsid.ToString();
    for (const auto& file : SearchFiles()) {
        const IniFile ini = IniFile::Load(file);
        if (ini.Get(section, kModuleKey)) return EntryIn(ini, section, file);
    }
    return std::nullopt;
}

std::uint32_t ClassRegistry::RegisterClassObject(const Guid& clsid, ComPtr<IClassFactory> factory) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint32_t cookie = nextCookie_++;
    local_[cookie] = {clsid, std::move(factory)};
    return cookie;
}

void ClassRegistry::RevokeClassObject(std::uint32_t cookie) {
    std::lock_guard<std::mutex> lock(mutex_);
    local_.erase(cookie);
}

HResult ClassRegistry::LoadModule(const std::string& path, Module** out) {
    auto it = modules_.find(path);
    if (it == modules_.end()) {
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return HResult::ModuleNotFound;
        Module m;
        m.handle = handle;
        m.getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
        m.canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
        if (m.getClassObject == nullptr) {
            ::dlclose(handle);
            return HResult::ProcNotFound;
        }
        it = modules_.emplace(path, m).first;
    }
    *out = &it->second;
    return HResult::Ok;
}

HResult ClassRegistry::GetClassObject(const Guid& clsid, ComPtr<IClassFactory>* out) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [cookie, local] : local_) {
            if (local.first == clsid) {
                *out = local.second;
                return HResult::Ok;
            }
        }
    }
    const auto entry = Lookup(clsid);
    if (!entry || entry->modulePath.empty()) return HResult::ClassNotRegistered;
    std::lock_guard<std::mutex> lock(mutex_);
    Module* module = nullptr;
    if (const HResult hr = LoadModule(entry->modulePath, &module); Failed(hr)) return hr;
    return module->getClassObject(&clsid, &IClassFactory::kIid, out->PutVoid());
}

HResult ClassRegistry::CreateInstance(const Guid& clsid, const Guid& iid, void** out) {
    *out = nullptr;
    ComPtr<IClassFactory> factory;
    if (const HResult hr = GetClassObject(clsid, &factory); Failed(hr)) return hr;
    if (!factory) return HResult::ClassNotAvailable;
    return factory->CreateInstance(iid, out);
}

HResult ClassRegistry::CreateInstance(std::string_view progId, const Guid& iid, void** out) {
    *out = nullptr;
    const auto clsid = ClassIdOf(progId);
    if (!clsid) return HResult::InvalidProgId;
    return CreateInstance(*clsid, iid, out);
}

HResult ClassRegistry::WriteEntry(const ClassEntry& entry) {
    const std::filesystem::path file = RegistrationFile();
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    Result<IniFile> ini = IniFile::LoadForUpdate(file);
    if (!ini) return HResult::RegistryWrite;
    const std::string section = entry.clsid.ToString();
    ini.value().Set(section, kProgIdKey, entry.progId);
    ini.value().Set(section, kModuleKey, entry.modulePath);
    ini.value().Set(section, kNameKey, entry.name);
    return ini.value().Save(file).ok() ? HResult::Ok : HResult::RegistryWrite;
}

HResult ClassRegistry::RemoveEntry(const Guid& clsid) {
    const std::filesystem::path file = RegistrationFile();
    Result<IniFile> ini = IniFile::LoadForUpdate(file);
    if (!ini) return HResult::RegistryWrite;
    if (!ini.value().RemoveSection(clsid.ToString())) return HResult::Ok;
    return ini.value().Save(file).ok() ? HResult::Ok : HResult::RegistryWrite;
}

void ClassRegistry::FreeUnusedModules() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = modules_.begin(); it != modules_.end();) {
        if (it->second.canUnloadNow != nullptr && it->second.canUnloadNow() == HResult::Ok) {
            ::dlclose(it->second.handle);
            it = modules_.erase(it);
        } else {
            ++it;
        }
    }
}

HResult CoInitialize() { return HResult::Ok; }
void CoUninitialize() {}

ComPtr<IDispatch> CreateObject(std::string_view progId, HResult* hr) {
    ComPtr<IDispatch> object;
    const HResult result = ClassRegistry::Instance().CreateInstance(progId, IDispatch::kIid, object.PutVoid());
    if (hr != nullptr) *hr = result;
    if (Failed(result)) object.Reset();
    return object;
}

}  // namespace tarvos::automation
