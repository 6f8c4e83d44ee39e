#include "platform/automation/variant.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>

#include "platform/automation/dispatch.h"

namespace tarvos::automation {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

Variant Text(const char* utf8) { return Variant::Utf8(utf8); }

TEST(VariantToInteger, RoundsHalfToEvenOnBothSides) {
    const struct { double in; std::int32_t out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {-3.5, -4},
        {2.4999999999999996, 2}, {2.5000000000000004, 3}, {-7.7, -8}};
    for (const auto& c : cases) {
        const auto r = Variant::Double(c.in).ToInt32();
        ASSERT_TRUE(r.ok()) << c.in;
        EXPECT_EQ(r.value, c.out) << c.in;
    }
}

TEST(VariantToInteger, ChecksTheRangeAfterRounding) {
    EXPECT_EQ(Variant::Double(2147483647.4).ToInt32().value, 2147483647);
    EXPECT_EQ(Variant::Double(2147483647.5).ToInt32().hr, HResult::Overflow);
    EXPECT_EQ(Variant::Double(-2147483648.5).ToInt32().value, -2147483648);
    EXPECT_EQ(Variant::Double(-2147483649.5).ToInt32().hr, HResult::Overflow);
    EXPECT_EQ(Variant::Double(32767.5).ToInt16().hr, HResult::Overflow);
    EXPECT_EQ(Variant::Double(-32768.5).ToInt16().value, -32768);
    EXPECT_EQ(Variant::Int32(32767).ToInt16().value, 32767);
    EXPECT_EQ(Variant::Int32(32768).ToInt16().hr, HResult::Overflow);
    EXPECT_EQ(Variant::Int32(-32769).ToInt16().hr, HResult::Overflow);
    for (double bad : {std::nan(""), kInf, -kInf, 1e300}) {
        EXPECT_EQ(Variant::Double(bad).ToInt32().hr, HResult::Overflow) << bad;
        EXPECT_EQ(Variant::Double(bad).ToInt16().hr, HResult::Overflow) << bad;
    }
}

TEST(VariantToInteger, ParsesTextExactly) {
    EXPECT_EQ(Text("  12.5 ").ToInt32().value, 12);
    EXPECT_EQ(Text("13.5").ToInt32().value, 14);
    EXPECT_EQ(Text("-2.5").ToInt16().value, -2);
    EXPECT_EQ(Text("1e3").ToInt32().value, 1000);
    EXPECT_EQ(Text("+.5E1").ToInt32().value, 5);
    EXPECT_EQ(Text("2500e-3").ToInt32().value, 2);
    EXPECT_EQ(Text("0.000001").ToInt32().value, 0);
    // A double would round these to the tie and pick the wrong side.
    EXPECT_EQ(Text("32767.49999999999999999").ToInt16().value, 32767);
    EXPECT_EQ(Text("2.50000000000000000001").ToInt32().value, 3);
    EXPECT_EQ(Text("2147483647.5").ToInt32().hr, HResult::Overflow);
    EXPECT_EQ(Text("-2147483648.5").ToInt32().value, -2147483648);
    EXPECT_EQ(Text("1e999999999999999999").ToInt32().hr, HResult::Overflow);
    EXPECT_EQ(Text("1e-999999999999999999").ToInt32().value, 0);
    for (const char* bad : {"abc", "", "   ", "12abc", "1 2", "e5", "1e", "1e+", ".", "-", "inf", "nan",
                            "&H1F", "1,5"}) {
        EXPECT_EQ(Text(bad).ToInt32().hr, HResult::TypeMismatch) << bad;
        EXPECT_EQ(Text(bad).ToReal().hr, HResult::TypeMismatch) << bad;
    }
}

TEST(VariantConversions, BooleanEmptyObjectAndErrorFollowTheRules) {
    EXPECT_EQ(Variant::Bool(true).ToInt32().value, -1);
    EXPECT_EQ(Variant::Bool(true).ToInt16().value, -1);
    EXPECT_EQ(Variant::Bool(true).ToReal().value, -1.0);
    EXPECT_EQ(Variant::Bool(true).ToUtf8().value, "True");
    EXPECT_EQ(Variant::Bool(false).ToUtf8().value, "False");
    EXPECT_EQ(Variant().ToInt32().value, 0);
    EXPECT_EQ(Variant().ToUtf8().value, "");
    EXPECT_FALSE(Variant().ToBool().value);

    const auto toBool = [](const Variant& v) { return v.ToBool(); };
    EXPECT_TRUE(toBool(Text(" tRuE ")).value);
    EXPECT_FALSE(toBool(Text("FALSE")).value);
    EXPECT_TRUE(toBool(Text("-0.5")).value);
    EXPECT_TRUE(toBool(Text("1e-400")).value);
    EXPECT_FALSE(toBool(Text("0.000")).value);
    EXPECT_EQ(toBool(Text("yes")).hr, HResult::TypeMismatch);
    EXPECT_TRUE(toBool(Variant::Double(std::nan(""))).value);
    EXPECT_TRUE(toBool(Variant::Int16(2)).value);
    EXPECT_FALSE(toBool(Variant::Double(-0.0)).value);

    for (const Variant& v : {Variant::ErrorCode(HResult::Fail), Variant::Object(nullptr)}) {
        EXPECT_EQ(v.ToInt32().hr, HResult::TypeMismatch);
        EXPECT_EQ(v.ToReal().hr, HResult::TypeMismatch);
        EXPECT_EQ(v.ToBool().hr, HResult::TypeMismatch);
        EXPECT_EQ(v.ToUtf8().hr, HResult::TypeMismatch);
    }
    EXPECT_EQ(Text("1e309").ToReal().hr, HResult::Overflow);
    const auto tiny = Text("-1e-400").ToReal();  // below the smallest double: reads as zero
    EXPECT_TRUE(tiny.ok());
    EXPECT_TRUE(tiny.value == 0.0 && std::signbit(tiny.value));
    EXPECT_STREQ(VarTypeName(Variant::Int16(1).Type()), "Integer");
    EXPECT_STREQ(VarTypeName(Variant::Bool(false).Type()), "Boolean");
}

TEST(VariantToString, DoublesReadBackToTheSameBits) {
    for (double d : {0.1, 1 / 3.0, 1e300, 5e-324, -0.0, 1e-5, -123.25, 2147483648.0}) {
        const auto text = Variant::Double(d).ToString();
        ASSERT_TRUE(text.ok()) << d;
        const auto back = Variant::String(text.value).ToReal();
        ASSERT_TRUE(back.ok()) << d;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back.value), std::bit_cast<std::uint64_t>(d)) << d;
    }
    EXPECT_EQ(Variant::Double(0.1).ToUtf8().value, "0.1");
    EXPECT_EQ(Variant::Int32(-2147483647 - 1).ToUtf8().value, "-2147483648");
    EXPECT_EQ(Variant::Int16(-32768).ToUtf8().value, "-32768");
}

