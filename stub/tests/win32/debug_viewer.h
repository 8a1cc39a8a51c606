#pragma once
// Test stand-ins around the debug log's viewer protocol: a viewer window like the external
// one, and a sink that counts the calls the debug log makes to the real one.
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "stub/support/zbdebug.h"

// A top-level window of class ".ZbDebug." on a thread of its own that pumps messages; its
// window procedure reads the text of every atom that the registered message brings.
class TTestDebugViewer {
 public:
  TTestDebugViewer() {
    FThread = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(FLock);
    FChanged.wait(lock, [this] { return FStarted; });
  }
  ~TTestDebugViewer() {
    if (FWindow != nullptr) PostMessageA(FWindow, WM_CLOSE, 0, 0);
    FThread.join();
    UnregisterClassA(DebugViewerClassName, GetModuleHandleA(nullptr));
  }
  TTestDebugViewer(const TTestDebugViewer&) = delete;
  TTestDebugViewer& operator=(const TTestDebugViewer&) = delete;

  HWND Window() const { return FWindow; }
  std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> lock(FLock);
    return FTexts;
  }
  std::vector<WPARAM> WParams() {
    std::lock_guard<std::mutex> lock(FLock);
    return FWParams;
  }

 private:
  void Run() {
    FMessage = RegisterWindowMessageA(DebugViewerMessageName);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &TTestDebugViewer::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = DebugViewerClassName;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, DebugViewerClassName, "test viewer", WS_OVERLAPPEDWINDOW, 0, 0,
                                  200, 100, nullptr, nullptr, wc.hInstance, this);
    {
      std::lock_guard<std::mutex> lock(FLock);
      FWindow = window;
      FStarted = true;
    }
    FChanged.notify_all();
    if (window == nullptr) return;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TTestDebugViewer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr && msg == self->FMessage && msg != 0) {
      // The atom lives only until the send returns: read it now, as a real viewer must.
      char text[256] = {};
      const UINT n = GlobalGetAtomNameA(static_cast<ATOM>(lParam), text, sizeof text);
      std::lock_guard<std::mutex> lock(self->FLock);
      self->FTexts.emplace_back(text, n);
      self->FWParams.push_back(wParam);
      return 0;
    }
    if (msg == WM_CLOSE) {
      DestroyWindow(hwnd);
      return 0;
    }
    if (msg == WM_DESTROY) {
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  std::thread FThread;
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FStarted = false;
  HWND FWindow = nullptr;
  UINT FMessage = 0;
  std::vector<std::string> FTexts;
  std::vector<WPARAM> FWParams;
};

// Passes every call on to the real sink and counts it.
class TCountingDebugSink final : public DebugLogSink {
 public:
  explicit TCountingDebugSink(DebugLogSink& real) : FReal(real) {}

  long finds = 0, adds = 0, sends = 0, deletes = 0, files = 0;

  Window FindViewerWindow() override {
    ++finds;
    return FReal.FindViewerWindow();
  }
  std::uint16_t AddGlobalAtom(const std::string& text) override {
    ++adds;
    return FReal.AddGlobalAtom(text);
  }
  void SendViewerMessage(Window viewer, std::uint16_t atom) override {
    ++sends;
    FReal.SendViewerMessage(viewer, atom);
  }
  void DeleteGlobalAtom(std::uint16_t atom) override {
    ++deletes;
    FReal.DeleteGlobalAtom(atom);
  }
  void AppendToDebugFile(std::string_view text) override {
    ++files;
    FReal.AppendToDebugFile(text);
  }

 private:
  DebugLogSink& FReal;
};
