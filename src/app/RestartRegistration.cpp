#include "app/RestartRegistration.h"

RestartRegistration RestartRegistrationFor(const std::string& arguments) {
    RestartRegistration r;
    // Windows-1252 has one wide character per byte, so bytes count as characters.
    if (arguments.size() >= kRestartMaxCommandLine) return r;
    r.registered = true;
    r.arguments = arguments;
    r.flags = kRestartNoCrash | kRestartNoHang;
    return r;
}