TEST(Utf, RoundTripsTheWholeRange) {
    const std::string texts[] = {"plain ASCII", "\xC3\x84", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E",
                                 std::string("nul\0inside", 10)};
    const std::u16string expected[] = {u"plain ASCII", u"\u00C4", u"\u20AC", u"\U0001D11E",
                                       std::u16string(u"nul\0inside", 10)};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(Utf8ToUtf16(texts[i]), expected[i]) << i;
        EXPECT_EQ(Utf16ToUtf8(expected[i]), texts[i]) << i;
        EXPECT_EQ(Variant::Utf8(texts[i]).ToUtf8().value, texts[i]) << i;
    }
    EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
}

TEST(Utf, ReplacesEachBadSequence) {
    const struct { const char* in; const char16_t* out; } cases[] = {
        {"a\xC0\xAF" "b", u"a\uFFFD\uFFFDb"},        // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},      // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},      // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xF5\xFF", u"\uFFFD\uFFFD"},
        {"\x80x", u"\uFFFDx"},                        // stray continuation byte
        {"\xE2\x82" "A", u"\uFFFDA"},                 // cut short, next character kept
        {"x\xF0\x9D\x84", u"x\uFFFD"},                // cut short at the end
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;

    EXPECT_EQ(Utf16ToUtf8(u"a\xD834" "b"), "a\xEF\xBF\xBD" "b");          // lone high
    EXPECT_EQ(Utf16ToUtf8(u"\xDD1E\xD834"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // reversed pair
}

// An object that counts its references and answers IDispatch only when asked to.
class FakeObject final : public IDispatch {
public:
    explicit FakeObject(bool dispatch) : dispatch_(dispatch) {}
    HResult QueryInterface(const Guid& iid, void** out) noexcept override {
        *out = nullptr;
        if (iid != IUnknown::kIid && !(dispatch_ && iid == IDispatch::kIid)) return HResult::NoInterface;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return HResult::Ok;
    }
    std::uint32_t AddRef() noexcept override { return ++refs; }
    std::uint32_t Release() noexcept override { return --refs; }
    HResult GetIdOfName(std::u16string_view, DispId*) noexcept override { return HResult::UnknownName; }
    HResult Invoke(DispId, InvokeKind, std::vector<Variant>&, Variant*) noexcept override {
        return HResult::MemberNotFound;
    }
    const TypeInfo* GetTypeInfo() noexcept override { return nullptr; }

    std::uint32_t refs = 1;  // the test's own reference, never released

private:
    bool dispatch_;
};

TEST(VariantToDispatch, QueriesObjectsOnly) {
    EXPECT_EQ(Variant::Int32(1).ToDispatch().hr, HResult::TypeMismatch);
    EXPECT_EQ(Text("obj").ToDispatch().hr, HResult::TypeMismatch);
    EXPECT_EQ(Variant::Object(nullptr).ToDispatch().hr, HResult::TypeMismatch);

    FakeObject plain(false);
    FakeObject dispatch(true);
    {
        const Variant p = Variant::Object(ComPtr<IUnknown>::Share(&plain));
        EXPECT_EQ(p.ToDispatch().hr, HResult::TypeMismatch);
        const Variant d = Variant::Object(ComPtr<IUnknown>::Share(&dispatch));
        const auto r = d.ToDispatch();
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.value.get(), static_cast<IDispatch*>(&dispatch));
        EXPECT_EQ(dispatch.refs, 3u);
        EXPECT_TRUE(d == Variant::Object(ComPtr<IUnknown>::Share(&dispatch)));
        EXPECT_FALSE(d == p);
    }
    EXPECT_EQ(plain.refs, 1u);  // every reference taken was given back
    EXPECT_EQ(dispatch.refs, 1u);
}

TEST(VariantEquality, NeedsSameTypeAndValue) {
    EXPECT_TRUE(Variant::Int16(1) == Variant::Int16(1));
    EXPECT_FALSE(Variant::Int16(1) == Variant::Int32(1));
    EXPECT_FALSE(Variant::Bool(true) == Variant::Int16(-1));
    EXPECT_TRUE(Variant::Double(0.0) == Variant::Double(-0.0));
    EXPECT_FALSE(Variant::Double(std::nan("")) == Variant::Double(std::nan("")));
    EXPECT_TRUE(Text("\xC3\x84") == Variant::String(u"\u00C4"));
    EXPECT_TRUE(Variant() == Variant());
    EXPECT_FALSE(Variant::ErrorCode(HResult::Fail) == Variant::ErrorCode(HResult::Overflow));
}

}  // namespace
}  // namespace tarvos::automation
