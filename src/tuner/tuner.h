// The tuner library boundary: the C ABI of its operations and callbacks, and binding it at run
// time from the executable's folder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/model.h"

#if defined(_WIN32) && !defined(_WIN64)
#define KESTRUNE_CALL __stdcall
#else
#define KESTRUNE_CALL
#endif

extern "C" {
typedef void(KESTRUNE_CALL* DeviceCallbackFn)(int32_t index, const char* name);
typedef void(KESTRUNE_CALL* ProgressCallbackFn)(const TransponderRecord* record);

typedef int32_t(KESTRUNE_CALL* CheckForDVBExFn)(DeviceCallbackFn callback);
typedef int32_t(KESTRUNE_CALL* StartDVBExFn)(int32_t device);
typedef uint32_t(KESTRUNE_CALL* GetCapsFn)(void);
typedef int32_t(KESTRUNE_CALL* SendDiSEqCFn)(uint32_t kind, uint32_t value);
typedef int32_t(KESTRUNE_CALL* SendDiseqCmdFn)(const uint8_t* message, uint32_t length);
typedef int32_t(KESTRUNE_CALL* VextralFn)(uint32_t startKHz, uint32_t stopKHz,
                                          uint32_t polarisation, uint32_t lof1KHz, uint32_t lof2KHz,
                                          uint32_t lofswKHz, TransponderRecord* records,
                                          uint32_t* count, ProgressCallbackFn progress);
typedef int32_t(KESTRUNE_CALL* StopDVBFn)(void);
}

// SendDiSEqC kinds.
constexpr uint32_t DiseqcKindToneBurst = 1;
constexpr uint32_t DiseqcKindCommitted = 2;

// The library's operations, bound by name. Tests fill one with fakes.
struct TunerApi {
  CheckForDVBExFn CheckForDVBEx = nullptr;
  StartDVBExFn StartDVBEx = nullptr;
  GetCapsFn GetCaps = nullptr;
  SendDiSEqCFn SendDiSEqC = nullptr;
  SendDiseqCmdFn SendDiseqCmd = nullptr;
  VextralFn Vextral = nullptr;
  StopDVBFn StopDVB = nullptr;
};

// Loads the tuner library from `folder` (which ends in a separator) and binds every operation.
// Returns 1, or 0 with one line naming the file and the reason in `error`.
int BindTunerLibrary(const char* folder, TunerApi* api, char* error, size_t errorSize);
