#include "scene/SceneText.h"

#include "base/FileIo.h"

#include "base/Check.h"

namespace tavrik {

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

std::vector<std::string> ReadSceneFile(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(
        path, maxSceneFileBytes,
        "Text exceeds memo capacity: " + path + " holds more than " + std::to_string(maxSceneFileBytes >> 20) + " MiB");
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // Editors that save UTF-8 may put a byte-order mark first; it would
    // become part of the first keyword.
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    return SplitLines(text);
}

void WriteSceneFile(const std::string& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    WriteWholeFile(path, text);
}

void ParseSceneLines(const std::vector<std::string>& lines, const std::vector<std::uint32_t>& textures, Scene& scene,
                     const SceneMessageSink& sink)
{
    scene.FreeScene();
    const Analiza parser;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ParseMessageSink lineSink;
        if (sink)
            lineSink = [&sink, lineNumber = i + 1](const ParseMessage& message) { sink(lineNumber, message); };
        std::unique_ptr<Obiekt> object = parser.ParseLine(lines[i], textures, lineSink);
        if (!object)
            continue;
        if (object->kind == kindEgo) {
            TAVRIK_CHECK_NE(dynamic_cast<Ego*>(object.get()), nullptr);
            scene.egos.emplace_back(static_cast<Ego*>(object.release()));
        } else {
            scene.objects.push_back(std::move(object));
        }
    }
}

std::string LineMessageText(std::size_t lineNumber, const ParseMessage& message)
{
    const bool error = message.kind == ParseMessage::Kind::ConvertError;
    return "line " + std::to_string(lineNumber) + ": " + (error ? "" : "warning: ") + message.text;
}

} // namespace tavrik
