#include "callfile/CallLine.h"
