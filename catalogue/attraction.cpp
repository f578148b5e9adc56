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

// The members a record reads. One pass over the object takes each at its first
// occurrence, as a lookup by key would.
struct RecordMembers {
    std::optional<platform::JsonValue> uuid, title, description, operationalDays, coverImageURL, retailPrice;

    explicit RecordMembers(platform::JsonValue object) {
        object.forEachMember([this](std::string_view key, platform::JsonValue value) {
            if (auto* slot = slotOf(key); slot && !*slot)
                *slot = value;
        });
    }

    std::optional<platform::JsonValue>* slotOf(std::string_view key) {
        switch (key.size()) {
        case 4: return key == "uuid" ? &uuid : nullptr;
        case 5: return key == "title" ? &title : nullptr;
        case 11: return key == "description" ? &description : nullptr;
        case 12: return key == "retail_price" ? &retailPrice : nullptr;
        case 15: return key == "cover_image_url" ? &coverImageURL : nullptr;
        case 16: return key == "operational_days" ? &operationalDays : nullptr;
        default: return nullptr;
        }
    }
};

std::optional<std::string_view> text(const std::optional<platform::JsonValue>& value) {
    return value ? value->string() : std::nullopt;
}

// Copies the text straight into the record's field.
void take(std::optional<std::string>& field, const std::optional<platform::JsonValue>& value) {
    if (const auto view = text(value))
        field.emplace(*view);
}

}

std::shared_ptr<Attraction> Attraction::fromDictionary(platform::JsonValue object) {
    if (!object.isObject() || object.size() == 0)
        return nullptr;
    const RecordMembers members(object);
    const auto uuid = text(members.uuid);
    if (!uuid)
        return nullptr;
    auto record = make(std::string(*uuid));
    if (!record)
        return nullptr;

    take(record->title, members.title);
    take(record->description, members.description);
    take(record->operationalDays, members.operationalDays);
    if (const auto cover = text(members.coverImageURL))
        record->coverURL = platform::URL::parse(std::string(*cover));
    else
        record->didLoadImage = true;
    if (members.retailPrice && members.retailPrice->isObject())
        take(record->price, members.retailPrice->member("formatted_value"));
    return record;
}

}
