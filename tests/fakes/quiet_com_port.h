/*
 * A COM port that takes every setting and keeps nothing: the base of ports
 * that only model what crosses the line.
 */
#pragma once

#include "serial/com_port.h"

namespace orvanta::fakes {

class QuietComPort : public ComPort {
public:
    bool open(const char*) override { return true; }
    bool createCompletionEvents() override { return true; }
    void closeCompletionEvents() override {}
    void setupQueues(std::uint32_t, std::uint32_t) override {}
    bool getLineConfig(LineConfig&) override { return true; }
    bool setLineConfig(const LineConfig&) override { return true; }
    void setTimeouts() override {}
    void purge(PurgeFlag) override {}
    bool setEventMask(std::uint32_t) override { return true; }
    bool waitEvent(std::uint32_t&) override { return false; }
    std::uint32_t clearErrors() override { return 0; }
    std::int32_t read(std::uint8_t*, std::uint32_t, std::uint32_t) override { return 0; }
    bool write(const std::uint8_t*, std::uint32_t) override { return true; }
    void close() override {}
    bool lost() override { return false; }
};

}  // namespace orvanta::fakes
