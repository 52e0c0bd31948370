#include "batch/Plan.h"

#include "base/UserError.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <iterator>
#include <cctype>
#include <map>

namespace tavrik {

namespace {

using Json = nlohmann::json;

// A character iterator that counts what the parser has read, so each SAX
// event knows where in the text its token ended.
struct CountingIterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* at;
    std::size_t* read;

    reference operator*() const { return *at; }
    CountingIterator& operator++()
    {
        ++at;
        ++*read;
        return *this;
    }
    CountingIterator operator++(int)
    {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    friend bool operator==(const CountingIterator& a, const CountingIterator& b) { return a.at == b.at; }
};

// Where every value and key of a JSON text starts, by JSON pointer ("" for
// the whole, "/sequences/2/settings/size" for a key and its value); also
// the position and text of a syntax error.
class PositionIndex : public nlohmann::json_sax<Json> {
public:
    explicit PositionIndex(const std::string& text) : text_(text) {}

    bool Parse()
    {
        CountingIterator first{text_.data(), &read_};
        CountingIterator last{text_.data() + text_.size(), &read_};
        return Json::sax_parse(first, last, this);
    }
    std::size_t At(const std::string& pointer) const
    {
        const auto found = starts_.find(pointer);
        return found == starts_.end() ? 0 : found->second;
    }
    const std::string& error() const { return error_; }
    std::size_t errorAt() const { return errorAt_; }

    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool start_object(std::size_t) override { return Enter(false); }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Enter(true); }
    bool end_array() override { return Close(); }
    bool key(string_t& key) override
    {
        open_.back().key = key;
        starts_[Pointer()] = TokenStart();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override
    {
        error_ = e.what();
        // "[json.exception.parse_error.101] parse error at line 1, column 2: …"
        if (const std::size_t colon = error_.find(": "); colon != std::string::npos)
            error_ = error_.substr(colon + 2);
        errorAt_ = position;
        return false;
    }

private:
    struct Level {
        bool array;
        std::string key;
        int index = -1;
    };

    // The pointer of the value being read.
    std::string Pointer() const
    {
        std::string pointer;
        for (const Level& o : open_)
            pointer += "/" + (o.array ? std::to_string(o.index) : o.key);
        return pointer;
    }
    void NextElement()
    {
        if (!open_.empty() && open_.back().array)
            ++open_.back().index;
    }
    bool Value()
    {
        NextElement();
        if (!open_.empty() && open_.back().array)
            starts_[Pointer()] = TokenStart();
        return true;
    }
    bool Enter(bool array)
    {
        NextElement();
        if (open_.empty() || open_.back().array)
            starts_[Pointer()] = read_ - 1;
        open_.push_back({array, {}});
        return true;
    }
    bool Close()
    {
        open_.pop_back();
        return true;
    }
    // The start of the token that ends at the last character read (a
    // number's end is found one character later, which is skipped).
    std::size_t TokenStart() const
    {
        std::size_t end = read_;
        while (end > 0 && (text_[end - 1] == ',' || text_[end - 1] == ']' || text_[end - 1] == '}'
                           || std::isspace(static_cast<unsigned char>(text_[end - 1]))))
            --end;
        if (end == 0)
            return 0;
        std::size_t start = end - 1;
        if (text_[start] == '"') {
            while (start > 0 && !(text_[start - 1] == '"' && (start < 2 || text_[start - 2] != '\\')))
                --start;
            return start > 0 ? start - 1 : 0;
        }
        while (start > 0
               && (std::isalnum(static_cast<unsigned char>(text_[start - 1])) != 0 || text_[start - 1] == '.'
                   || text_[start - 1] == '-' || text_[start - 1] == '+'))
            --start;
        return start;
    }

    const std::string& text_;
    std::size_t read_ = 0;
    std::vector<Level> open_;
    std::map<std::string, std::size_t> starts_;
    std::string error_;
    std::size_t errorAt_ = 0;
};

// Reads one JSON value into a plan, every error naming the value's place.
class PlanReader {
public:
    PlanReader(const std::string& text, const std::string& path, const PositionIndex& index)
        : text_(text), path_(path), index_(index)
    {
    }

