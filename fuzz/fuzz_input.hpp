// What every fuzz target includes: the entry point's types and the input as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

inline std::string fuzzText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}
