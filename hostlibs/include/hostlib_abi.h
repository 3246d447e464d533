/* Calling convention and export marks shared by the host-library headers. */
#ifndef HOSTLIB_ABI_H
#define HOSTLIB_ABI_H

#include <stdint.h>

#if defined(_WIN32)
#define HOSTLIB_CALL __stdcall
#else
#define HOSTLIB_CALL
#endif

#if defined(_WIN32)
#define HOSTLIB_EXPORT_MARK __declspec(dllexport)
#define HOSTLIB_IMPORT_MARK __declspec(dllimport)
#else
#define HOSTLIB_EXPORT_MARK __attribute__((visibility("default")))
#define HOSTLIB_IMPORT_MARK
#endif

#ifdef __cplusplus
typedef char16_t hostlib_char;
#elif defined(_WIN32)
typedef wchar_t hostlib_char;
#else
typedef uint16_t hostlib_char;
#endif

#endif
