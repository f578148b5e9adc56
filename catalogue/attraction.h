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

// Shared by DataManager, the table cells and the detail screen, so a like or a loaded
// cover shows everywhere. Once DataManager holds it, mutate it on the main thread only.
class Attraction : public std::enable_shared_from_this<Attraction> {
    // Declared first so it is destroyed after the texts that live in it.
    TextRoom texts_;

public:
    enum class Currency { USD, EUR };

    // fromDictionary makes one allocation: the texts live in a TextRoom tail after the
    // object. A copied Text owns its bytes; a moved-from-construction one still points there.
    using Text = RecordText;

    static std::optional<Currency> currencyFromRawValue(std::string_view rawValue);
    static std::string_view rawValue(Currency currency);

    // nullptr for an empty uuid.
    static std::shared_ptr<Attraction> make(std::string_view uuid);

    // nullptr without a non-empty string "uuid"; a member of the wrong JSON type is absent.
    static std::shared_ptr<Attraction> fromDictionary(platform::JsonValue object);

    // Main thread. Fetches once; `completion` runs synchronously without coverURL, else on
    // the main queue after the image (or its absence) is stored.
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
    // HttpResponse::server of the answer it came in; the cover's HttpRequest::initiator,
    // so an internet record cannot make us fetch from a local address. Default is the safe one.
    platform::AddressSpace origin = platform::AddressSpace::internet;

    friend bool operator==(const Attraction& a, const Attraction& b) { return a.uuid == b.uuid; }

    struct Texts {
        std::string_view uuid;
        std::optional<std::string_view> title, description, coverURL, price, operationalDays;
    };

private:
    struct Token {};

    std::pmr::polymorphic_allocator<char> textAllocator() { return &texts_; }

public:
    // `*room` (roomSize bytes) is set by WithRoom::allocate just before this runs.
    Attraction(Token, const Texts& texts, bool didLoadImage, void* const* room, std::size_t roomSize);
};

}
