#include <signal.h>

#include "script.h"

void RaiseInterrupt() {
  raise(SIGINT);
}
