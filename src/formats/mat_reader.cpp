#include <algorithm>
#include <string>

#include "formats/rsd_parts.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

using model::Model;
using model::ModelPolygon;

std::string_view nextField(std::string_view& line) {
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start])) ++start;
    std::size_t end = start;
    while (end < line.size() && !isBlank(line[end])) ++end;
    const std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

// How many numbers each material letter takes for four corners and for three.
struct ValueCounts {
    int four;
    int three;
};

std::optional<ValueCounts> valueCounts(char type) {
    switch (type) {
        case 'C':
            return ValueCounts{3, 3};
        case 'G':
            return ValueCounts{12, 9};
        case 'T':
            return ValueCounts{9, 7};
        case 'D':
            return ValueCounts{12, 10};
        case 'H':
            return ValueCounts{21, 16};
        default:
            return std::nullopt;
    }
}

std::int32_t packColour(const std::int32_t* c, const std::string& file, int line, std::vector<Warning>& warnings) {
    std::int32_t packed = 0;
    for (int i = 0; i < 3; ++i) {
        std::int32_t component = c[i];
        if (component < 0 || component > 255) {
            warnings.push_back(makeWarning(
                file, line, "colour component " + std::to_string(component) + " is outside 0-255 and is clamped"));
            component = std::clamp(component, 0, 255);
        }
        packed = packed * 256 + component;
    }
    return packed;
}

// Fills the material values from the numbers; corners is 4, or 3 for a line that gives three
// corners' values (as triangles are often written), leaving the fourth corner zero.
void applyNumbers(PolygonMaterial& m, const std::int32_t* n, int corners, const std::string& file, int line,
                  std::vector<Warning>& warnings) {
    auto colours = [&](const std::int32_t* c, int count) {
        for (int i = 0; i < count; ++i) m.rgb[i] = packColour(c + 3 * i, file, line, warnings);
    };
    auto uvs = [&] {
        m.tId = n[0];
        for (int i = 0; i < corners; ++i) {
            m.tu[i] = n[1 + 2 * i];
            m.tv[i] = n[2 + 2 * i];
        }
        m.textured = true;
        return n + 1 + 2 * corners;
    };
    switch (m.type) {
        case 'C':
            colours(n, 1);
            m.rgb.fill(m.rgb[0]);
            break;
        case 'G':
            colours(n, corners);
            break;
        case 'T':
            uvs();
            break;
        case 'D':
            colours(uvs(), 1);
            m.rgb.fill(m.rgb[0]);
            break;
        case 'H':
            colours(uvs(), corners);
            break;
        default:
            break;
    }
}

void applyTo(ModelPolygon& p, const PolygonMaterial& m) {
    p.mat_flag = m.flag;
    p.shading = m.shading;
    p.type = m.type;
    // An unknown letter sets no values; 'T' carries no colour.
    if (m.type == 'C' || m.type == 'G' || m.type == 'D' || m.type == 'H') p.rgb = m.rgb;
    if (m.textured) {
        p.tId = m.tId;
        p.tu = m.tu;
        p.tv = m.tv;
    }
}

}  // namespace

