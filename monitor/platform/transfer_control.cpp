// Home of the seam's meta-object code.
#include "monitor/platform/transfer_control.h"
