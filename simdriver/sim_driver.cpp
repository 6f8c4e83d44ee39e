#include "simdriver/sim_driver.h"

#include <algorithm>

#include "platform/clock.h"
#include "simdriver/service_objects.h"

namespace tarvos::sim {

using automation::InvokeKind;
using automation::Variant;
using kvrlib::HResult;

const std::vector<FamilyInfo>& Families() {
    static const std::vector<FamilyInfo> families = {
        {kQam, "QamDriver", kvrlib::kQamDriverClsid, "KvrDrvT.QamDriver"},
        {kDvbt, "DvbtDriver", kvrlib::kDvbtDriverClsid, "KvrDrvW.DvbtDriver"},
        {kAtsc, "AtscDriver", kvrlib::kAtscDriverClsid, "KvrDrvX.AtscDriver"},
        {kJ83ac, "J83AcDriver", kvrlib::kJ83AcDriverClsid, "KvrDrvY.J83AcDriver"},
        {kJ83b, "J83bDriver", kvrlib::kJ83bDriverClsid, "KvrDrvZ.J83bDriver"},
    };
    return families;
}

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string ArgumentsText(const std::vector<Variant>& args) {
    std::string text;
    for (const Variant& a : args) {
        const auto t = a.ToUtf8();
        text += (text.empty() ? "" : ";") + (t.ok() ? t.value : std::string(automation::VarTypeName(a.Type())));
    }
    return text;
}

}  // namespace

SimDriver::SimDriver(const FamilyInfo& family)
    : family_(family), tree_(std::make_shared<SettingsTree>(SimReceiver::Instance().Config().iface)) {}

HResult SimDriver::GetIdOfName(std::u16string_view name, automation::DispId* id) noexcept {
    try {
        const std::string text = automation::Utf16ToUtf8(name);
        const auto& members = DriverMembers();
        for (std::size_t i = 0; i < members.size(); ++i) {
            if ((members[i].families & family_.family) && SameName(members[i].name, text)) {
                *id = static_cast<automation::DispId>(i + 1);
                return HResult::Ok;
            }
        }
        return HResult::UnknownName;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

HResult SimDriver::Invoke(automation::DispId id, InvokeKind kind, std::vector<Variant>& args, Variant* result) noexcept {
    const auto& members = DriverMembers();
    if (id < 1 || static_cast<std::size_t>(id) > members.size()) return HResult::MemberNotFound;
    const DriverMember& member = members[static_cast<std::size_t>(id) - 1];
    if (!(member.families & family_.family)) return HResult::MemberNotFound;
    SimReceiver& receiver = SimReceiver::Instance();
    const FaultConfig& faults = receiver.Config().faults;
    if (faults.callLatencyMs > 0)
        Clock::Instance().SleepFor(std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double, std::milli>(faults.callLatencyMs)));
    HResult hr = HResult::Exception;
    try {
        std::lock_guard<std::mutex> lock(receiver.Lock());
        if (online_ && faults.disconnectAfterCalls > 0 && ++calls_ > faults.disconnectAfterCalls) online_ = false;
        const bool failing = std::any_of(faults.failingMembers.begin(), faults.failingMembers.end(),
                                         [&](const std::string& n) { return SameName(n, member.name); });
        if (online_ && !failing) hr = Dispatch(member, kind, args, result);
    } catch (...) {
        hr = HResult::Exception;
    }
    const auto logKind = kind == InvokeKind::PropertyGet ? SimEventLog::CallKind::Get
                         : kind == InvokeKind::PropertyPut ? SimEventLog::CallKind::Put
                                                           : SimEventLog::CallKind::Method;
    Events().Record(family_.className, logKind, member.name, ArgumentsText(args), automation::Failed(hr));
    return hr;
}

HResult SimDriver::Dispatch(const DriverMember& member, InvokeKind kind, std::vector<Variant>& args, Variant* result) {
    MemberCall call{SimReceiver::Instance(), family_.family, args};
    try {
        Variant value;
        switch (kind) {
            case InvokeKind::PropertyGet:
                if (!member.get) return HResult::MemberNotFound;
                value = member.get(call);
                break;
            case InvokeKind::PropertyPut:
                if (!member.put) return HResult::MemberNotFound;
                if (args.size() != 1) return HResult::BadParamCount;
                member.put(call, args[0]);
                break;
            case InvokeKind::Method:
                if (!member.method) return HResult::MemberNotFound;
                value = member.method(call);
                break;
        }
        if (result != nullptr) *result = std::move(value);
        return HResult::Ok;
    } catch (const MemberFailure&) {
        return HResult::Exception;
    }
}

HResult SimDriver::PutOnLine(bool online) noexcept {
    try {
        if (!online) {
            online_ = false;
            return HResult::Ok;
        }
        SimReceiver& receiver = SimReceiver::Instance();
        if (receiver.Config().faults.refuseConnection) return HResult::Exception;
        if (!tree_->Connects(receiver.Config().iface, nullptr)) return HResult::Exception;
        online_ = true;
        calls_ = 0;
        return HResult::Ok;
    } catch (...) {
        return HResult::Exception;
    }
}

HResult SimDriver::GetOnLine(bool* online) noexcept {
    if (online == nullptr) return HResult::Pointer;
    *online = online_;
    return HResult::Ok;
}

HResult SimDriver::GetSettingsRoot(kvrlib::SettingsNode** root) noexcept {
    if (root == nullptr) return HResult::Pointer;
    try {
        *root = new SimSettingsNode(tree_, "");
        return HResult::Ok;
    } catch (...) {
        *root = nullptr;
        return HResult::OutOfMemory;
    }
}

HResult SimDriver::PutFamilyName(const std::u16string& name) noexcept {
    try {
        familyName_ = name;
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

}  // namespace tarvos::sim
