#pragma once
// A grid over a model's vertices for finding the vertices near one of them: every vertex
// closer to it than the radius lies in one of the few cells the grid visits. The cells are
// twice the radius wide (and a little more, for rounding), so on each axis the radius
// reaches into one neighbour only, on the side of the cell's middle the vertex lies.
// Coordinates too far out for the cell numbers are held at the edge of the grid, where
// every neighbour is visited; vertices with a coordinate that is not a finite number are
// in no cell and have no neighbours.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/cow_array.h"
#include "model/vector.h"

namespace kestrel::model {

class VertexGrid {
public:
    VertexGrid(const CowArray<ModelVertex>& vertices, double radius);

    // Calls visit(cell) with each cell that may hold vertices near the vertex; a cell is a
    // span of vertex indices in ascending order, the vertex itself among them.
    template <typename Visit>
    void forEachNear(std::size_t vertex, Visit&& visit) const {
        const Place& place = places_[vertex];
        if (!place.finite) return;
        std::array<std::array<std::int32_t, 3>, 3> choices{};
        std::array<int, 3> counts{};
        for (int a = 0; a < 3; ++a) {
            const std::int32_t q = place.cell[a];
            int n = 0;
            if (place.sides[a] & kLower) choices[a][n++] = q - 1;
            choices[a][n++] = q;
            if (place.sides[a] & kUpper) choices[a][n++] = q + 1;
            counts[a] = n;
        }
        for (int i = 0; i < counts[0]; ++i)
            for (int j = 0; j < counts[1]; ++j)
                for (int k = 0; k < counts[2]; ++k) {
                    const int id = find({choices[0][i], choices[1][j], choices[2][k]});
                    if (id >= 0)
                        visit(std::span<const int>(members_).subspan(
                            static_cast<std::size_t>(starts_[static_cast<std::size_t>(id)]),
                            static_cast<std::size_t>(starts_[static_cast<std::size_t>(id) + 1] -
                                                     starts_[static_cast<std::size_t>(id)])));
                }
    }

private:
    using Cell = std::array<std::int32_t, 3>;
    static constexpr std::uint8_t kLower = 1, kUpper = 2;
    struct Place {
        Cell cell{};
        std::array<std::uint8_t, 3> sides{};  // the neighbours to visit on each axis
        bool finite = false;
    };
    struct Slot {
        Cell cell{};
        std::int32_t id = -1;  // -1: empty
    };

    static std::size_t hash(const Cell& cell);
    int find(const Cell& cell) const;
    int findOrAdd(const Cell& cell);

    std::vector<Place> places_;
    std::vector<Slot> slots_;  // open addressing, a power of two long
    std::vector<int> starts_;  // cell id -> its first member; one more at the end
    std::vector<int> members_;
    int cellCount_ = 0;
};

}  // namespace kestrel::model
