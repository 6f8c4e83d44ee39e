// The program's typed proxy of one KVRPort object of the instrument library: one operation per
// member the program uses, each one late-bound call by its fixed dispatch id. A client without
// an object makes no calls and reads false or 0.
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation/dispatch.h"

namespace tarvos {

class KvrPortClient {
public:
    KvrPortClient() = default;
    ~KvrPortClient() { Release(); }
    KvrPortClient(const KvrPortClient&) = delete;
    KvrPortClient& operator=(const KvrPortClient&) = delete;

    // Creates the object by its ProgID "KvrLib.KVRPort" and calls Initialize; false when it
    // cannot be created (the client then holds none).
    bool Create();
    // Drops the object; harmless when there is none.
    void Release();
    bool HasObject() const { return static_cast<bool>(dispatch_); }

    void Initialize();
    void SelectDriver(std::int32_t driver);
    bool SettingsRCMethod(std::int32_t method);
    bool SettingsCommPort(std::int32_t port);
    bool SettingsBaudRate(std::int32_t rate);
    bool SettingsDataBits(std::int32_t bits);
    bool SettingsParity(const std::string& parity);
    bool SettingsStopBits(std::int32_t bits);
    bool SettingsHandshaking(std::int32_t handshake);
    bool SettingsBoard(std::int32_t board);
    bool SettingsPrimaryAddress(std::int32_t address);
    bool SettingsRemoteHost(const std::string& host);
    bool SettingsRemotePort(std::int32_t port);
    bool SettingsShowCommands(bool show);
    bool SettingsXPosition(std::int32_t position);
    bool SettingsYPosition(std::int32_t position);

    void PutOnLine(bool online);
    int GetOnLine();  // nonzero: on line

    std::int32_t GetSystemMode();
    void PutSystemMode(std::int32_t mode);
    std::int32_t GetMeasureInputPort();
    void PutMeasureInputPort(std::int32_t input);
    double GetMeasureRF();  // Hz
    void PutMeasureRF(double hz);
    double GetMeasureSymbolRate();  // symbols per second
    void PutMeasureSymbolRate(double rate);
    std::int32_t GetMeasureQAMOrder();
    void PutMeasureQAMOrder(std::int32_t order);
    std::int32_t GetMeasureFilterBW();
    void PutMeasureFilterBW(std::int32_t mhz);
    std::int32_t GetMeasureChannelBW();
    void PutMeasureChannelBW(std::int32_t mhz);
    std::int32_t GetMeasureRollOff();
    void PutMeasureRollOff(std::int32_t code);

    std::int32_t GetMeasureNoiseGeneratorMode();  // 0 off, 1 on; a failed read also gives 0
    void PutMeasureNoiseGeneratorMode(std::int32_t mode);
    void PutMeasureCNR(double cnr);
    void PutMeasureMinBERIntegration(std::int32_t intervals);
    void MeasureResetBer();
    std::int32_t GetMeasureFrameSync();
    double GetMeasureBERBeforeVit();
    double GetMeasureBERBeforeRS();
    double GetMeasureBERAfterRS();
    std::int32_t GetMeasureBERExponent();
    std::int32_t GetMeasureBERCounter();
    std::int32_t GetMeasureBERCounterMax();
    double GetMeasureBitrate();  // Mbit/s

    // Identity strings, UTF-8; empty when the read fails.
    std::string GetIdentity();
    std::string GetManufacturer();
    std::string GetModelNumber();
    std::string GetSerialNumber();
    std::string GetFirmwareVersion();

private:
    automation::Variant Call(automation::DispId id, automation::InvokeKind kind,
                             std::vector<automation::Variant> args = {});
    std::int32_t Long(automation::DispId id);
    double Double(automation::DispId id);
    std::string Text(automation::DispId id);
    bool Method(automation::DispId id, automation::Variant argument);
    void Put(automation::DispId id, automation::Variant value);

    automation::ComPtr<automation::IDispatch> dispatch_;
};

}  // namespace tarvos
