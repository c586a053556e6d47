/* A test plug-in: its mark tells which build of it was loaded. */
#if defined(_WIN32)
#define PLUGIN_API __declspec(dllexport)
#else
#define PLUGIN_API __attribute__((visibility("default")))
#endif

PLUGIN_API int zrlplug_mark(void) {
    return ZRL_PLUGIN_MARK;
}
