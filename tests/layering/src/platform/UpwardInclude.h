// A platform header that reaches up into the operator layer: the layering check must refuse it.
#pragma once

#include "operator/Form.h"
