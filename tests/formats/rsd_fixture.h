#pragma once
// Small RSD sets built in memory for the reader and writer tests.
#include <string>

#include "formats/file_system.h"
#include "formats/rsd_set.h"

namespace kestrel::test {

inline constexpr const char* kCubeRsd =
    "@RSD940102\nPLY=cube.ply\nMAT=cube.mat\nGRP=cube.grp\nNTEX=2\nTEX[0]=tex\\a.tim\n"
    "TEX[1]=c:\\art\\b.tim\n";

// Eight vertices, six normals, five quads in the console's corner order and a triangle.
inline constexpr const char* kCubePly =
    "@PLY940102\n# counts\n8 6 6\n"
    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
    "# normals\n0 0 -1\n0 0 1\n0 -1 0\n0 1 0\n-1 0 0\n1 0 0\n"
    "1 0 3 1 2 0 0 0 0\n1 4 5 7 6 1 1 1 1\n1 0 1 4 5 2 2 2 2\n1 2 3 6 7 3 3 3 3\n"
    "1 0 4 3 7 4 4 4 4\n0 1 2 6 0 5 5 5 0\n";

inline constexpr const char* kCubeMat =
    "@MAT940801\n6\n"
    "0-1 0 F C 255 0 0\n"
    "2 1 G G 1 2 3 4 5 6 7 8 9 10 11 12\n"
    "3 0 F T 0 0 0 31 0 31 31 0 31\n"
    "4 0 F D 1 0 0 63 0 63 63 0 63 128 64 32\n"
    "5 2 G H 0 1 2 3 4 5 6 10 20 30 40 50 60 70 80 90\n";

inline constexpr const char* kCubeXgrp = "2\n# Group Descriptions\nsides\n4 0 1\n2 3\nlid\n1 5 \n";

inline formats::MemoryFileSystem cubeFiles(const std::string& folder = "m/") {
    formats::MemoryFileSystem files;
    files.files[folder + "cube.rsd"] = kCubeRsd;
    files.files[folder + "cube.ply"] = kCubePly;
    files.files[folder + "cube.mat"] = kCubeMat;
    files.files[folder + "cube.xgrp"] = kCubeXgrp;
    return files;
}

}  // namespace kestrel::test
