#include <unistd.h>

#include "platform/Machine.h"

std::string MachineName() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}
