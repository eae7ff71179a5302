#include <cstdlib>

#include "platform/Environment.h"

namespace bpconf::platform {

std::string LocaleFromEnvironment(std::initializer_list<const char*> variables) {
    for (const char* name : variables) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "C";
}

}  // namespace bpconf::platform
