#include "scan/scan.h"
