// libFuzzer target: the HTTP reply reader of one transfer, on arbitrary bytes
// fed in pieces (the first byte sets the piece size, 1 to 64) into a
// destination file. A final header block carries a status of 200 or more; no
// more body bytes reach the file than the reply announced; the file holds
// exactly the bytes counted as written.
#include "fuzz_scratch.h"

#include "files/http.h"

#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz_scratch scratch;
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t count = size - 1;
    const std::string dest = scratch.dir + "/body";
    std::uint64_t written = 0;
    {
        // The server name holds a control character: the request is refused
        // before any lookup or socket, and the reply comes from here alone.
        down_class d("\x01", 80, "/file", false, {}, nullptr, 0, dest.c_str());
        for (std::size_t at = 0; at < count; at += piece)
            d.TakeReceived(bytes + at, count - at < piece ? count - at : piece);
        if (d.headers_done) fuzz_expect(d.status_code >= 200, "a final block has a final status");
        if (d.content_length != down_length_unknown)
            fuzz_expect(d.bytes_written <= d.content_length, "no byte past the announced length");
        written = d.bytes_written;
        if (!d.headers_done) fuzz_expect(written == 0, "no body before the header ends");
    }
    struct stat st{};
    if (stat(dest.c_str(), &st) == 0) {
        fuzz_expect(static_cast<std::uint64_t>(st.st_size) == written, "the file holds what was counted");
        unlink(dest.c_str());
    } else {
        fuzz_expect(written == 0, "counted bytes reached a file");
    }
    return 0;
}
