// The skin engine library's one exported operation: apply a skin held in memory.
#pragma once

#if defined(_WIN32)
#define KF_SKIN_EXPORT __declspec(dllexport)
#else
#define KF_SKIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Applies the skin in `data` (`length` bytes: the signature ".SHE", then a UTF-8 Qt style sheet)
// to the running application and returns 1; returns 0 and changes nothing when there is no
// application, the call comes from another thread than the application's, or the data is not
// a signed, non-empty skin. `text`, `a`, `b` and `c` are accepted and ignored. The bytes are
// copied: no pointer into `data` is kept after the call returns.
KF_SKIN_EXPORT int SkinH_AttachRes(
    const unsigned char* data, int length, const char* text, int a, int b, int c);
}
