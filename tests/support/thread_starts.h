// thread_starts.h - how many threads the test program has started so far.
// Linking it in puts a counting pthread_create in front of the C library's
// (found first, by the dynamic linker's order), so that threads started
// inside std::thread and the libraries count too.
#pragma once

long TEST_threads_started(); // successful pthread_create calls since the program began
