// Run-time defaults of the sanitizers, compiled into every program of a sanitizer or fuzz build
// so that ctest, the fuzz targets and a developer's shell all run with the same settings. The
// ASAN_OPTIONS, UBSAN_OPTIONS and LSAN_OPTIONS environment variables still override them.

extern "C" {

const char *__asan_default_options()
{
    return "detect_leaks=1:check_initialization_order=1:strict_init_order=1"
           ":detect_stack_use_after_return=1:abort_on_error=1";
}

const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

// Memory that system libraries keep for the life of the process and never free by design.
const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

} // extern "C"
