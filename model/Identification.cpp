#include "model/Identification.h"

#include "model/Calendar.h"
#include "model/ModelTraits.h"
#include "model/Protocol.h"

#include <utility>

namespace tallyvox {
namespace {

constexpr int DefaultTimeUnit = 6;
const std::string PolarCDesignation = "Polar-C";

std::uint16_t WordAt(const TIdentificationReply& reply, int offset) {
    return static_cast<std::uint16_t>(reply[offset] + 256 * reply[offset + 1]);
}

bool IsComplexDigit(char c) {
    return c == '2' || c == '3';
}

// A complex calls itself "2?B" or "3?B" followed by anything; a Polar-C may
// carry text after its designation. Neither tail belongs to the model name.
std::string CutModelName(std::string name) {
    if (IsComplexDigit(name[0]) && name[2] == 'B') {
        name.resize(3);
    }
    if (name.starts_with(PolarCDesignation)) {
        name.resize(PolarCDesignation.size());
    }
    // Unused name bytes are zeros, which are no part of a printable name.
    const std::size_t end = name.find('\0');
    if (end != std::string::npos) {
        name.resize(end);
    }
    return name;
}

TModel NamedModel(const std::uint8_t* nameBytes) {
    const std::string raw(reinterpret_cast<const char*>(nameBytes), protocol::IdModelNameLength);
    TModel model;
    model.Name = CutModelName(raw);
    if (!model.Name.empty() && IsComplexDigit(model.Name[0])) {
        model.IsComplex = true;
        model.ExchangeCount = model.Name[0] - '0';
    }
    return model;
}

} // namespace

std::optional<TModel> ModelOfCode(std::uint8_t code, const std::uint8_t* nameBytes) {
    if (code == ComplexModel().Code) {
        return NamedModel(nameBytes);
    }
    if (const TModelTraits* model = ModelOfByte(code)) {
        return TModel{std::string(model->Name)};
    }
    return std::nullopt;
}

std::string VersionText(std::uint8_t main, std::uint8_t nibbles) {
    return std::to_string(main) + std::to_string(nibbles >> 4) + "," +
           std::to_string(nibbles & 0x0F);
}

std::optional<TIdentification> InterpretIdentification(const TIdentificationReply& reply) {
    std::optional<TModel> model =
        ModelOfCode(reply[protocol::IdModel], &reply[protocol::IdModelName]);
    if (!model) {
        return std::nullopt;
    }
    TIdentification id;
    id.Model = std::move(*model);
    id.Version = VersionText(reply[protocol::IdVersionMain], reply[protocol::IdVersionNibbles]);
    id.SerialNumber = std::to_string(WordAt(reply, protocol::IdSerial));
    const std::uint8_t timeUnit = reply[protocol::IdTimeUnit];
    id.TimeUnit = timeUnit == 0 ? DefaultTimeUnit : timeUnit;
    id.ExchangeClock = ExchangeTimeToCalendar(ExchangeSeconds(
        WordAt(reply, protocol::IdDays), WordAt(reply, protocol::IdTicks), id.TimeUnit));
    return id;
}

} // namespace tallyvox
