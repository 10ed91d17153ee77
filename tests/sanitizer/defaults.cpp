// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Default sanitizer options, linked into every executable of a
// PLANVIEW_SANITIZE build. Options given in the environment still win.

// The leak checker cannot attribute the GL driver's own allocations once the
// driver is unloaded at exit (every frame shows "<unknown module>"), and the
// slow unwinder needed to attribute them deadlocks with the driver's threads.
// Leaks are checked with valgrind instead (see bench/README.md), where
// suppressions can be anchored on the toolkit calls that own them.
extern "C" const char *__asan_default_options()
{
    return "detect_leaks=0:abort_on_error=0:exitcode=1";
}

// Any undefined behaviour fails the run, with the stack that led to it.
extern "C" const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}
