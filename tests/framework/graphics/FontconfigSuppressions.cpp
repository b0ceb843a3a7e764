// The window tests draw text without loading a font, so Cairo falls back to
// a face found through fontconfig, whose process-wide cache lives until
// the program ends. That is fontconfig's, not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
