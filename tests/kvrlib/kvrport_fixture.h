// The fixture of the KVRPort tests: a KVRPort object with the fake driver side registered,
// and short ways to call its members through its dispatch interface.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "kvrlib/kvrport.h"
#include "tests/kvrlib/fake_driver.h"

namespace tarvos::automation {
// Readable values in failure messages.
inline void PrintTo(const Variant& v, std::ostream* os) {
    const auto text = v.ToUtf8();
    *os << VarTypeName(v.Type()) << " " << (text.ok() ? text.value : "?");
}
}  // namespace tarvos::automation

namespace tarvos::kvrlib {

using automation::DispId;
using automation::InvokeKind;
using automation::Variant;
using testing::Fakes;
using testing::FakeDriver;
using testing::LastDriver;
using Calls = std::vector<std::string>;

class KvrPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::RegisterFakeClasses();
        testing::ResetFakes();
    }

    HResult Invoke(DispId id, InvokeKind kind, std::vector<Variant> args, Variant* result = nullptr) {
        return port->Invoke(id, kind, args, result);
    }
    Variant Get(DispId id) {
        Variant result;
        EXPECT_EQ(Invoke(id, InvokeKind::PropertyGet, {}, &result), HResult::Ok);
        return result;
    }
    void Put(DispId id, Variant value) { EXPECT_EQ(Invoke(id, InvokeKind::PropertyPut, {value}), HResult::Ok); }
    Variant Call(DispId id, Variant arg) {
        Variant result;
        EXPECT_EQ(Invoke(id, InvokeKind::Method, {arg}, &result), HResult::Ok);
        return result;
    }
    // The driver SelectDriver created (none when it created none).
    automation::ComPtr<FakeDriver> Select(int kind) {
        LastDriver() = nullptr;
        Call(kvrport::kSelectDriver, Variant::Int32(kind));
        return LastDriver();
    }
    DriverControl* ControlOf(const automation::ComPtr<FakeDriver>& driver) { return driver.get(); }

    automation::ComPtr<KVRPort> port = automation::ComPtr<KVRPort>::Adopt(new KVRPort);
};

}  // namespace tarvos::kvrlib
