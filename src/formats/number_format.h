#pragma once
// Appending numbers to text exactly as printf's "%d" and "%f" print them, without printf.
#include <cstdint>
#include <string>

namespace kestrel::formats {

void appendInt(std::string& out, std::int64_t value);
// The bytes printf("%f") would print: six decimals, rounded to nearest with ties to even
// on the exact binary value.
void appendFixed6(std::string& out, double value);

}  // namespace kestrel::formats
