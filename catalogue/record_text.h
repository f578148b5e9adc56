#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <memory_resource>
#include <ostream>
#include <string>
#include <string_view>

namespace wayfarer {

// A std::pmr::string on the record's TextRoom. A copy owns its bytes
// (select_on_container_copy_construction gives the default resource); a move keeps the room.
class RecordText {
public:
    using allocator_type = std::pmr::polymorphic_allocator<char>;

    RecordText(std::string_view text, allocator_type allocator = {}) : text_(text, allocator) {}
    RecordText(const std::string& text) : text_(text) {}
    RecordText(const char* text) : text_(text) {}

    std::string_view view() const { return text_; }
    operator std::string_view() const { return text_; }
    operator std::string() const { return std::string(text_); }
    const char* c_str() const { return text_.c_str(); }
    std::size_t size() const { return text_.size(); }
    bool empty() const { return text_.empty(); }

    friend bool operator==(const RecordText& a, const RecordText& b) { return a.view() == b.view(); }
    friend bool operator==(const RecordText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const RecordText& a, const char* b) { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, const RecordText& text) { return out << text.view(); }

private:
    std::pmr::string text_;
};

// std::pmr::memory_resource: bumps through the text room in the record's own allocation,
// then falls back to new_delete_resource(), so texts assigned later free like std::string's.
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
