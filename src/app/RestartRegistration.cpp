#include "app/RestartRegistration.h"

RestartRegistration RestartRegistrationFor(const std::string& arguments) {
    RestartRegistration r;
    // An ANSI code page gives at most one wide character per byte: bytes bound the characters.
    if (arguments.size() >= kRestartMaxCommandLine) return r;
    r.registered = true;
    r.arguments = arguments;
    r.flags = kRestartNoCrash | kRestartNoHang;
    return r;
}
