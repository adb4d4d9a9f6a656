#include "dish/dish.h"
