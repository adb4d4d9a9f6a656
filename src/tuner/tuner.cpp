#include "tuner/tuner.h"
