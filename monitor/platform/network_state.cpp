// Home of the seam's meta-object code.
#include "monitor/platform/network_state.h"
