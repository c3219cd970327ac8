#include "kmz_sink.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <unistd.h>
#include <zip.h>

namespace conversion {

namespace {

struct Stream {
    int fd;
    int error;
};

// minizip's file functions over our descriptor: it seeks back to complete
// each entry's header, so the file must be seekable.
voidpf Open(voidpf opaque, const void *, int) { return opaque; }

uLong WriteFile(voidpf, voidpf stream, const void *buffer, uLong size) {
    auto *s = static_cast<Stream *>(stream);
    const char *p = static_cast<const char *>(buffer);
    uLong left = size;
    while (left > 0) {
        const ssize_t n = ::write(s->fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            s->error = n < 0 ? errno : EIO;
            return size - left;
        }
        p += n;
        left -= static_cast<uLong>(n);
    }
    return size;
}

uLong ReadFile(voidpf, voidpf stream, void *buffer, uLong size) {
    auto *s = static_cast<Stream *>(stream);
    const ssize_t n = ::read(s->fd, buffer, size);
    return n < 0 ? 0 : static_cast<uLong>(n);
}

ZPOS64_T Tell(voidpf, voidpf stream) {
    auto *s = static_cast<Stream *>(stream);
    const off_t at = ::lseek(s->fd, 0, SEEK_CUR);
    return at < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(at);
}

long Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto *s = static_cast<Stream *>(stream);
    const int whence = origin == ZLIB_FILEFUNC_SEEK_CUR   ? SEEK_CUR
                       : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END
                                                          : SEEK_SET;
    if (::lseek(s->fd, static_cast<off_t>(offset), whence) < 0) {
        s->error = errno;
        return -1;
    }
    return 0;
}

int Close(voidpf, voidpf) { return 0; } // the conversion closes the descriptor
int StreamError(voidpf, voidpf stream) { return static_cast<Stream *>(stream)->error; }

} // namespace

KmzSink::KmzSink(int fd) {
    if (::lseek(fd, 0, SEEK_CUR) < 0) {
        error_ = ESPIPE;
        return;
    }
    auto *stream = new Stream{fd, 0};
    zlib_filefunc64_def functions{};
    functions.zopen64_file = Open;
    functions.zread_file = ReadFile;
    functions.zwrite_file = WriteFile;
    functions.ztell64_file = Tell;
    functions.zseek64_file = Seek;
    functions.zclose_file = Close;
    functions.zerror_file = StreamError;
    functions.opaque = stream;
    zipFile zip = zipOpen2_64("doc.kmz", APPEND_STATUS_CREATE, nullptr, &functions);
    if (!zip) {
        error_ = stream->error ? stream->error : EIO;
        delete stream;
        return;
    }
    zip_fileinfo info{};
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    ::gmtime_r(&now, &t);
    info.tmz_date = {static_cast<uInt>(t.tm_sec),  static_cast<uInt>(t.tm_min), static_cast<uInt>(t.tm_hour),
                     static_cast<uInt>(t.tm_mday), static_cast<uInt>(t.tm_mon), static_cast<uInt>(t.tm_year + 1900)};
    // Zip64 headers: a document of a long log may pass 4 GB. The fastest
    // deflate level: a track's text shrinks about tenfold even so.
    if (zipOpenNewFileInZip64(zip, "doc.kml", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_SPEED, 1) !=
        ZIP_OK) {
        error_ = stream->error ? stream->error : EIO;
        zipClose(zip, nullptr);
        delete stream;
        return;
    }
    zip_ = zip;
    stream_ = stream;
}

KmzSink::~KmzSink() {
    if (zip_) {
        // Abandoned: the descriptor may be closed already, so nothing more is written.
        static_cast<Stream *>(stream_)->fd = -1;
        zipCloseFileInZip(zip_);
        zipClose(zip_, nullptr);
    }
    delete static_cast<Stream *>(stream_);
}

bool KmzSink::Write(const char *data, size_t size) {
    if (!zip_) return false;
    while (size > 0) {
        const unsigned n = static_cast<unsigned>(std::min<size_t>(size, 1u << 30));
        if (zipWriteInFileInZip(zip_, data, n) != ZIP_OK) {
            const int e = static_cast<Stream *>(stream_)->error;
            error_ = e ? e : EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool KmzSink::Finish() {
    if (!zip_) return false;
    const bool ok = zipCloseFileInZip(zip_) == ZIP_OK && zipClose(zip_, nullptr) == ZIP_OK;
    zip_ = nullptr;
    if (!ok) {
        const int e = static_cast<Stream *>(stream_)->error;
        error_ = e ? e : EIO;
    }
    return ok;
}

} // namespace conversion
