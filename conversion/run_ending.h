// The end of every run, whatever document it writes, in one place: so that
// each checks a cancel after the last line and again once the last lines are
// out, and none writes closing lines after a cancel.
#pragma once

#include <atomic>
#include <string>

#include "byte_io.h"
#include "conversion_outcome.h"

namespace conversion {

// What a document still owes once the log has ended.
class DocumentTail {
  public:
    // Lines before the footer; false, with the reason in `error`, when they
    // could not be produced.
    virtual bool WriteRest(OutputBuffer &out, std::string &error) = 0;
    virtual void WriteFooter(OutputBuffer &out) = 0;

  protected:
    ~DocumentTail() = default;
};

inline bool CancelRequested(const std::atomic<bool> *cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// Ends a run whose lines are all read, or that stopped early with its reason
// in `outcome`; `readFailed` when the last read failed, with the reader's
// errno. The footer follows only while the outcome is done; what the output
// holds is written out and a failed write reported.
void EndRun(OutputBuffer &out, ConversionOutcome &outcome, bool readFailed, int readError,
            const std::atomic<bool> *cancel, DocumentTail &tail);

} // namespace conversion
