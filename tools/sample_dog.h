#pragma once
// The robot dog sample: a textured, rigged quadruped of a few hundred polygons with a "walk"
// and a "wave" movement, made with the program's own commands and written by its own writer.
#include <expected>
#include <map>
#include <string>

namespace kestrel::samples {

// Every file of the set, by its name beside the RSD file: dog.rsd, its PLY, MAT, XGRP, BONE
// and MOVE files and the three TIM textures.
using SampleFiles = std::map<std::string, std::string>;

// Builds the set in memory, the same bytes on every call; the error says which step failed.
std::expected<SampleFiles, std::string> makeDogSample();

}  // namespace kestrel::samples
