#include "model/vertex_grid.h"

#include <bit>
#include <cmath>

namespace kestrel::model {

namespace {

// Cell numbers stay within ±2^30: there the quotient's rounding is far below the margin
// the cell size leaves, and the neighbours' numbers still fit.
constexpr double kEdge = 1073741824.0;

}  // namespace

VertexGrid::VertexGrid(const CowArray<ModelVertex>& vertices, double radius) {
    const double size = 2 * radius * (1 + 1.0 / (1 << 20));
    places_.resize(vertices.size());
    slots_.resize(std::bit_ceil(std::max<std::size_t>(16, 2 * vertices.size())));
    std::vector<int> cellOf(vertices.size(), -1);
    for (std::size_t v = 0; v < vertices.size(); ++v) {
        const double coordinates[] = {vertices[v].x, vertices[v].y, vertices[v].z};
        Place& place = places_[v];
        place.finite = std::isfinite(coordinates[0]) && std::isfinite(coordinates[1]) && std::isfinite(coordinates[2]);
        if (!place.finite) continue;
        for (int a = 0; a < 3; ++a) {
            const double quotient = coordinates[a] / size;
            if (!(std::abs(quotient) < kEdge)) {  // beyond the edge, or a size that is no number
                place.cell[a] = quotient > 0 ? static_cast<std::int32_t>(kEdge) : -static_cast<std::int32_t>(kEdge);
                place.sides[a] = kLower | kUpper;
                continue;
            }
            const double cell = std::floor(quotient);
            place.cell[a] = static_cast<std::int32_t>(cell);
            place.sides[a] = quotient - cell < 0.5 ? kLower : kUpper;
        }
        cellOf[v] = findOrAdd(place.cell);
    }
    // Members by cell, each cell's in ascending order.
    starts_.assign(static_cast<std::size_t>(cellCount_) + 1, 0);
    for (const int id : cellOf)
        if (id >= 0) ++starts_[static_cast<std::size_t>(id) + 1];
    for (std::size_t id = 0; id < static_cast<std::size_t>(cellCount_); ++id) starts_[id + 1] += starts_[id];
    members_.resize(static_cast<std::size_t>(starts_.back()));
    std::vector<int> next(starts_.begin(), starts_.end() - 1);
    for (std::size_t v = 0; v < vertices.size(); ++v)
        if (cellOf[v] >= 0)
            members_[static_cast<std::size_t>(next[static_cast<std::size_t>(cellOf[v])]++)] = static_cast<int>(v);
}

std::size_t VertexGrid::hash(const Cell& cell) {
    std::uint64_t h = static_cast<std::uint32_t>(cell[0]) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<std::uint32_t>(cell[1]) * 0xC2B2AE3D27D4EB4Full;
    h ^= static_cast<std::uint32_t>(cell[2]) * 0x165667B19E3779F9ull;
    h ^= h >> 31;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return static_cast<std::size_t>(h);
}

int VertexGrid::find(const Cell& cell) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash(cell) & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.id < 0) return -1;
        if (slot.cell == cell) return slot.id;
    }
}

int VertexGrid::findOrAdd(const Cell& cell) {
    // The table has at least twice as many slots as vertices, so it never fills.
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash(cell) & mask;; at = (at + 1) & mask) {
        Slot& slot = slots_[at];
        if (slot.id < 0) {
            slot = {cell, cellCount_};
            return cellCount_++;
        }
        if (slot.cell == cell) return slot.id;
    }
}

}  // namespace kestrel::model
