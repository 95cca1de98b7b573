// Marks of the start-up's steps, for the benchmark's step-by-step row.
//
// They exist only in the benchmark's own build of the program
// (pellwick_marked.exe, compiled with PELLWICK_STARTUP_MARKS), which is
// never shipped, and in the benchmark's baseline programs: in pellwick.exe
// START_MARK is nothing, so that the program a user runs has no switch,
// file or setting for it.
#pragma once

#if defined(PELLWICK_STARTUP_MARKS)

namespace startmarks {
// Notes the time (performance counter) at which the step named `step` ended.
void mark(const char* step);
// Writes the marks, "<ms> <step>" a line, to the pipe that the benchmark
// gave the process as its standard output (nowhere without one).
void write();
}  // namespace startmarks

#define START_MARK(step) startmarks::mark(step)
#define START_MARKS_WRITE() startmarks::write()

#else

#define START_MARK(step) ((void)0)
#define START_MARKS_WRITE() ((void)0)

#endif
