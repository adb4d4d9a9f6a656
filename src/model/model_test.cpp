#include "model/model.h"

#include <gtest/gtest.h>
