#pragma once

#include "record_text.h"

#include "platform/address_space.h"
#include "platform/json.h"
#include "platform/url.h"

#include <functional>
#include <memory>
#include <memory_resource>
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
    // Where the texts live; destroyed after them, so it comes first.
    TextRoom texts_;

public:
    enum class Currency { USD, EUR };

    // A record read from an answer is one allocation: its texts live in room made for
    // them after the record. A text copied out of a record owns its bytes; one moved out
    // by construction still lives in the record.
    using Text = RecordText;

    static std::optional<Currency> currencyFromRawValue(std::string_view rawValue);
    static std::string_view rawValue(Currency currency);

    // A record with only its uuid; nothing for an empty uuid.
    static std::shared_ptr<Attraction> make(std::string_view uuid);

    // The record of one JSON object of the catalogue's answer, or nothing when the object
    // is empty or has no non-empty string "uuid". A member of the wrong type counts as
    // missing.
    static std::shared_ptr<Attraction> fromDictionary(platform::JsonValue object);

    // Fetches the cover image once and keeps it in the record. Call on the main thread;
    // `completion` runs once, at once when there is no coverURL, otherwise from the main
    // queue after the image (or its absence) has been stored.
    void loadCoverImage(std::function<void()> completion);
    void loadCoverImage(std::function<void()> completion, const CatalogueContext& context);

    const Text uuid;
    std::optional<Text> title;
    std::optional<Text> description;
    std::optional<platform::URL> coverURL;
    std::optional<Text> price;
    std::optional<Text> operationalDays;
    std::shared_ptr<const platform::Image> coverImg;
    bool userDidLike = false;
    bool didLoadImage = false;
    // Where the answer that brought the record was served from: its cover is fetched on
    // that server's behalf (HttpRequest::initiator), so one from the internet cannot reach
    // this machine or its network. The transport sets it; other records count as from the internet.
    platform::AddressSpace origin = platform::AddressSpace::internet;

    // Records are the same activity when their uuids are the same text.
    friend bool operator==(const Attraction& a, const Attraction& b) { return a.uuid == b.uuid; }

    // The texts a record is made from, read from an answer.
    struct Texts {
        std::string_view uuid;
        std::optional<std::string_view> title, description, coverURL, price, operationalDays;
    };

private:
    struct Token {};

    std::pmr::polymorphic_allocator<char> textAllocator() { return &texts_; }

public:
    // `*room`, when there is one, holds `roomSize` bytes for the texts; it is read only
    // here, because it is known only once the record's memory is allocated.
    Attraction(Token, const Texts& texts, bool didLoadImage, void* const* room, std::size_t roomSize);
};

}
