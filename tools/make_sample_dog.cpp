// Makes the robot dog sample, a textured and rigged quadruped with "walk" and "wave"
// movements, with the program's own commands, and writes its files into a folder:
//   make_sample_dog data/samples
// The set is built in memory and comes out byte for byte the same on every run.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "sample_dog.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample_dog FOLDER\n";
        return 2;
    }
    const auto files = kestrel::samples::makeDogSample();
    if (!files) {
        std::cerr << "make_sample_dog: " << files.error() << '\n';
        return 1;
    }
    const fs::path folder = argv[1];
    for (const auto& [name, bytes] : *files) {
        std::ofstream out(folder / name, std::ios::binary);
        if (!(out << bytes) || !out.flush()) {
            std::cerr << "make_sample_dog: cannot write " << (folder / name).string() << '\n';
            return 1;
        }
        std::cout << "wrote " << (folder / name).string() << '\n';
    }
    return 0;
}
