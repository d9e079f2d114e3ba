// The number of global allocations the program has made so far. Only a test program that
// compiles support/counting_new.cpp into itself has it: that file replaces the global
// allocation functions for the whole program.
#pragma once

namespace tonvo::test {

long allocation_count();
// Those the calling thread has made so far.
long thread_allocation_count();

} // namespace tonvo::test
