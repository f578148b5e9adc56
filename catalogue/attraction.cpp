#include "attraction.h"

#include <algorithm>

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

namespace {

std::optional<Attraction::Text> textOf(const std::optional<std::string_view>& text,
                                       std::pmr::polymorphic_allocator<char> allocator) {
    if (!text)
        return std::nullopt;
    return std::optional<Attraction::Text>(std::in_place, *text, allocator);
}

}

// Each RecordText is built in place in the TextRoom, straight from the JSON's bytes.
Attraction::Attraction(Token, const Texts& texts, bool loaded, void* const* room, std::size_t roomSize)
    : texts_(room ? *room : nullptr, room ? roomSize : 0),
      uuid(texts.uuid, textAllocator()),
      title(textOf(texts.title, textAllocator())),
      description(textOf(texts.description, textAllocator())),
      coverURL(texts.coverURL ? platform::URL::parse(*texts.coverURL, textAllocator()) : std::nullopt),
      price(textOf(texts.price, textAllocator())),
      operationalDays(textOf(texts.operationalDays, textAllocator())),
      didLoadImage(loaded) {}

std::shared_ptr<Attraction> Attraction::make(std::string_view uuid) {
    if (uuid.empty())
        return nullptr;
    Texts texts;
    texts.uuid = uuid;
    return std::make_shared<Attraction>(Token{}, texts, false, nullptr, 0);
}

namespace {

// Allocator for std::allocate_shared: one block for the control block, the object and
// `room` text bytes, whose address goes to `*where` for the constructor.
template <typename T> struct WithRoom {
    using value_type = T;

    std::size_t room;
    void** where;

    WithRoom(std::size_t roomSize, void** address) : room(roomSize), where(address) {}
    template <typename U> WithRoom(const WithRoom<U>& other) noexcept : room(other.room), where(other.where) {}

    T* allocate(std::size_t n) {
        const std::size_t size = n * sizeof(T);
        auto* block = static_cast<std::byte*>(::operator new(size + room));
        *where = block + size;
        return reinterpret_cast<T*>(block);
    }
    // Unsized ::operator delete: sized deallocation is off by default in some compilers (clang < 19).
    void deallocate(T* block, std::size_t) noexcept { ::operator delete(block); }

    template <typename U> bool operator==(const WithRoom<U>& other) const noexcept { return room == other.room; }
};

// Filled by one JsonValue::findMembers pass; first duplicate key wins, wrong JSON type is absent.
struct RecordMembers {
    bool hasUuid = false;
    Attraction::Texts texts;

    explicit RecordMembers(platform::JsonValue object) {
        static const platform::JsonKeys keys{"uuid",  "title", "description", "operational_days", "cover_image_url",
                                             "retail_price"};
        std::optional<platform::JsonValue> found[6];
        object.findMembers(keys, found);
        hasUuid = found[0] && found[0]->readString(texts.uuid);
        read(found[1], texts.title);
        read(found[2], texts.description);
        read(found[3], texts.operationalDays);
        read(found[4], texts.coverURL);
        if (found[5])
            read(found[5]->member("formatted_value"), texts.price);
    }

    static void read(const std::optional<platform::JsonValue>& value, std::optional<std::string_view>& text) {
        if (std::string_view view; value && value->readString(view))
            text.emplace(view);
    }

    std::size_t textBytes() const {
        std::size_t bytes = texts.uuid.size() + 1;
        for (const auto* text : {&texts.title, &texts.description, &texts.coverURL, &texts.price, &texts.operationalDays})
            bytes += *text ? (*text)->size() + 1 : 0;
        return bytes;
    }
};

}

std::shared_ptr<Attraction> Attraction::fromDictionary(platform::JsonValue object) {
    if (!object.isObject())
        return nullptr;
    const RecordMembers members(object);
    if (!members.hasUuid || members.texts.uuid.empty())
        return nullptr;
    const std::size_t room = members.textBytes();
    void* texts = nullptr;
    const bool didLoadImage = !members.texts.coverURL;
    return std::allocate_shared<Attraction>(WithRoom<Attraction>(room, &texts), Token{}, members.texts, didLoadImage,
                                            &texts, room);
}

}
