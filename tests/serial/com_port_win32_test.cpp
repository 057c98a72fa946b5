#include <gtest/gtest.h>

#include <cstring>

#include "serial/com_port_win32.h"

namespace orvanta {
namespace {

// A port another program left with every flag set: the line the program
// sets clears each one that would stop, drop or change bytes.
TEST(Win32ComPort, TheLineConfigurationSetsEveryDcbFieldThatMatters)
{
    DCB dcb;
    std::memset(&dcb, 0xFF, sizeof dcb);
    LineConfig known;
    known.baudRate = 57600;
    applyLineConfig(dcb, known);

    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 57600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 0u);
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fDsrSensitivity, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.fErrorChar, 0u);
    EXPECT_EQ(dcb.fNull, 0u);
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fAbortOnError, 0u);
    EXPECT_EQ(lineConfigOf(dcb), known) << "read back as set";
}

TEST(Win32ComPort, ReadsReturnAtOnceAndWritesGiveUp)
{
    const COMMTIMEOUTS timeouts = portTimeouts();
    EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_GT(timeouts.WriteTotalTimeoutConstant, 0u) << "0 would let a write wait for ever";
}

}  // namespace
}  // namespace orvanta
