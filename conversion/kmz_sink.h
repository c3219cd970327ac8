// A KMZ: the document deflated as "doc.kml" into a zip archive written by
// zlib's minizip onto an open, seekable file.
#pragma once

#include "byte_io.h"

namespace conversion {

class KmzSink : public ByteSink {
  public:
    explicit KmzSink(int fd);
    ~KmzSink() override;
    KmzSink(const KmzSink &) = delete;
    KmzSink &operator=(const KmzSink &) = delete;

    // False when the archive could not be started (Error() then holds errno).
    bool Opened() const { return zip_ != nullptr; }
    bool Write(const char *data, size_t size) override;
    // Ends doc.kml and writes the archive's directory.
    bool Finish();

  private:
    void *zip_ = nullptr;
    void *stream_ = nullptr;
};

} // namespace conversion
