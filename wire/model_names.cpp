#include "wire/model_names.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tarvos::wire {
namespace {

constexpr std::pair<const char*, sim::Family> kModels[] = {
    {"KVR T1/T3", sim::kQam}, {"KVR W1/W3", sim::kDvbt}, {"KVR X1/X3", sim::kAtsc},
    {"KVR Y1/Y3", sim::kJ83ac}, {"KVR Z1/Z3", sim::kJ83b}};

}  // namespace

const char* ModelOfFamily(sim::Family family) {
    for (const auto& [text, f] : kModels)
        if (f == family) return text;
    return "KVR T1/T3";
}

std::optional<sim::Family> FamilyOfModel(std::string_view model) {
    for (const auto& [text, family] : kModels) {
        const std::string_view t(text);
        if (std::equal(t.begin(), t.end(), model.begin(), model.end(),
                       [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b)); }))
            return family;
    }
    return std::nullopt;
}

}  // namespace tarvos::wire
