#pragma once

// The Brisquel shared library is built with hidden visibility: what it offers to the programs that
// link it is exactly what carries this mark (the scripting core, the platform interfaces and the
// utility library), and its platform implementations stay inside.
#if defined(__GNUC__) || defined(__clang__)
#define BRISQUEL_EXPORT __attribute__((visibility("default")))
#else
#define BRISQUEL_EXPORT
#endif
