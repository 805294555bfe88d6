// How the compiler ends: the exit statuses the editor reads, and the one
// way out of the process.
#pragma once

enum class ExitStatus : int {
  Done = 0,             // QUIT, QUITNOW, a written image, RUN in demo mode, end of input
  ProgramErrors = 1,    // QUITDUMP after an error
  UndefinedLabels = 2,  // QUITDUMP with labels never defined
  RoutineRunInto = 3,   // a FUNCTION or SUB the program would run into
  NoRoom = 4,           // code space or a table full; a corrupt table count
  NoStringRoom = 5,     // the constant string area full; an illegal table word
  OldFirmware = 6,      // firmware too old for compiled programs
};

// Flushes standard output and ends the process; a program that compiles
// in-process turns this into a return to itself (core/hooks.h).
[[noreturn]] void end_process(ExitStatus status);
