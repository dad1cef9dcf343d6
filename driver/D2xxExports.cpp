// The driver library's exports: the fourteen D2XX entry points under their C
// names, each passing straight on to vexmoor::serial (SerialD2xx.h).

#include "SerialD2xx.h"

#include "link/D2xxDriver.h"

VEXMOOR_D2XX_EXPORTS(vexmoor::serial);
