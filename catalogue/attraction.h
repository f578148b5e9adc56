#pragma once

#include "platform/json.h"
#include "platform/url.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace wayfarer {

namespace platform {
class Image;
}

struct CatalogueContext;

// One activity of the catalogue, shared by reference: the session's list, the cells and
// the detail screen hold the same object, so a like or a fetched cover is seen by all.
// After it is handed to the session, it is changed on the main thread only.
class Attraction : public std::enable_shared_from_this<Attraction> {
public:
    enum class Currency { USD, EUR };

    static std::optional<Currency> currencyFromRawValue(std::string_view rawValue);
    static std::string_view rawValue(Currency currency);

    // A record with only its uuid; nothing for an empty uuid.
    static std::shared_ptr<Attraction> make(std::string uuid);

    // The record of one JSON object of the catalogue's answer, or nothing when the object
    // is empty or has no non-empty string "uuid". A member of the wrong type counts as
    // missing.
    static std::shared_ptr<Attraction> fromDictionary(platform::JsonValue object);

    // Fetches the cover image once and keeps it in the record. Call on the main thread;
    // `completion` runs once, at once when there is no coverURL, otherwise from the main
    // queue after the image (or its absence) has been stored.
    void loadCoverImage(std::function<void()> completion);
    void loadCoverImage(std::function<void()> completion, const CatalogueContext& context);

    const std::string uuid;
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<platform::URL> coverURL;
    std::optional<std::string> price;
    std::optional<std::string> operationalDays;
    std::shared_ptr<const platform::Image> coverImg;
    bool userDidLike = false;
    bool didLoadImage = false;

    // Records are the same activity when their uuids are the same text.
    friend bool operator==(const Attraction& a, const Attraction& b) { return a.uuid == b.uuid; }

private:
    struct Token {};

public:
    Attraction(Token, std::string id) : uuid(std::move(id)) {}
};

}
