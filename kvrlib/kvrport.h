// The KVRPort automation class: its state (driver object, driver control, driver kind, mode
// table) and the dispatcher that runs every member in its frame with its failure value.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "kvrlib/call_frame.h"
#include "kvrlib/driver_contract.h"
#include "kvrlib/kvrport_members.h"
#include "platform/automation/module_support.h"

namespace tarvos::kvrlib {

inline constexpr Guid kKvrPortClsid = MakeGuid("9A3D6E40-2C71-4B8E-8F05-1E6B4C7D3A01");
inline constexpr Guid kKvrPortIid = MakeGuid("9A3D6E40-2C71-4B8E-8F05-1E6B4C7D3A02");
inline constexpr Guid kKvrLibLibid = MakeGuid("9A3D6E40-2C71-4B8E-8F05-1E6B4C7D3A00");
inline constexpr const char* kKvrPortProgId = "KvrLib.KVRPort";
inline constexpr const char* kKvrLibVersion = "1.3";

// Values of the Drivers and RCMethods enumerations.
enum Drivers : std::int32_t { driverQAM = 2, driverDVBT = 4, driverATSC = 5, driverJ83AC = 6, driverJ83B = 7 };
enum RCMethods : std::int32_t { rcRS232 = 0, rcGPIB = 1, rcTCPIP = 2, rcGUI = 3 };

// Entries of the mode table, in order.
enum ModeEntry : int {
    analysisMode, berMode, constellationMode, qamAnalysisMode, ccdfRfMode, ccdfEnvMode,
    crestFactorMode, spectrumMode, amplPhaseMode, amplGroupDelayMode, echoPatternMode,
    eyeDiagramMode, pilotValueMode, amplJitterMode, phaseJitterMode, merFreqMode,
    impulseResponseMode, kModeEntryCount
};
using ModeTable = std::array<std::int16_t, kModeEntryCount>;

class KVRPort;

// What a member does; the dispatcher supplies the frame. A member without handlers returns its
// failure value (get, method with result) or does nothing.
struct MemberHandlers {
    std::function<automation::Variant(KVRPort&, std::vector<automation::Variant>& args)> get;
    std::function<void(KVRPort&, const automation::Variant& value, Frame& frame)> put;
    std::function<automation::Variant(KVRPort&, std::vector<automation::Variant>& args, Frame& frame)> method;
    bool putInReadingFrame = false;  // the first failing step stops the rest of the put
};
using HandlerTable = std::unordered_map<automation::DispId, MemberHandlers>;

// The handlers of a member; none for an unknown id.
const MemberHandlers* FindHandlers(automation::DispId id);

// Each family of members adds its handlers.
void AddSelectionMembers(HandlerTable& table);
void AddConnectionSettingsMembers(HandlerTable& table);
void AddForwardingMembers(HandlerTable& table);
void AddMeasurementReadMembers(HandlerTable& table);
void AddScreenshotMembers(HandlerTable& table);

class KVRPort final : public automation::ComObject<automation::IDispatch> {
public:
    KVRPort() = default;

    HResult GetIdOfName(std::u16string_view name, automation::DispId* id) noexcept override;
    HResult Invoke(automation::DispId id, automation::InvokeKind kind, std::vector<automation::Variant>& args,
                   automation::Variant* result) noexcept override;
    const automation::TypeInfo* GetTypeInfo() noexcept override;

    // --- State shared by the members ---
    automation::Variant driverObject;
    automation::ComPtr<DriverControl> driverControl;
    std::int32_t driverKind = 0;
    ModeTable modeTable{};

    DriverLink Driver() const { return DriverLink(driverObject); }
    // One of this object's own members through its own interface, in its own frame: a failure
    // inside yields that member's failure value.
    automation::Variant Own(automation::DispId id, automation::InvokeKind kind,
                            std::vector<automation::Variant> args = {});

private:
    // The primary interface _KVRPort is the dispatch interface under its own identifier.
    void* QueryOther(const Guid& iid) noexcept override {
        return iid == kKvrPortIid ? static_cast<automation::IDispatch*>(this) : nullptr;
    }
    automation::Variant RunRead(const MemberEntry& entry, const std::function<automation::Variant()>& read);
};

}  // namespace tarvos::kvrlib
