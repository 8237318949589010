// The fuzz targets allocate on every input (Qt strings and containers); recording the call
// stack of every allocation took half their time. A crash found is rerun with
// ASAN_OPTIONS=malloc_context_size=30 for the allocation's stack (the environment wins).
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options()
{
    return "malloc_context_size=0";
}
