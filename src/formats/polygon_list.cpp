#include <algorithm>
#include <string>

#include "formats/rsd_parts.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

// "12", "0-3" and "0,4,9-12": every item names one polygon or a range of them. A range whose
// end is below its start names none.
std::expected<void, Error> parsePolygonList(std::string_view list, int polygonCount, const std::string& file, int line,
                                            std::vector<std::pair<int, int>>& ranges, std::vector<Warning>& warnings) {
    auto bad = [&](std::string why) { return std::unexpected(makeError(file, line, why)); };
    while (!list.empty()) {
        const auto comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        std::int32_t first = 0, last = 0;
        if (item.empty() || !(item[0] >= '0' && item[0] <= '9') || !scanInt(item, first))
            return std::unexpected(bad("the polygon list needs numbers such as 12, 0-3 or 0,4,9-12"));
        last = first;
        if (!item.empty()) {
            if (item[0] != '-' || item.size() < 2 || !(item[1] >= '0' && item[1] <= '9'))
                return std::unexpected(bad("the polygon list needs numbers such as 12, 0-3 or 0,4,9-12"));
            item.remove_prefix(1);
            if (!scanInt(item, last) || !item.empty())
                return std::unexpected(bad("the polygon list needs numbers such as 12, 0-3 or 0,4,9-12"));
        }
        if (last < first) {
            warnings.push_back(makeWarning(file, line,
                                           "the range " + std::to_string(first) + "-" + std::to_string(last) +
                                               " runs backwards and names no polygon"));
            continue;
        }
        if (last >= polygonCount) {
            // Converters have written "0-1" for a model of one polygon: the polygons the model
            // has still take the line.
            const int from = std::max(first, polygonCount);
            warnings.push_back(
                makeWarning(file, line,
                            (from == last ? "polygon " + std::to_string(last)
                                          : "polygons " + std::to_string(from) + "-" + std::to_string(last)) +
                                " named here " + (from == last ? "is" : "are") + " beyond the PLY file's " +
                                countOf(polygonCount, "polygon") + " and ignored"));
            if (first >= polygonCount) continue;
            last = polygonCount - 1;
        }
        ranges.emplace_back(first, last);
    }
    return {};
}

}  // namespace kestrel::formats
