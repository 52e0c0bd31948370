#include "scene/SceneWarnings.h"

#include "scene/SceneText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string_view>

namespace tavrik {

namespace {

// The scene words and how many numbers their lines are laid out for.
struct Word {
    std::string_view text;
    std::size_t numbers;
};
constexpr std::array<Word, 11> words{{{"WALEC", 14}, {"CYLINDER", 14}, {"KULA", 12}, {"SPHERE", 12},
                                      {"PROST", 14}, {"CUBOID", 14}, {"EGO", 6}, {"PLANE", 11},
                                      {"CZWOR", 17}, {"QUADRILATERAL", 17}, {"QUAD", 17}}};
constexpr std::size_t egoLongFormNumbers = 11;

const Word* FindWord(std::string_view keyword)
{
    const auto found = std::ranges::find(words, keyword, &Word::text);
    return found == words.end() ? nullptr : &*found;
}

std::string Number(double value)
{
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// The keyword and the count of numeric fields, split as the parser splits.
struct LineFields {
    std::string keyword; // trailing spaces removed
    std::size_t numbers = 0;
};

LineFields SplitFields(std::string_view line)
{
    LineFields fields;
    bool keywordSeen = false;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(';', start), line.size());
        const std::string_view field = line.substr(start, end - start);
        start = end + 1;
        if (field.empty())
            continue;
        if (keywordSeen) {
            ++fields.numbers;
        } else {
            keywordSeen = true;
            fields.keyword = field.substr(0, field.find_last_not_of(' ') + 1);
        }
    }
    return fields;
}

std::string Folded(std::string_view keyword)
{
    const std::size_t first = keyword.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    std::string folded(keyword.substr(first, keyword.find_last_not_of(" \t") + 1 - first));
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

Vec3 Minus(const Vec3& a, const Vec3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

double Length(const Vec3& v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// A quadrilateral's area is half the length of the cross product of its
// diagonals; it is taken as none when that length is negligible beside the
// diagonals themselves.
bool EnclosesNoArea(const Quad& q)
{
    const Vec3 d1 = Minus(q[2], q[0]);
    const Vec3 d2 = Minus(q[3], q[1]);
    const Vec3 cross{d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2], d1[0] * d2[1] - d1[1] * d2[0]};
    return !(Length(cross) > 1e-12 * Length(d1) * Length(d2));
}

void ShapeWarnings(const Obiekt& object, std::vector<std::string>& warnings)
{
    if (const auto* sphere = dynamic_cast<const Kula*>(&object)) {
        if (!(sphere->radius > 0))
            warnings.push_back("sphere radius " + Number(sphere->radius) + " is not above 0");
    } else if (const auto* cylinder = dynamic_cast<const Cylinder*>(&object)) {
        if (!(cylinder->height > 0))
            warnings.push_back("cylinder height " + Number(cylinder->height) + " is not above 0");
        if (cylinder->baseRadius < 0 || cylinder->topRadius < 0 || (cylinder->baseRadius == 0 && cylinder->topRadius == 0))
            warnings.push_back("cylinder radii " + Number(cylinder->baseRadius) + " and " + Number(cylinder->topRadius)
                               + ": a radius is below 0 or both are 0");
    } else if (const auto* quad = dynamic_cast<const Czworobok*>(&object)) {
        if (EnclosesNoArea(quad->vertices))
            warnings.push_back("the quad's corners enclose no area");
    } else if (const auto* plane = dynamic_cast<const Plane*>(&object)) {
        if (plane->SolvedAxis() < 0)
            warnings.push_back("the plane's normal is zero: it is not drawn");
    }
}

} // namespace

std::vector<std::string> LineWarnings(const std::string& line)
{
    std::vector<std::string> warnings;
    if (line.empty() || line.starts_with("//"))
        return warnings;
    const LineFields fields = SplitFields(line);
    const Word* word = FindWord(fields.keyword);
    if (!word) {
        if (const Word* meant = FindWord(Folded(fields.keyword)))
            warnings.push_back("keyword \"" + fields.keyword + "\" is not \"" + std::string(meant->text)
                               + "\" (keywords are exact capitals without a blank or tab before them): the line "
                                 "is ignored");
        return warnings;
    }

    const std::unique_ptr<Obiekt> object = Analiza().ParseLine(line, {}, nullptr);
    if (object->kind == kindEgo) {
        if (fields.numbers != word->numbers && fields.numbers < egoLongFormNumbers)
            warnings.push_back("an EGO line with " + std::to_string(fields.numbers)
                               + " numbers is neither the short form (6) nor the long form (11 or more): T and W "
                                 "are read from numbers 6 to 11, the missing ones 0");
        return warnings;
    }
    const bool complete = fields.numbers >= word->numbers;
    if (!complete)
        warnings.push_back(std::string(word->text) + " takes " + std::to_string(word->numbers) + " numbers, the line has "
                           + std::to_string(fields.numbers) + ": the missing ones are 0");
    else
        ShapeWarnings(*object, warnings);
    if ((object->id < 0 || object->id > 255) && object->id != -1)
        warnings.push_back("id " + std::to_string(object->id)
                           + " is outside 0 to 255: its pixels are \"nothing\" in the segmentation maps");
    return warnings;
}

SceneCheck CheckSceneText(const std::vector<std::string>& lines, std::size_t textureCount)
{
    SceneCheck check;
    // No GL is needed to check a scene: the texture names 1 to textureCount
    // stand in for the loaded ones.
    std::vector<std::uint32_t> textures(textureCount);
    std::iota(textures.begin(), textures.end(), 1u);
    Scene scene;
    ParseSceneLines(lines, textures, scene, [&](std::size_t lineNumber, const ParseMessage& message) {
        check.convertErrors = check.convertErrors || message.kind == ParseMessage::Kind::ConvertError;
        check.messages.push_back({lineNumber, message});
    });
    check.objects = scene.objects.size();
    check.frames = scene.egos.size();
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (std::string& warning : LineWarnings(lines[i]))
            check.messages.push_back({i + 1, {ParseMessage::Kind::Warning, std::move(warning)}});
    std::ranges::stable_sort(check.messages, {}, &SceneLineMessage::lineNumber);
    return check;
}

} // namespace tavrik
