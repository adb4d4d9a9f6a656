#include <windows.h>

#include "script.h"

void RaiseInterrupt() {
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
}
