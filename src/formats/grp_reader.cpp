#include <string>

#include "formats/rsd_parts.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

// A list line is one field that starts with a digit ("0-269", "3,7,9-12"); a name line holds
// the name, a tab and two numbers ("Quadrangles\t1  1"), which are not trusted: the lists run
// to the next name line.
bool isListLine(std::string_view line) {
    line = trimmed(line);
    return !line.empty() && isDigit(line[0]) && line.find_first_of(" \t") == std::string_view::npos;
}

}  // namespace

std::expected<void, Error> readGrpText(std::string_view text, const std::string& file, model::Model& model,
                                       std::vector<Warning>& warnings) {
    LineReader lines(text, file);
    std::string_view line;
    bool counted = false;
    while (!counted && lines.next(line)) counted = !line.starts_with('#') && !line.starts_with('@');
    if (!counted) return lines.status();  // no groups at all
    const int countLine = lines.lineNumber();
    std::int32_t declared = 0;
    std::string_view countText = line;
    if (!scanInt(countText, declared) || declared < 0) {
        warnings.push_back(
            makeWarning(file, countLine, "expected the number of groups; the groups are read without it"));
        declared = -1;
    }

    std::vector<model::PolygonGroup> groups;
    std::vector<std::pair<int, int>> ranges;
    int dropped = 0;
    while (lines.nextData(line)) {
        const int n = lines.lineNumber();
        if (trimmed(line).empty()) continue;
        if (!isListLine(line)) {
            if (static_cast<int>(groups.size()) == model::kMaxGroups) {
                ++dropped;
                continue;
            }
            const std::string_view name = trimmed(line.substr(0, line.find('\t')));
            groups.push_back({std::string(name), {}});
            continue;
        }
        if (dropped) continue;  // a list of a group beyond the capacity
        if (groups.empty()) {
            warnings.push_back(makeWarning(file, n, "a polygon list before any group name is ignored"));
            continue;
        }
        ranges.clear();
        if (auto listed = parsePolygonList(trimmed(line), model.polygonCount(), file, n, ranges, warnings); !listed) {
            warnings.push_back(makeWarning(file, n, listed.error().message + "; the line is ignored"));
            continue;
        }
        for (const auto& [first, last] : ranges)
            for (int i = first; i <= last; ++i) groups.back().append(i);
    }
    if (lines.failure()) return lines.status();
    const int found = static_cast<int>(groups.size()) + dropped;
    if (dropped)
        warnings.push_back(makeWarning(file, 0,
                                       "the file has " + countOf(found, "group") + "; only the first " +
                                           std::to_string(model::kMaxGroups) + " are kept"));
    if (declared >= 0 && declared != found)
        warnings.push_back(makeWarning(
            file, countLine,
            "the file says it has " + countOf(declared, "group") + " but it names " + std::to_string(found)));
    for (auto& group : groups) model.addGroup(group);
    return {};
}

}  // namespace kestrel::formats
