// Must not build: a target that links the call file and the simulator (and so
// the model) but not the exchange object reaches for the object's header.
#include "exchange/LowLevel.h"

int main() {
    return 0;
}
