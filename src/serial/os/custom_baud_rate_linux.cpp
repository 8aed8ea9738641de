#include "serial/os/custom_baud_rate.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace comm::custom_rate {

bool setBaudRate(int fd, std::uint32_t rate, int &errorNumber)
{
    struct termios2 settings
    {
    };
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        errorNumber = errno;
        return false;
    }
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = rate;
    settings.c_ospeed = rate;
    if (ioctl(fd, TCSETS2, &settings) != 0) {
        errorNumber = errno;
        return false;
    }
    return true;
}

bool readBaudRate(int fd, std::uint32_t &rate, int &errorNumber)
{
    struct termios2 settings
    {
    };
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        errorNumber = errno;
        return false;
    }
    rate = settings.c_ospeed;
    return true;
}

} // namespace comm::custom_rate
