#pragma once
// A large generated RSD set for the load and save benchmarks, and the two baselines the
// reader and writer are measured against: bare std::from_chars and bare snprintf.
#include <cstddef>
#include <string>
#include <string_view>

#include "model/model.h"

namespace kestrel::bench {

struct SetTexts {
    std::string rsd, ply, mat, xgrp;
};

// vertexCount vertices and as many normals, polygonCount quadrilaterals with one MAT line
// each (kinds C, G, T, D and H in turn), two textures and three small groups, laid out as
// the writer lays them out, coordinates with six decimals. The RSD file names the others as
// "<stem>.ply" and so on, relative to its own folder. Deterministic for given arguments.
SetTexts generateSet(const std::string& stem, int vertexCount, int polygonCount);

// Converts every number of a PLY text with std::from_chars: doubles on vertex and normal
// lines, ints on the counts and polygon lines; comment lines and the part up to the '@'
// line are skipped. Returns a sum of what was read, so that nothing is optimised away.
double fromCharsPass(std::string_view ply);
// Converts every whole number of a text with std::from_chars, skipping comment lines and the
// words between the numbers (a MAT file's letters, a polygon list's '-'). Returns their sum.
double fromCharsIntegers(std::string_view text);

// Writes every number a save of the model writes (coordinates of the vertices, normals and
// flat polygons' face normals with "%f"; polygon, MAT and group numbers with "%d"), each
// through its own snprintf call, into out. Returns the number of characters written.
std::size_t snprintfPass(const model::Model& model, std::string& out);

}  // namespace kestrel::bench
