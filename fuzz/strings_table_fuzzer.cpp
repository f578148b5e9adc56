// Any bytes through the strings-table reader. A table comes only from a flat JSON object
// of strings, holds each of its keys once, and gives for a key the text of its first
// occurrence, as the JSON reader's member lookup does.

#include "fuzz_check.h"

#include "platform/json.h"
#include "platform/strings_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wayfarer::platform;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto table = StringsTable::fromJson(bytes);

    bool flat = false;
    const auto read = readJson(bytes, [&](JsonValue root) {
        flat = root.isObject();
        std::unordered_set<std::string_view> keys;
        root.forEachMember([&](std::string_view key, JsonValue value) {
            flat = flat && value.isString();
            keys.insert(key);
            if (!table)
                return;
            const auto first = root.member(key);
            FUZZ_CHECK(first && table->text(key) == first->string());
        });
        if (table)
            FUZZ_CHECK(table->size() == keys.size());
    });
    FUZZ_CHECK(table.has_value() == (read.ok() && flat));
    return 0;
}
