#include "output/deliver_output.h"

void DeliverOutput(const char*) {}
