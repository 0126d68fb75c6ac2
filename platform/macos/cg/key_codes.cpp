#include "platform/macos/cg/key_codes.h"

#include <array>
#include <utility>

namespace platform::macos {
namespace {

// Modifier flags as the event system numbers them.
constexpr std::uint64_t kShift = 0x00020000;
constexpr std::uint64_t kControl = 0x00040000;
constexpr std::uint64_t kOption = 0x00080000;
constexpr std::uint64_t kCommand = 0x00100000;

struct NamedKey {
    KeySymbol symbol;
    std::uint16_t virtualKey;
    std::uint64_t modifierFlag;
};

// Keys without a character of their own, by X keysym.
constexpr std::array<NamedKey, 33> kNamedKeys{{
    {0xff0d, 0x24, 0},        {0xff09, 0x30, 0},        {0xff08, 0x33, 0},        {0xff1b, 0x35, 0},
    {0xffff, 0x75, 0},        {0xff51, 0x7B, 0},        {0xff53, 0x7C, 0},        {0xff54, 0x7D, 0},
    {0xff52, 0x7E, 0},        {0xff50, 0x73, 0},        {0xff57, 0x77, 0},        {0xff55, 0x74, 0},
    {0xff56, 0x79, 0},        {0xffbe, 0x7A, 0},        {0xffbf, 0x78, 0},        {0xffc0, 0x63, 0},
    {0xffc1, 0x76, 0},        {0xffc2, 0x60, 0},        {0xffc3, 0x61, 0},        {0xffc4, 0x62, 0},
    {0xffc5, 0x64, 0},        {0xffc6, 0x65, 0},        {0xffc7, 0x6D, 0},        {0xffc8, 0x67, 0},
    {0xffc9, 0x6F, 0},        {0xffe1, 0x38, kShift},   {0xffe2, 0x3C, kShift},   {0xffe3, 0x3B, kControl},
    {0xffe4, 0x3E, kControl}, {0xffe9, 0x3A, kOption},  {0xffea, 0x3D, kOption},  {0xffeb, 0x37, kCommand},
    {0xffec, 0x36, kCommand},
}};

// The printable ASCII characters: key position on the ANSI layout, and
// whether Shift is needed. Index: character - 0x20.
constexpr std::array<std::pair<std::uint16_t, bool>, 95> kAsciiKeys{{
    {0x31, false}, {0x12, true},  {0x27, true},  {0x14, true},  {0x15, true},  {0x17, true},  {0x1A, true},
    {0x27, false}, {0x19, true},  {0x1D, true},  {0x1C, true},  {0x18, true},  {0x2B, false}, {0x1B, false},
    {0x2F, false}, {0x2C, false}, {0x1D, false}, {0x12, false}, {0x13, false}, {0x14, false}, {0x15, false},
    {0x17, false}, {0x16, false}, {0x1A, false}, {0x1C, false}, {0x19, false}, {0x29, true},  {0x29, false},
    {0x2B, true},  {0x18, false}, {0x2F, true},  {0x2C, true},  {0x13, true},  {0x00, true},  {0x0B, true},
    {0x08, true},  {0x02, true},  {0x0E, true},  {0x03, true},  {0x05, true},  {0x04, true},  {0x22, true},
    {0x26, true},  {0x28, true},  {0x25, true},  {0x2E, true},  {0x2D, true},  {0x1F, true},  {0x23, true},
    {0x0C, true},  {0x0F, true},  {0x01, true},  {0x11, true},  {0x20, true},  {0x09, true},  {0x0D, true},
    {0x07, true},  {0x10, true},  {0x06, true},  {0x21, false}, {0x2A, false}, {0x1E, false}, {0x16, true},
    {0x1B, true},  {0x32, false}, {0x00, false}, {0x0B, false}, {0x08, false}, {0x02, false}, {0x0E, false},
    {0x03, false}, {0x05, false}, {0x04, false}, {0x22, false}, {0x26, false}, {0x28, false}, {0x25, false},
    {0x2E, false}, {0x2D, false}, {0x1F, false}, {0x23, false}, {0x0C, false}, {0x0F, false}, {0x01, false},
    {0x11, false}, {0x20, false}, {0x09, false}, {0x0D, false}, {0x07, false}, {0x10, false}, {0x06, false},
    {0x21, true},  {0x2A, true},  {0x1E, true},  {0x32, true},
}};

// The character a keysym stands for: Latin-1 keysyms are their code
// point, 0x01000000 + U is any other Unicode character.
std::optional<char32_t> characterOf(KeySymbol symbol) {
    if ((symbol >= 0x20 && symbol <= 0x7e) || (symbol >= 0xa0 && symbol <= 0xff)) return symbol;
    if (symbol >= 0x01000100 && symbol <= 0x0110ffff) return symbol - 0x01000000;
    return std::nullopt;
}

std::u16string utf16Of(char32_t character) {
    if (character < 0x10000) return std::u16string(1, static_cast<char16_t>(character));
    const char32_t offset = character - 0x10000;
    return {static_cast<char16_t>(0xD800 + (offset >> 10)), static_cast<char16_t>(0xDC00 + (offset & 0x3FF))};
}

}  // namespace

std::optional<KeyStroke> keyStrokeOf(KeySymbol symbol) {
    for (const NamedKey& key : kNamedKeys)
        if (key.symbol == symbol) return KeyStroke{key.virtualKey, false, key.modifierFlag, {}};
    const auto character = characterOf(symbol);
    if (!character) return std::nullopt;
    if (*character >= 0x20 && *character <= 0x7e) {
        const auto& [virtualKey, needsShift] = kAsciiKeys[*character - 0x20];
        return KeyStroke{virtualKey, needsShift, 0, utf16Of(*character)};
    }
    // A character no key of the layout gives: key 0 carrying the character.
    return KeyStroke{0, false, 0, utf16Of(*character)};
}

}  // namespace platform::macos
