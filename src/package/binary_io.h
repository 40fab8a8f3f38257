// Little-endian 32-bit integers as the package and packed-image formats store them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace lpc {

inline int32_t GetInt32(const char* p) {
  const auto* u = reinterpret_cast<const uint8_t*>(p);
  return static_cast<int32_t>(static_cast<uint32_t>(u[0]) | (static_cast<uint32_t>(u[1]) << 8) |
                              (static_cast<uint32_t>(u[2]) << 16) |
                              (static_cast<uint32_t>(u[3]) << 24));
}

inline void AppendInt32(std::string& out, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  out.push_back(static_cast<char>(u & 0xFF));
  out.push_back(static_cast<char>((u >> 8) & 0xFF));
  out.push_back(static_cast<char>((u >> 16) & 0xFF));
  out.push_back(static_cast<char>((u >> 24) & 0xFF));
}

inline void PutInt32(std::ostream& out, int32_t value) {
  std::string bytes;
  AppendInt32(bytes, value);
  out.write(bytes.data(), 4);
}

}  // namespace lpc
