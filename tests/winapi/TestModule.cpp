// A shared object for the module tests: one export with a known result.
extern "C" __attribute__((visibility("default"))) int WinapiTestModuleAnswer() {
    return 42;
}
