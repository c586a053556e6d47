/*
 * The formatting plug-in of ZRUN: writes the result of a command the way
 * the system reports a status, as a severity and a text.
 */
#include <stdio.h>

#include <zrlshared.h>

#if defined(_WIN32)
#define PLUGIN_API __declspec(dllexport)
#else
#define PLUGIN_API __attribute__((visibility("default")))
#endif

PLUGIN_API int zrun_format_status(zrl_word value, char *buffer) {
    const int status = (int)value;
    if (status == 0) return sprintf(buffer, "SUCCESS, normal successful completion");
    return sprintf(buffer, "ERROR, status %d", status);
}
