#pragma once
// Win32 handles that close themselves on every way out of a scope.
#include <windows.h>

template <BOOL(WINAPI* Close)(HANDLE)>
class TScopedHandle {
 public:
  explicit TScopedHandle(HANDLE h) : FHandle(h) {}
  ~TScopedHandle() {
    if (Valid()) Close(FHandle);
  }
  TScopedHandle(const TScopedHandle&) = delete;
  TScopedHandle& operator=(const TScopedHandle&) = delete;
  // Both failure values: CreateFile gives INVALID_HANDLE_VALUE, most others null.
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};

using TFileHandle = TScopedHandle<CloseHandle>;
using TFindHandle = TScopedHandle<FindClose>;
