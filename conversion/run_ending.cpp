#include "run_ending.h"

#include <cstring>

namespace conversion {

void EndRun(OutputBuffer &out, ConversionOutcome &outcome, bool readFailed, int readError,
            const std::atomic<bool> *cancel, DocumentTail &tail) {
    const auto done = [&outcome] { return outcome.kind == OutcomeKind::Done; };
    if (done() && readFailed) {
        outcome.kind = OutcomeKind::ReadFailed;
        outcome.systemError = std::strerror(readError);
    }
    // Cancelled while a read waited or after the last line: the end of input
    // that followed is no end of the log.
    if (done() && CancelRequested(cancel)) outcome.kind = OutcomeKind::Cancelled;
    if (done()) {
        std::string error;
        if (!tail.WriteRest(out, error)) {
            outcome.kind = OutcomeKind::WriteFailed;
            outcome.systemError = std::move(error);
        }
    }
    // Up to its footer the document is not complete: a cancel still wins, and
    // no closing lines follow it. What is held goes out first, so that a cancel
    // that comes while it is written is seen too.
    if (done() && out.Flush() && CancelRequested(cancel)) outcome.kind = OutcomeKind::Cancelled;
    if (done()) tail.WriteFooter(out);
    out.Flush();
    if (out.Failed() && done()) {
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(out.Error());
    }
}

} // namespace conversion
