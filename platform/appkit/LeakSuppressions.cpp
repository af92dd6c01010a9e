// Leaks of the libraries under Qt that the leak checker of sanitized builds
// must not report: each is one allocation for the life of the process,
// which the library never frees.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions()
{
    return
        // The font configuration Qt's widgets load on first use.
        "leak:libfontconfig.so\n"
        // The session bus buffer Qt keeps on a real display.
        "leak:libdbus-1.so\n";
}
#endif
