#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>

namespace wayfarer {

// A text of a record: a std::pmr::string in the record's own memory, which reads as a
// std::string wherever one is asked for (a copy, like any copy of a record's text).
class RecordText : public std::pmr::string {
public:
    using std::pmr::string::basic_string;
    using std::pmr::string::operator=;

    operator std::string() const { return std::string(data(), size()); }

    friend bool operator==(const RecordText& a, const RecordText& b) { return std::string_view(a) == std::string_view(b); }
    friend bool operator==(const RecordText& a, std::string_view b) { return std::string_view(a) == b; }
    friend bool operator==(const RecordText& a, const char* b) { return std::string_view(a) == b; }
};

// The memory a record's texts come from: first the room made for them in the record's own
// allocation, then ordinary memory, which is given back when a text is, so that texts set
// later come and go as std::string's would.
class TextRoom final : public std::pmr::memory_resource {
public:
    TextRoom() = default;
    TextRoom(void* room, std::size_t size) : begin_(static_cast<std::byte*>(room)), next_(begin_), end_(begin_ + size) {}
    TextRoom(const TextRoom&) = delete;
    TextRoom& operator=(const TextRoom&) = delete;

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override {
        void* at = next_;
        std::size_t space = static_cast<std::size_t>(end_ - next_);
        if (next_ && std::align(alignment, bytes, at, space)) {
            next_ = static_cast<std::byte*>(at) + bytes;
            return at;
        }
        return std::pmr::new_delete_resource()->allocate(bytes, alignment);
    }

    void do_deallocate(void* block, std::size_t bytes, std::size_t alignment) override {
        const std::less<const void*> before;
        if (before(block, begin_) || !before(block, end_))
            std::pmr::new_delete_resource()->deallocate(block, bytes, alignment);
    }

    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    std::byte* begin_ = nullptr;
    std::byte* next_ = nullptr;
    std::byte* end_ = nullptr;
};

}
