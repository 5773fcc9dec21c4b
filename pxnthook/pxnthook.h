#pragma once
// The keyboard-hook library's one export. The capture program calls it
// with its main window once the window exists (install 1) and again when
// the window goes (install 0).

// Everything else in the library is hidden: this is its whole interface.
#define PXNTHOOK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

// Writes the window as the hot keys' target ("hwnd" under
// HKEY_LOCAL_MACHINE\Software\Tervola\Prentix; prentix.hwnd in the runtime
// folder while the registry cannot be written) on every call, then starts
// or stops listening for the print keys. 1 when the state changed, 0 when
// it already was as asked or listening could not start (also when the
// window could be stored nowhere: the keys then stay with other programs).
PXNTHOOK_API int InstalliereHook(int window, int install);

#ifdef __cplusplus
}
#endif
