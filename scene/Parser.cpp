#include "scene/Parser.h"

#include "base/NumberText.h"
#include "base/UserError.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace tavrik {

namespace {

constexpr std::size_t slotCount = 100; // slot 0 unused, numbers 1 to 99
using Slots = std::array<double, slotCount>;

// Blanks every character but "0123456789.,-" and turns both decimal points
// into ".", the point ParseDecimal is given below.
std::string FilterField(std::string_view field)
{
    std::string filtered(field);
    for (char& c : filtered) {
        if (c == ',' || c == '.')
            c = '.';
        else if (!(c == '-' || (c >= '0' && c <= '9')))
            c = ' ';
    }
    return filtered;
}

void Send(const ParseMessageSink& sink, ParseMessage::Kind kind, std::string text)
{
    if (sink)
        sink(ParseMessage{kind, std::move(text)});
}

// A whole number as decimal text, locale-free: all digits up to 15 of them
// ("3000000000"), the shortest exponent form beyond ("1e+23").
std::string WholeNumberText(double value)
{
    std::array<char, 32> buffer{};
    const auto format = std::fabs(value) < 1e15 ? std::chars_format::fixed : std::chars_format::general;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    return std::string(buffer.data(), result.ptr);
}

std::int32_t IdFromSlot(double value, const ParseMessageSink& sink)
{
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    const double whole = std::trunc(value);
    if (whole >= lowest && whole <= highest)
        return static_cast<std::int32_t>(whole);
    const double clamped = whole < lowest ? lowest : highest;
    Send(sink, ParseMessage::Kind::Warning,
         "id " + WholeNumberText(whole) + " is beyond the 32-bit range; using " + WholeNumberText(clamped));
    return static_cast<std::int32_t>(clamped);
}

std::uint32_t TextureFromSlot(double value, const std::vector<std::uint32_t>& textures,
                              const ParseMessageSink& sink)
{
    if (value < 0)
        return 0;
    // Compared before the conversion so that a huge number cannot overflow it.
    if (value < static_cast<double>(textures.size()))
        return textures[static_cast<std::size_t>(value)];
    Send(sink, ParseMessage::Kind::Warning,
         "texture number " + WholeNumberText(std::trunc(value)) + " is beyond the texture list (" +
             std::to_string(textures.size()) + " textures); the object is untextured");
    return 0;
}

std::unique_ptr<Obiekt> MakeObject(std::string_view keyword, const Slots& n)
{
    if (keyword == "WALEC" || keyword == "CYLINDER")
        return std::make_unique<Cylinder>(n[12], n[13], n[14]);
    if (keyword == "KULA" || keyword == "SPHERE")
        return std::make_unique<Kula>(n[12]);
    if (keyword == "PROST" || keyword == "CUBOID")
        return std::make_unique<Prostopadloscian>(n[12], n[13], n[14]);
    if (keyword == "EGO")
        return std::make_unique<Ego>();
    if (keyword == "PLANE")
        return std::make_unique<Plane>(n[6], n[7], n[8], n[9], n[10], n[11]);
    if (keyword == "CZWOR" || keyword == "QUADRILATERAL" || keyword == "QUAD")
        return std::make_unique<Czworobok>(n[6], n[7], n[8], n[9], n[10], n[11], n[12], n[13], n[14], n[15], n[16],
                                           n[17]);
    return nullptr;
}

} // namespace

std::unique_ptr<Obiekt> Analiza::ParseLine(std::string line, std::vector<std::uint32_t> textures,
                                           const ParseMessageSink& sink) const
{
    line += ';';
    std::string keyword;
    std::size_t counter = 0; // the keyword, then one per numeric field
    Slots slots{};

    std::size_t start = 0;
    for (std::size_t end = line.find(';'); end != std::string::npos; start = end + 1, end = line.find(';', start)) {
        const std::string_view field(line.data() + start, end - start);
        if (field.empty())
            continue;
        if (counter == 0) {
            keyword = field.substr(0, field.find_last_not_of(' ') + 1);
        } else {
            const std::string filtered = FilterField(field);
            try {
                const double value = ParseDecimal(filtered, '.');
                if (counter < slotCount)
                    slots[counter] = value;
            } catch (const UserError& error) {
                // The filtered text alone can be hard to place; the field as
                // typed shows which one it was.
                Send(sink, ParseMessage::Kind::ConvertError,
                     std::string("Convert error: ") + error.what() + " (field " + std::to_string(counter) + ": \""
                         + std::string(field) + "\")");
            }
        }
        ++counter;
    }

    std::unique_ptr<Obiekt> object = MakeObject(keyword, slots);
    if (!object)
        return nullptr;
    if (object->kind == kindEgo && counter == 7) {
        object->position = {slots[1], slots[2], slots[3]};
        object->rotation = {slots[4], slots[5], slots[6]};
        return object;
    }
    object->position = {slots[6], slots[7], slots[8]};
    object->rotation = {slots[9], slots[10], slots[11]};
    object->colour = {slots[3], slots[4], slots[5]};
    object->id = IdFromSlot(slots[1], sink);
    object->texture = TextureFromSlot(slots[2], textures, sink);
    return object;
}

} // namespace tavrik
