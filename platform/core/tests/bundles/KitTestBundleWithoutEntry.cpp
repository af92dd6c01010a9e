// A module that is no bundle: it has no entry point.
extern "C" int kitTestNotABundle()
{
    return 42;
}