std::expected<MatContents, Error> parseMatText(std::string_view text, const std::string& file, int polygonCount,
                                               int textureCount, std::vector<Warning>& warnings) {
    MatContents contents;
    LineReader lines(text, file);
    std::string_view line;
    // Leading comments and the version line, then the number of lines, which the material
    // lines themselves overrule (with a warning when the two disagree).
    bool counted = false;
    while (!counted && lines.next(line)) counted = !line.starts_with('#') && !line.starts_with('@');
    const int countLine = lines.lineNumber();
    std::int32_t declared = 0;
    std::string_view countText = line;
    const bool numbered = counted && scanInt(countText, declared);
    std::vector<std::pair<int, int>> ranges;
    std::vector<bool> covered(static_cast<std::size_t>(polygonCount), false);
    std::int64_t materialLines = 0;
    while (lines.nextData(line)) {
        const int n = lines.lineNumber();
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        ++materialLines;
        const std::string_view list = nextField(line);
        std::int32_t flag = 0;
        if (!scanInt(line, flag))
            return std::unexpected(makeError(file, n, "the flag after the polygon list must be a whole number"));
        const std::string_view shading = nextField(line);
        const std::string_view type = nextField(line);
        if (type.empty())
            return std::unexpected(makeError(file, n,
                                             "a material line needs a polygon list, a flag, a shading "
                                             "letter and a material letter"));
        ranges.clear();
        if (auto listed = parsePolygonList(list, polygonCount, file, n, ranges, warnings); !listed)
            return std::unexpected(listed.error());

        PolygonMaterial& m = contents.materials.emplace_back();
        m.flag = flag;
        m.shading = shading[0];
        m.type = type[0];
        if (const auto counts = valueCounts(m.type)) {
            std::int32_t numbers[21];
            int given = 0;
            while (given < counts->four && scanInt(line, numbers[given])) ++given;
            if (given < counts->three)
                return std::unexpected(makeError(file, n,
                                                 std::string("material ") + m.type + " needs " +
                                                     std::to_string(counts->four) + " numbers, the line has " +
                                                     std::to_string(given)));
            applyNumbers(m, numbers, given == counts->four ? 4 : 3, file, n, warnings);
            if (m.textured && m.tId < 0)
                return std::unexpected(makeError(
                    file, n, "the material uses texture " + std::to_string(m.tId) + ", which is not a texture number"));
            // The polygons keep the number, so saving loses nothing; they show the stand-by
            // picture until the texture exists.
            if (m.textured && m.tId >= textureCount)
                warnings.push_back(
                    makeWarning(file, n,
                                "the material uses texture " + std::to_string(m.tId) + " but the RSD file names " +
                                    countOf(textureCount, "texture") +
                                    "; the polygons keep the number and show no picture until it exists"));
        } else {
            warnings.push_back(makeWarning(file, n,
                                           std::string("unknown material letter '") + m.type +
                                               "': the polygons keep it without "
                                               "colours or texture"));
        }
        const int material = static_cast<int>(contents.materials.size()) - 1;
        for (const auto& [first, last] : ranges) {
            contents.spans.push_back({first, last, material});
            std::fill(covered.begin() + first, covered.begin() + last + 1, true);
        }
    }
    if (lines.failure()) return std::unexpected(*lines.failure());
    if (counted && !numbered)
        warnings.push_back(makeWarning(file, countLine, "the number of lines is not a number"));
    else if (numbered && declared != materialLines)
        warnings.push_back(makeWarning(file, countLine,
                                       "the file says it has " + countOf(declared, "material line") + " but it has " +
                                           std::to_string(materialLines)));
    // A line may name a range of polygons, so fewer lines than polygons is usual; more is not.
    if (numbered && declared > polygonCount)
        warnings.push_back(makeWarning(file, countLine,
                                       "the file counts " + std::to_string(declared) +
                                           " material lines but the PLY file has only " +
                                           countOf(polygonCount, "polygon")));
    const auto bare = std::count(covered.begin(), covered.end(), false);
    if (bare > 0) {
        const auto first = std::find(covered.begin(), covered.end(), false) - covered.begin();
        const std::string which =
            bare == 1 ? "polygon " + std::to_string(first) + " has" : countOf(bare, "polygon") + " have";
        warnings.push_back(makeWarning(
            file, 0,
            which + " no material line" +
                (bare == 1 ? "; it keeps" : " (the first is polygon " + std::to_string(first) + "); they keep") +
                " the default material (flat, colour 0)"));
    }
    return contents;
}

void applyMaterials(const MatContents& contents, Model& model) {
    for (const auto& span : contents.spans)
        for (int i = span.first; i <= span.last; ++i) applyTo(model.polygons[i], contents.materials[span.material]);
}

std::expected<void, Error> readMatText(std::string_view text, const std::string& file, Model& model,
                                       std::vector<Warning>& warnings) {
    auto contents = parseMatText(text, file, model.polygonCount(), model.textureCount(), warnings);
    if (!contents) return std::unexpected(contents.error());
    applyMaterials(*contents, model);
    return {};
}

}  // namespace kestrel::formats
