#pragma once

#include <cstdint>

/// Rates that the B* constants of <termios.h> cannot express. Kept apart from the rest of the
/// device code because the kernel's own termios header clashes with the C library's.
namespace comm::custom_rate {

/// Sets both directions of the open tty to the rate in bits per second.
bool setBaudRate(int fd, std::uint32_t rate, int &errorNumber);
/// The output rate the tty runs at, in bits per second.
bool readBaudRate(int fd, std::uint32_t &rate, int &errorNumber);

} // namespace comm::custom_rate
