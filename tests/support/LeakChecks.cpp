// Every test executable carries the sanitizers' settings itself, so that it
// passes alike under ctest and when run by hand (the README's longer checks).
// The sanitizer runtime reads these before main; options set in the
// environment still override them one by one.
#define GV_DEFAULT_OPTIONS extern "C" __attribute__((used, visibility("default"))) const char*

// The leaks listed there lie in system libraries we do not own (GL drivers,
// SDL's video and audio back ends).
GV_DEFAULT_OPTIONS __lsan_default_options() {
    return "suppressions=" GV_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

// The leak check's tracer can read a stale dynamic-TLS entry left by the GL
// driver's dlopen'd libraries and crash after every test passed; it needs no
// dynamic TLS.
GV_DEFAULT_OPTIONS __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
