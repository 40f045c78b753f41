#include "model/RealTime.h"

#include "model/Record.h"
#include "text/Cp1251.h"

namespace tallyvox {

namespace {

constexpr std::uint8_t SubscriberLineType = 0x44;
constexpr std::uint8_t DirectoryLineType = 0x45;
constexpr std::uint8_t TrunkType = 0x46;
constexpr std::uint8_t IntercomType = 0x47;
constexpr std::size_t EntrySize = 3; // type, number code, value

// The state reply knows a model by a name that holds the model's stem anywhere.
const TModelTraits* StateModel(const std::string& modelName) {
    return ModelNamed(modelName, TNameMatch::Contains);
}

// Unlike a call record, the state reply gives the trunk code as the exchange
// counts it, without the offset of one.
int TrunkEntryNumber(const std::string& modelName, std::uint8_t code) {
    const TModelTraits* model = StateModel(modelName);
    return TrunkNumber(model ? model->StateTrunkFamily : TTrunkFamily::Other, code);
}

TLineNumbering LineNumberingOf(const std::string& modelName) {
    if (const TModelTraits* model = StateModel(modelName)) {
        return model->LineNumbering;
    }
    // A complex, whose name carries a "B".
    return modelName.find('B') != std::string::npos ? ComplexModel().LineNumbering
                                                    : TLineNumbering::None;
}

int LineEntryNumber(const std::string& modelName, std::uint8_t code) {
    switch (LineNumberingOf(modelName)) {
    case TLineNumbering::FromTwoHundred:
        return 200 + code;
    case TLineNumbering::BanksOfEight:
        return 200 + 10 * (code / 8) + code % 8;
    case TLineNumbering::PerExchange:
        return code + 1;
    case TLineNumbering::None:
        break;
    }
    return -1;
}

std::string EntryText(const std::uint8_t* entry, const std::string& modelName) {
    const std::uint8_t type = entry[0];
    const std::uint8_t code = entry[1];
    const std::uint8_t value = entry[2];
    return RealTimeLabel(type) + std::to_string(RealTimeNumber(modelName, type, code)) + "(" +
           std::to_string(value) + ")   ";
}

} // namespace

std::string RealTimeLabel(std::uint8_t type) {
    switch (type) {
    case SubscriberLineType:
        return text::Utf8ToCp1251("АЛ");
    case DirectoryLineType:
        return text::Utf8ToCp1251("Дф");
    case TrunkType:
        return text::Utf8ToCp1251("СЛ");
    case IntercomType:
        return text::Utf8ToCp1251("ГГС");
    default:
        return "???";
    }
}

int RealTimeNumber(const std::string& modelName, std::uint8_t type, std::uint8_t code) {
    return type == TrunkType ? TrunkEntryNumber(modelName, code) : LineEntryNumber(modelName, code);
}

// Each group is a count N followed by N three-byte entries; a zero count ends the
// reply. The parse never reads past the received payload: a group whose entries
// run past it keeps the entries that arrived whole and ends the parse, and no more
// groups are taken than there are lines to hold them.
std::vector<std::string> ParseRealTimePayload(const std::uint8_t* payload, std::size_t length,
                                              const std::string& modelName) {
    std::vector<std::string> lines;
    std::size_t position = 0;
    while (position < length && lines.size() < static_cast<std::size_t>(RealTimeMaxLines)) {
        const std::size_t entryCount = payload[position];
        ++position;
        std::string& line = lines.emplace_back();
        for (std::size_t entry = 0; entry < entryCount; ++entry) {
            if (length - position < EntrySize) {
                return lines;
            }
            line += EntryText(payload + position, modelName);
            position += EntrySize;
        }
        if (position < length && payload[position] == 0) {
            break;
        }
    }
    return lines;
}

} // namespace tallyvox
