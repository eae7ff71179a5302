#include "platform/Environment.h"

namespace bpconf::platform {

std::string LocaleFromEnvironment(std::initializer_list<const char*> variables) {
    for (const char* name : variables) {
        const auto value = EnvironmentVariable(name);
        if (value && !value->empty())
            return *value;
    }
    return "C";
}

}  // namespace bpconf::platform
