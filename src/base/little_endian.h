#pragma once
// Numbers kept least significant byte first, as the console's files (TIM, TMD, MIMe), the
// PS-X EXE header and the configuration file keep them: loaded from and stored into bytes,
// whatever the machine's own order. The caller has checked that the bytes are there.
#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <type_traits>

namespace kestrel::base {

template <typename T>
T loadLittleEndian(const void* bytes) {
    static_assert(std::is_trivially_copyable_v<T>);
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, bytes, sizeof(T));
    if constexpr (std::endian::native != std::endian::little) std::reverse(raw, raw + sizeof(T));
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
}

template <typename T>
void storeLittleEndian(void* bytes, T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    if constexpr (std::endian::native != std::endian::little) std::reverse(raw, raw + sizeof(T));
    std::memcpy(bytes, raw, sizeof(T));
}

template <typename T>
void appendLittleEndian(std::string& out, T value) {
    char raw[sizeof(T)];
    storeLittleEndian(raw, value);
    out.append(raw, sizeof(T));
}

}  // namespace kestrel::base
