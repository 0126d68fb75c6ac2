// Declaration of the one libproc call tavik-ax uses, written for this
// project from Apple's public documentation. Not Apple's header.
#pragma once

#include <stdint.h>
#include <sys/param.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PROC_PIDPATHINFO_MAXSIZE (4 * MAXPATHLEN)
int proc_pidpath(int pid, void* buffer, uint32_t buffersize);

#ifdef __cplusplus
}
#endif
