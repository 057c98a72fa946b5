/*
 * Builds collector record lines for tests, the way the collector does.
 */
#pragma once

#include <cstdint>
#include <string>

namespace orvanta::testing {

inline std::string recordLine(int sequence, const std::string& data, bool withCr = true)
{
    std::string line(1, static_cast<char>(sequence));
    line += data;
    std::uint32_t sum = 0;
    for (unsigned char c : line)
        sum += c;
    sum %= 65536;
    auto send = [](std::uint32_t b) { return static_cast<char>(b == 13 ? 14 : b); };
    line += send(sum & 0xFF);
    line += send(sum >> 8);
    if (withCr)
        line += '\r';
    return line;
}

inline std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

}  // namespace orvanta::testing
