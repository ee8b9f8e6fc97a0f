// The language library: English texts by identifier behind one C function. No state and no
// initialisers, so it is safe to call from any thread at any time.
//
// Built a second time with FPRN_PELTRANE_MARKED as a module for tests (testmodule.h).
#include <cstdint>
#include <cstring>

#ifdef FPRN_PELTRANE_MARKED
#include "testmodule.h"

#include <algorithm>
#include <array>
#endif

namespace {

#ifdef FPRN_PELTRANE_MARKED
// Every text starts with its identifier in brackets.
#define FPRN_ENTRY(id, text)                                                                       \
    case id:                                                                                       \
        return "[" #id "] " text;
#else
#define FPRN_ENTRY(id, text)                                                                       \
    case id:                                                                                       \
        return text;
#endif

const char* Find(std::int32_t id) {
    switch (id) {
#define FPRN_TEXT(id, text) FPRN_ENTRY(id, text)
#include "texts.inc"
#undef FPRN_TEXT
#define FPRN_LINK_TEXT(entry, id, text) FPRN_ENTRY(id, text)
#define FPRN_PRINTER_TEXT(entry, id, text) FPRN_ENTRY(id, text)
#define FPRN_BUSY_TEXT(entry, id, text) FPRN_ENTRY(id, text)
#define FPRN_MEMORY_TEXT(entry, id, text) FPRN_ENTRY(id, text)
#define FPRN_MESSAGE_TEXT(id, text) FPRN_ENTRY(id, text)
#include "fprntexts.inc"
    }
    return nullptr;
}

#ifdef FPRN_PELTRANE_MARKED
namespace marked = fprn::peltrane::testmodule;

constexpr std::array<char, marked::kLongTextSize + 1> kLongText = [] {
    std::array<char, marked::kLongTextSize + 1> text{};
    for (int i = 0; i < marked::kLongTextSize; ++i)
        text[static_cast<std::size_t>(i)] = 'a' + i % 26;
    return text;
}();

// The texts that the programs fill as patterns, with stray conversions.
const char* Hostile(std::int32_t id) {
    switch (id) {
    case 11324:
        return "[11324] %d%n%d %x";
    case 11363:
        return "[11363] %s%s%n";
    case 11440:
        return "[11440] %d %s %p";
    case 11444:
        return "[11444] %s %999999999d %s %";
    case 11446:
        return "[11446] %s%s %n %d";
    case 11471:
        return "[11471] %s %d %*d %%";
    case 11433:
        return "[11433] %s %s %n";
    }
    return nullptr;
}

bool Omitted(std::int32_t id) {
    for (std::int32_t omitted : marked::kOmitted)
        if (id == omitted) return true;
    return false;
}
#endif

} // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t
FPrnLoadString(std::int32_t id, char* buffer, std::int32_t size) {
    if (buffer == nullptr || size < 1) return 0;
    const char* text = nullptr;
#ifdef FPRN_PELTRANE_MARKED
    if (id == marked::kCountTooLarge || id == marked::kCountNegative) {
        static constexpr char kBroken[] = "broken count";
        std::size_t n = std::min(sizeof kBroken, static_cast<std::size_t>(size));
        std::memcpy(buffer, kBroken, n);
        buffer[n - 1] = '\0';
        return id == marked::kCountTooLarge ? INT32_MAX : -5;
    }
    if (id == marked::kLongText) text = kLongText.data();
    if (text == nullptr) text = Hostile(id);
    if (text == nullptr && !Omitted(id)) text = Find(id);
#else
    text = Find(id);
#endif
    if (text == nullptr) {
        buffer[0] = '\0';
        return 0;
    }
    std::size_t length = std::strlen(text);
    if (length > static_cast<std::size_t>(size) - 1) length = static_cast<std::size_t>(size) - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<std::int32_t>(length);
}
