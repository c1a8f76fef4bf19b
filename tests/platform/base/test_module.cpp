// The module the loader tests load by name.
extern "C" __attribute__((visibility("default"))) int qs_test_module_answer()
{
    return 42;
}
