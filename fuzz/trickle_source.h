// Hands out the log a few bytes per read, so that lines straddle reads.
#pragma once

#include <algorithm>
#include <string_view>

#include "conversion/byte_io.h"

class TrickleSource : public conversion::ByteSource {
  public:
    TrickleSource(std::string_view bytes, size_t step) : bytes_(bytes), step_(step) {}
    long Read(char *buffer, size_t capacity) override {
        const size_t n = std::min({capacity, step_, bytes_.size()});
        std::copy_n(bytes_.data(), n, buffer);
        bytes_.remove_prefix(n);
        return static_cast<long>(n);
    }

  private:
    std::string_view bytes_;
    size_t step_;
};
