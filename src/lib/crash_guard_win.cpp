#include "lib/crash_guard_win.h"

#include <windows.h>

namespace mv {

namespace {

// Where a fault on this thread lands: the registers saved by __builtin_setjmp. The compiler's own
// setjmp is used rather than the C library's so that nothing walks the exception-handler chain on the
// way back; the chain is restored by hand instead (see RunGuarded).
struct Landing {
  void* registers[5];
};
thread_local Landing* t_landing = nullptr;

bool IsProcessorFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
      return true;
    default:
      return false;
  }
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  Landing* landing = t_landing;
  if (!landing || !IsProcessorFault(info->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  t_landing = nullptr;
  __builtin_longjmp(landing->registers, 1);
}

// Runs `body` with `landing` armed; false when a fault came back through it. Kept out of line so that
// the frame __builtin_setjmp saves is this one alone.
__attribute__((noinline)) bool RunArmed(const std::function<void()>& body, Landing& landing) {
  if (__builtin_setjmp(landing.registers)) return false;
  t_landing = &landing;
  body();
  return true;
}

}  // namespace

bool RunGuarded(const std::function<void()>& body) {
  static const PVOID handler = AddVectoredExceptionHandler(1, OnException);
  if (!handler) return false;

  Landing landing;
  Landing* const outer = t_landing;
  // The system's chain of frame-based handlers as it stands now. A fault leaves records of the
  // abandoned frames (and of the dispatcher) on it; they are dropped when the guard returns.
  NT_TIB* const tib = reinterpret_cast<NT_TIB*>(NtCurrentTeb());
  EXCEPTION_REGISTRATION_RECORD* const chain = tib->ExceptionList;

  bool completed = false;
  try {
    completed = RunArmed(body, landing);
  } catch (...) {
    completed = false;
  }
  tib->ExceptionList = chain;
  t_landing = outer;
  return completed;
}

}  // namespace mv
