#pragma once

#include <QString>

class QPrinter;

/// What the printing system says of a print job: a queue that takes no jobs, or a job it
/// refused. The toolkit hands a job to the print queue without looking at the answer, so a
/// refused job would otherwise vanish without a word.
namespace PrintQueue {

/// Why the printer's queue would not print a job now (it is gone, takes no jobs or is stopped);
/// empty when it would, or when the printer is not a queue of the printing system. Asking
/// leaves the printing system's answer as the last one on this thread: call it right before
/// the job, so that jobRefusal() speaks of that job alone.
[[nodiscard]] QString whyRefused(const QPrinter &printer);

/// Why the printing system refused the job just ended on this thread; empty when it took it.
[[nodiscard]] QString jobRefusal(const QPrinter &printer);

} // namespace PrintQueue
