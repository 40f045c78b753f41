#include "model/ModelTraits.h"

namespace tallyvox {

const TModelTraits* ModelOfByte(std::uint8_t code) {
    if (code == ComplexModel().Code) {
        return nullptr;
    }
    for (const TModelTraits& model : ModelTable) {
        if (model.Code == code) {
            return &model;
        }
    }
    return nullptr;
}

const TModelTraits& ComplexModel() {
    return ModelTable.back();
}

const TModelTraits* ModelNamed(std::string_view name, TNameMatch match) {
    for (const TModelTraits& model : ModelTable) {
        if (model.Stem.empty()) {
            continue;
        }
        const bool matches = model.StemExact               ? name == model.Stem
                             : match == TNameMatch::Prefix ? name.starts_with(model.Stem)
                                                           : name.find(model.Stem) != name.npos;
        if (matches) {
            return &model;
        }
    }
    return nullptr;
}

} // namespace tallyvox
