#include "exchange/Protocol.h"
