// A loadable library that exports neither CreateObject nor GetHandlerProperty.
extern "C" __attribute__((visibility("default"))) int GetVersion() {
    return 1;
}