    [[noreturn]] void Fail(const std::string& pointer, const std::string& message) const
    {
        throw UserError(path_ + " " + Place(index_.At(pointer)) + ": " + message);
    }
    std::string Place(std::size_t offset) const
    {
        int line = 1;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < offset && i < text_.size(); ++i)
            if (text_[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
        return std::to_string(line) + ":" + std::to_string(offset - lineStart + 1);
    }

    // Each key of `object` must be one of `known`.
    void OnlyKeys(const Json& object, const std::string& pointer, std::initializer_list<const char*> known) const
    {
        if (!object.is_object())
            Fail(pointer, "expected an object");
        for (const auto& [key, value] : object.items()) {
            bool found = false;
            for (const char* k : known)
                found = found || key == k;
            if (!found) {
                std::string list;
                for (const char* k : known)
                    list += std::string(list.empty() ? "" : ", ") + k;
                Fail(pointer + "/" + key, "unknown key '" + key + "' (expected " + list + ")");
            }
        }
    }
    std::string String(const Json& value, const std::string& pointer) const
    {
        if (!value.is_string())
            Fail(pointer, "expected a text");
        return value.get<std::string>();
    }
    double Number(const Json& value, const std::string& pointer) const
    {
        if (!value.is_number())
            Fail(pointer, "expected a number");
        return value.get<double>();
    }
    long long Integer(const Json& value, const std::string& pointer, long long low, long long high) const
    {
        if (!value.is_number_integer() || value.get<long long>() < low || value.get<long long>() > high)
            Fail(pointer, "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        return value.get<long long>();
    }
    bool Boolean(const Json& value, const std::string& pointer) const
    {
        if (!value.is_boolean())
            Fail(pointer, "expected true or false");
        return value.get<bool>();
    }

    void Settings(const Json& object, const std::string& pointer, SequenceSettings& settings) const;
    // Fails at `pointer` when the baseline or the focal length is outside its usable range.
    void InRange(const std::string& pointer, const SequenceSettings& settings) const;
    SceneSource Random(const Json& object, const std::string& pointer, int& count) const;

    const std::string& text_;
    const std::string& path_;
    const PositionIndex& index_;
};

// The settings a plan can give, one row each.
struct SettingKey {
    const char* name;
    void (*apply)(const PlanReader&, const Json&, const std::string&, SequenceSettings&);
};

constexpr SettingKey settingKeys[] = {
    {"size",
     [](const PlanReader& r, const Json& v, const std::string& p, SequenceSettings& s) {
         const std::string text = r.String(v, p);
         for (const ViewSize& size : viewSizes)
             if (text == std::to_string(size.width) + "x" + std::to_string(size.height)) {
                 s.size = size;
                 return;
             }
         r.Fail(p, "size '" + text + "' is not one of 320x240, 512x384, 800x600, 1024x768");
     }},
    {"baseline",
     [](const PlanReader& r, const Json& v, const std::string& p, SequenceSettings& s) {
         s.baseline = r.Number(v, p);
         r.InRange(p, s);
     }},
    {"focal",
     [](const PlanReader& r, const Json& v, const std::string& p, SequenceSettings& s) {
         s.focal = r.Number(v, p);
         r.InRange(p, s);
     }},
    {"background",
     [](const PlanReader& r, const Json& v, const std::string& p, SequenceSettings& s) {
         if (!v.is_array() || v.size() != 3)
             r.Fail(p, "expected [R, G, B]");
         for (int c = 0; c < 3; ++c)
             s.background[c] = static_cast<int>(r.Integer(v[c], p + "/" + std::to_string(c), 0, 255));
     }},
    {"camera",
     [](const PlanReader& r, const Json& v, const std::string& p, SequenceSettings& s) {
         const std::string camera = r.String(v, p);
         if (camera != "left" && camera != "right" && camera != "both")
             r.Fail(p, "camera '" + camera + "' is not left, right or both");
         s.leftCamera = camera != "right";
         s.rightCamera = camera != "left";
     }},
    {"formats",
     [](const PlanReader& r, const Json& v, const std::string& p, SequenceSettings& s) {
         std::string list;
         if (v.is_array())
             for (std::size_t i = 0; i < v.size(); ++i)
                 list += (i ? "," : "") + r.String(v[i], p + "/" + std::to_string(i));
         else
             list = r.String(v, p);
         try {
             s.formats = ParseOutputFormats(list);
         } catch (const UserError& e) {
             r.Fail(p, e.what());
         }
     }},
    {"antialias", [](const PlanReader& r, const Json& v, const std::string& p,
                     SequenceSettings& s) { s.antialias = r.Boolean(v, p); }},
    {"palette", [](const PlanReader& r, const Json& v, const std::string& p,
                   SequenceSettings& s) { s.palette = r.Boolean(v, p); }},
    {"seed", [](const PlanReader& r, const Json& v, const std::string& p, SequenceSettings& s) {
         s.seed = static_cast<unsigned>(r.Integer(v, p, 0, 4294967295ll));
     }},
};

void PlanReader::Settings(const Json& object, const std::string& pointer, SequenceSettings& settings) const
{
    if (!object.is_object())
        Fail(pointer, "expected an object");
    for (const auto& [key, value] : object.items()) {
        const SettingKey* row = nullptr;
        for (const SettingKey& k : settingKeys)
            if (key == k.name)
                row = &k;
        if (!row)
            Fail(pointer + "/" + key, "unknown setting '" + key
                                          + "' (expected size, baseline, focal, background, camera, formats, "
                                            "antialias, palette, seed)");
        row->apply(*this, value, pointer + "/" + key, settings);
    }
}

void PlanReader::InRange(const std::string& pointer, const SequenceSettings& settings) const
{
    // The same ranges as the render command's.
    GenerationSettings check;
    check.baseline = settings.baseline;
    check.focalLength = settings.focal;
    try {
        Validate(check);
    } catch (const UserError& e) {
        Fail(pointer, e.what());
    }
}

SceneSource PlanReader::Random(const Json& object, const std::string& pointer, int& count) const
{
    OnlyKeys(object, pointer, {"count", "seed", "objects", "frames", "motion", "floor"});
    SceneSource source;
    source.kind = SceneSource::Kind::random;
    if (!object.contains("count"))
        Fail(pointer, "a random block needs a count");
    count = static_cast<int>(Integer(object["count"], pointer + "/count", 1, 1000000));
    if (object.contains("seed"))
        source.random.seed = static_cast<std::uint64_t>(Integer(object["seed"], pointer + "/seed", 0, 1ll << 53));
    if (object.contains("objects"))
        source.random.objects = static_cast<int>(Integer(object["objects"], pointer + "/objects", 1, 255));
    if (object.contains("frames"))
        source.random.frames = static_cast<int>(Integer(object["frames"], pointer + "/frames", 1, 10000));
    if (object.contains("motion")) {
        try {
            source.random.motion = MotionPresetNamed(String(object["motion"], pointer + "/motion"));
        } catch (const UserError& e) {
            Fail(pointer + "/motion", e.what());
        }
    }
    if (object.contains("floor"))
        source.random.floorPlane = Boolean(object["floor"], pointer + "/floor");
    return source;
}

} // namespace

Plan ParsePlan(const std::string& text, const std::string& path)
{
    PositionIndex index(text);
    PlanReader reader(text, path, index);
    if (!index.Parse())
        throw UserError(path + " " + reader.Place(index.errorAt()) + ": " + index.error());
    const Json json = Json::parse(text);

    Plan plan;
    plan.canonical = json.dump();
    reader.OnlyKeys(json, "", {"settings", "sequences"});
    SequenceSettings planSettings;
    if (json.contains("settings"))
        reader.Settings(json["settings"], "/settings", planSettings);
    if (!json.contains("sequences") || !json["sequences"].is_array() || json["sequences"].empty())
        reader.Fail(json.contains("sequences") ? "/sequences" : "", "a plan needs a non-empty array \"sequences\"");
    const std::string folder = std::filesystem::path(path).parent_path().string();
    for (std::size_t i = 0; i < json["sequences"].size(); ++i) {
        const Json& entry = json["sequences"][i];
        const std::string pointer = "/sequences/" + std::to_string(i);
        reader.OnlyKeys(entry, pointer, {"scene", "text", "random", "settings"});
        PlanEntry planned;
        const int sources = static_cast<int>(entry.contains("scene") + entry.contains("text") + entry.contains("random"));
        if (sources != 1)
            reader.Fail(pointer, "a sequence needs exactly one of \"scene\", \"text\" and \"random\"");
        if (entry.contains("scene")) {
            planned.source.kind = SceneSource::Kind::file;
            const std::filesystem::path scene = reader.String(entry["scene"], pointer + "/scene");
            planned.source.path = (scene.is_absolute() || folder.empty() ? scene : folder / scene).string();
        } else if (entry.contains("text")) {
            planned.source.text = reader.String(entry["text"], pointer + "/text");
        } else {
            planned.source = reader.Random(entry["random"], pointer + "/random", planned.count);
        }
        planned.settings = planSettings;
        if (entry.contains("settings"))
            reader.Settings(entry["settings"], pointer + "/settings", planned.settings);
        plan.entries.push_back(std::move(planned));
    }
    return plan;
}

} // namespace tavrik
