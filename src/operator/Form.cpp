#include "operator/Form.h"

namespace bpconf::op::ctl {

const char* ObjectName(Control control) {
#define BPCONF_CONTROL_NAME(name, objectName) objectName,
    static const char* const kNames[] = {BPCONF_CONTROLS(BPCONF_CONTROL_NAME)};
#undef BPCONF_CONTROL_NAME
    return control >= 0 && control < kCount ? kNames[control] : "";
}

}  // namespace bpconf::op::ctl
