#include "attraction.h"

namespace wayfarer {

std::optional<Attraction::Currency> Attraction::currencyFromRawValue(std::string_view rawValue) {
    if (rawValue == "USD")
        return Currency::USD;
    if (rawValue == "EUR")
        return Currency::EUR;
    return std::nullopt;
}

std::string_view Attraction::rawValue(Currency currency) {
    switch (currency) {
    case Currency::USD: return "USD";
    case Currency::EUR: return "EUR";
    }
    return "USD";
}

std::shared_ptr<Attraction> Attraction::make(std::string uuid) {
    if (uuid.empty())
        return nullptr;
    return std::make_shared<Attraction>(Token{}, std::move(uuid));
}

namespace {

std::optional<std::string> stringMember(platform::JsonValue object, std::string_view key) {
    if (const auto value = object.member(key))
        if (const auto text = value->string())
            return std::string(*text);
    return std::nullopt;
}

}

std::shared_ptr<Attraction> Attraction::fromDictionary(platform::JsonValue object) {
    if (!object.isObject() || object.size() == 0)
        return nullptr;
    const auto uuid = stringMember(object, "uuid");
    if (!uuid)
        return nullptr;
    auto record = make(*uuid);
    if (!record)
        return nullptr;

    record->title = stringMember(object, "title");
    record->description = stringMember(object, "description");
    record->operationalDays = stringMember(object, "operational_days");
    if (const auto cover = stringMember(object, "cover_image_url"))
        record->coverURL = platform::URL::parse(*cover);
    else
        record->didLoadImage = true;
    if (const auto retailPrice = object.member("retail_price"); retailPrice && retailPrice->isObject())
        record->price = stringMember(*retailPrice, "formatted_value");
    return record;
}

}
