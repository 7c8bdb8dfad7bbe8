#include <algorithm>
#include <string>

#include "formats/rsd_parts.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

int countLines(std::string_view consumed) {
    return static_cast<int>(std::count(consumed.begin(), consumed.end(), '\n'));
}

}  // namespace

std::expected<void, Error> readXgrpText(std::string_view text, const std::string& file, model::Model& model,
                                        std::vector<Warning>& warnings) {
    LineReader lines(text, file);
    std::string_view line;
    std::int32_t declared = 0;
    if (!lines.nextData(line)) return lines.status();  // an empty file holds no groups
    if (!scanInt(line, declared) || declared < 0)
        return std::unexpected(makeError(file, lines.lineNumber(), "expected the number of groups (0 or more)"));
    int groupCount = declared;
    if (groupCount > model::kMaxGroups) {
        warnings.push_back(makeWarning(file, lines.lineNumber(),
                                       "the file has " + std::to_string(declared) + " groups; only the first " +
                                           std::to_string(model::kMaxGroups) + " are kept"));
        groupCount = model::kMaxGroups;
    }
    lines.next(line);  // "# Group Descriptions"

    std::vector<model::PolygonGroup> groups;
    while (static_cast<int>(groups.size()) < groupCount) {
        // A name line that begins with '#' is a comment and takes no group slot.
        if (!lines.nextData(line)) {
            if (lines.failure()) return lines.status();
            return std::unexpected(makeError(file, lines.lineNumber(),
                                             "the file ends after " + std::to_string(groups.size()) + " of " +
                                                 std::to_string(groupCount) + " groups"));
        }
        model::PolygonGroup group;
        group.name = std::string(line);
        const int nameLine = lines.lineNumber();
        // The members are free-format numbers that may run over line ends.
        std::string_view rest = lines.remainder();
        const std::string_view start = rest;
        std::int32_t members = 0;
        if (!scanInt(rest, members) || members < 0 || static_cast<std::size_t>(members) > rest.size() / 2 + 1)
            return std::unexpected(
                makeError(file, nameLine + 1, "group '" + group.name + "' needs its number of polygons"));
        group.polygons.resize(members);
        for (auto& member : group.polygons) {
            const std::string_view before = rest;
            if (!scanInt(rest, member))
                return std::unexpected(makeError(
                    file, nameLine + 1 + countLines(start.substr(0, before.data() - start.data())),
                    "group '" + group.name + "' lists fewer polygons than its count of " + std::to_string(members)));
            if (member < 0 || member >= model.polygonCount())
                return std::unexpected(makeError(file,
                                                 nameLine + 1 + countLines(start.substr(0, rest.data() - start.data())),
                                                 "group '" + group.name + "' names polygon " + std::to_string(member) +
                                                     " but the model has " + countOf(model.polygonCount(), "polygon")));
        }
        // The rest of the line after the last member is discarded.
        const auto newline = rest.find('\n');
        const std::string_view after =
            newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        lines.skipTo(after, countLines(start.substr(0, after.data() - start.data())));
        groups.push_back(std::move(group));
    }
    for (auto& group : groups) model.addGroup(group);
    return {};
}

}  // namespace kestrel::formats
