#include "instrument/kvr_port_client.h"

#include "kvrlib/kvrport_dispids.h"
#include "platform/automation/class_registry.h"

namespace tarvos {

using automation::InvokeKind;
using automation::Variant;
namespace ids = kvrport;

namespace {
constexpr const char* kProgId = "KvrLib.KVRPort";
}

bool KvrPortClient::Create() {
    Release();
    dispatch_ = automation::CreateObject(kProgId);
    if (!dispatch_) return false;
    Initialize();
    return true;
}

void KvrPortClient::Release() { dispatch_.Reset(); }

// A failure of the call mechanism reads like a failure of the member: empty, so 0 or false.
Variant KvrPortClient::Call(automation::DispId id, InvokeKind kind, std::vector<Variant> args) {
    if (!dispatch_) return {};
    Variant result;
    if (automation::Failed(dispatch_->Invoke(id, kind, args, &result))) return {};
    return result;
}

std::int32_t KvrPortClient::Long(automation::DispId id) {
    const auto v = Call(id, InvokeKind::PropertyGet).ToInt32();
    return v.ok() ? v.value : 0;
}

double KvrPortClient::Double(automation::DispId id) {
    const auto v = Call(id, InvokeKind::PropertyGet).ToReal();
    return v.ok() ? v.value : 0.0;
}

std::string KvrPortClient::Text(automation::DispId id) {
    const auto v = Call(id, InvokeKind::PropertyGet).ToUtf8();
    return v.ok() ? v.value : std::string();
}

bool KvrPortClient::Method(automation::DispId id, Variant argument) {
    const auto v = Call(id, InvokeKind::Method, {std::move(argument)}).ToBool();
    return v.ok() && v.value;
}

void KvrPortClient::Put(automation::DispId id, Variant value) { Call(id, InvokeKind::PropertyPut, {std::move(value)}); }

void KvrPortClient::Initialize() { Call(ids::kInitialize, InvokeKind::Method); }
void KvrPortClient::SelectDriver(std::int32_t driver) { Call(ids::kSelectDriver, InvokeKind::Method, {Variant::Int32(driver)}); }
bool KvrPortClient::SettingsRCMethod(std::int32_t v) { return Method(ids::kSettingsRCMethod, Variant::Int32(v)); }
bool KvrPortClient::SettingsCommPort(std::int32_t v) { return Method(ids::kSettingsCommPort, Variant::Int32(v)); }
bool KvrPortClient::SettingsBaudRate(std::int32_t v) { return Method(ids::kSettingsBaudRate, Variant::Int32(v)); }
bool KvrPortClient::SettingsDataBits(std::int32_t v) { return Method(ids::kSettingsDataBits, Variant::Int32(v)); }
bool KvrPortClient::SettingsParity(const std::string& v) { return Method(ids::kSettingsParity, Variant::Utf8(v)); }
bool KvrPortClient::SettingsStopBits(std::int32_t v) { return Method(ids::kSettingsStopBits, Variant::Int32(v)); }
bool KvrPortClient::SettingsHandshaking(std::int32_t v) { return Method(ids::kSettingsHandshaking, Variant::Int32(v)); }
bool KvrPortClient::SettingsBoard(std::int32_t v) { return Method(ids::kSettingsBoard, Variant::Int32(v)); }
bool KvrPortClient::SettingsPrimaryAddress(std::int32_t v) { return Method(ids::kSettingsPrimaryAddress, Variant::Int32(v)); }
bool KvrPortClient::SettingsRemoteHost(const std::string& v) { return Method(ids::kSettingsRemoteHost, Variant::Utf8(v)); }
bool KvrPortClient::SettingsRemotePort(std::int32_t v) { return Method(ids::kSettingsRemotePort, Variant::Int32(v)); }
bool KvrPortClient::SettingsShowCommands(bool v) { return Method(ids::kSettingsShowCommands, Variant::Bool(v)); }
bool KvrPortClient::SettingsXPosition(std::int32_t v) { return Method(ids::kSettingsXPosition, Variant::Int32(v)); }
bool KvrPortClient::SettingsYPosition(std::int32_t v) { return Method(ids::kSettingsYPosition, Variant::Int32(v)); }

void KvrPortClient::PutOnLine(bool online) { Put(ids::kOnLine, Variant::Bool(online)); }
int KvrPortClient::GetOnLine() {
    const auto v = Call(ids::kOnLine, InvokeKind::PropertyGet).ToBool();
    return v.ok() && v.value ? 1 : 0;
}

std::int32_t KvrPortClient::GetSystemMode() { return Long(ids::kSystemMode); }
void KvrPortClient::PutSystemMode(std::int32_t v) { Put(ids::kSystemMode, Variant::Int32(v)); }
std::int32_t KvrPortClient::GetMeasureInputPort() { return Long(ids::kMeasureInputPort); }
void KvrPortClient::PutMeasureInputPort(std::int32_t v) { Put(ids::kMeasureInputPort, Variant::Int32(v)); }
double KvrPortClient::GetMeasureRF() { return Double(ids::kMeasureRF); }
void KvrPortClient::PutMeasureRF(double v) { Put(ids::kMeasureRF, Variant::Double(v)); }
double KvrPortClient::GetMeasureSymbolRate() { return Double(ids::kMeasureSymbolRate); }
void KvrPortClient::PutMeasureSymbolRate(double v) { Put(ids::kMeasureSymbolRate, Variant::Double(v)); }
std::int32_t KvrPortClient::GetMeasureQAMOrder() { return Long(ids::kMeasureQAMOrder); }
void KvrPortClient::PutMeasureQAMOrder(std::int32_t v) { Put(ids::kMeasureQAMOrder, Variant::Int32(v)); }
std::int32_t KvrPortClient::GetMeasureFilterBW() { return Long(ids::kMeasureFilterBW); }
void KvrPortClient::PutMeasureFilterBW(std::int32_t v) { Put(ids::kMeasureFilterBW, Variant::Int32(v)); }
std::int32_t KvrPortClient::GetMeasureChannelBW() { return Long(ids::kMeasureChannelBW); }
void KvrPortClient::PutMeasureChannelBW(std::int32_t v) { Put(ids::kMeasureChannelBW, Variant::Int32(v)); }
std::int32_t KvrPortClient::GetMeasureRollOff() { return Long(ids::kMeasureRollOff); }
void KvrPortClient::PutMeasureRollOff(std::int32_t v) { Put(ids::kMeasureRollOff, Variant::Int32(v)); }

std::int32_t KvrPortClient::GetMeasureNoiseGeneratorMode() { return Long(ids::kMeasureNoiseGeneratorMode); }
void KvrPortClient::PutMeasureNoiseGeneratorMode(std::int32_t v) { Put(ids::kMeasureNoiseGeneratorMode, Variant::Int32(v)); }
void KvrPortClient::PutMeasureCNR(double v) { Put(ids::kMeasureCNR, Variant::Double(v)); }
void KvrPortClient::PutMeasureMinBERIntegration(std::int32_t v) { Put(ids::kMeasureMinBERIntegration, Variant::Int32(v)); }
void KvrPortClient::MeasureResetBer() { Call(ids::kMeasureResetBer, InvokeKind::Method); }
std::int32_t KvrPortClient::GetMeasureFrameSync() { return Long(ids::kMeasureFrameSync); }
double KvrPortClient::GetMeasureBERBeforeVit() { return Double(ids::kMeasureBERBeforeVit); }
double KvrPortClient::GetMeasureBERBeforeRS() { return Double(ids::kMeasureBERBeforeRS); }
double KvrPortClient::GetMeasureBERAfterRS() { return Double(ids::kMeasureBERAfterRS); }
std::int32_t KvrPortClient::GetMeasureBERExponent() { return Long(ids::kMeasureBERExponent); }
std::int32_t KvrPortClient::GetMeasureBERCounter() { return Long(ids::kMeasureBERCounter); }
std::int32_t KvrPortClient::GetMeasureBERCounterMax() { return Long(ids::kMeasureBERCounterMax); }
double KvrPortClient::GetMeasureBitrate() { return Double(ids::kMeasureBitrate); }
std::string KvrPortClient::GetIdentity() { return Text(ids::kIdentity); }
std::string KvrPortClient::GetManufacturer() { return Text(ids::kManufacturer); }
std::string KvrPortClient::GetModelNumber() { return Text(ids::kModelNumber); }
std::string KvrPortClient::GetSerialNumber() { return Text(ids::kSerialNumber); }
std::string KvrPortClient::GetFirmwareVersion() { return Text(ids::kFirmwareVersion); }

}  // namespace tarvos
