// Placeholder: the simulated Windows is being written.
#include "platform/sim.h"
