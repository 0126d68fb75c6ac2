#include "platform/linux/x11/root_bus_address.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <climits>
#include <cstdlib>

#include "platform/linux/x11/connection.h"

namespace platform::x11 {

std::optional<std::string> rootWindowBusAddress() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return std::nullopt;
    Display* display = connection();
    if (!display) return std::nullopt;
    const Atom property = XInternAtom(display, "AT_SPI_BUS", True);
    if (property == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), property, 0, LONG_MAX / 4, False,
                                          XA_STRING, &type, &format, &count, &remaining, &data);
    std::optional<std::string> address;
    if (status == Success && data && type == XA_STRING && format == 8 && count > 0) {
        address = std::string(reinterpret_cast<const char*>(data), count);
    }
    if (data) XFree(data);
    return address;
}

}  // namespace platform::x11
