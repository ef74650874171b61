// zip_entry_reader.cpp - entry records with true sizes, and entry data read
// straight from the archive, inflated (ISA-L) and checked in bounded chunks.
//   1. zip64 sizes and offset from the central extra field
//   2. where the data lies: the local header
//   3. the data: raw reads, stored or deflated, size and CRC; overlaps
//   4. minizip's reading of the directory, on the same descriptor
//   5. the calls: the archive, an entry's record, its data
#include "zip_entry_reader.h"

#include "foundation/hl_types.h"
#include "files/io_errors.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::uint64_t load_le(const unsigned char* p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// ---- 1. zip64 sizes and offset --------------------------------------------------

constexpr ZPOS64_T zip32_escape = 0xffffffffu; // a 32-bit field whose value lives in zip64
constexpr unsigned zip64_tag = 0x0001;

// The zip64 block of a central extra field (its data and length); false when
// there is none or a block header claims more than the field holds.
bool find_zip64_block(const unsigned char* extra, std::size_t length, const unsigned char*& block,
                      std::size_t& block_length)
{
    for (std::size_t at = 0; length - at >= 4;) {
        const std::size_t id = load_le(extra + at, 2), size = load_le(extra + at + 2, 2);
        if (size > length - at - 4) return false;
        if (id == zip64_tag) {
            block = extra + at + 4;
            block_length = size;
            return true;
        }
        at += 4 + size;
    }
    return false;
}

// The next 8-byte value of the block, when that many bytes are left.
bool take_u64(const unsigned char*& p, std::size_t& left, ZPOS64_T& value)
{
    if (left < 8) return false;
    value = load_le(p, 8);
    p += 8;
    left -= 8;
    return true;
}

// The block holds, in order and each only when its 32-bit field is escaped, the
// uncompressed size, the compressed size and the local header offset. The
// offset's own field is not reported by minizip, so bytes left after the sizes
// are the offset. False when an escaped size has no value.
bool apply_zip64(zip_entry& entry, const unsigned char* extra, std::size_t length)
{
    unz_file_info64& info = entry.info;
    const bool need_u = info.uncompressed_size == zip32_escape;
    const bool need_c = info.compressed_size == zip32_escape;
    const unsigned char* p = nullptr;
    std::size_t left = 0;
    if (!find_zip64_block(extra, length, p, left)) return !need_u && !need_c;
    if (need_u && !take_u64(p, left, info.uncompressed_size)) return false;
    if (need_c && !take_u64(p, left, info.compressed_size)) return false;
    take_u64(p, left, entry.header_at);
    return true;
}

// ---- 2. where the data lies -----------------------------------------------------

constexpr std::uint32_t local_signature = 0x04034b50; // "PK\3\4"
constexpr std::size_t local_header_size = 30;

// Reads exactly size bytes at offset; false on a failure or an early end.
bool read_at(int fd, void* buf, std::size_t size, ZPOS64_T offset)
{
    char* p = static_cast<char*>(buf);
    while (size > 0) {
        ssize_t got = pread(fd, p, size, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        size -= std::size_t(got);
        offset += ZPOS64_T(got);
    }
    return true;
}

// The data behind the local header at `at`: its signature checked, its name
// and extra field stepped over.
int data_after_local_header(const zip_archive& za, ZPOS64_T at, ZPOS64_T& data_at)
{
    unsigned char h[local_header_size];
    if (at > za.size || za.size - at < sizeof h || !read_at(za.fd, h, sizeof h, at)) {
        zip_log() << "UNZIP local header at " << at << " lies past the end of the archive\n";
        return err_zip_read;
    }
    if (load_le(h, 4) != local_signature) {
        zip_log() << "UNZIP no local header signature at " << at << "\n";
        return err_zip_read;
    }
    data_at = at + sizeof h + load_le(h + 26, 2) + load_le(h + 28, 2);
    return 0;
}

// The entry's raw data position, checked to hold the compressed size.
int locate_data(const zip_archive& za, const zip_entry& entry, ZPOS64_T& data_at)
{
    if (entry.header_at != zip_header_by_minizip) {
        if (int err = data_after_local_header(za, entry.header_at, data_at)) return err;
    } else {
        // A raw open reads no data; minizip checks the local header against
        // the central record on the way.
        if (int err = unzOpenCurrentFile2(za.uf, nullptr, nullptr, 1)) return err;
        data_at = unzGetCurrentFileZStreamPos64(za.uf);
        if (int err = unzCloseCurrentFile(za.uf)) return err;
    }
    if (data_at > za.size || entry.info.compressed_size > za.size - data_at) {
        zip_log() << "UNZIP entry data of " << entry.info.compressed_size << " bytes at " << data_at
            << " runs past the end of the archive\n";
        return err_zip_read;
    }
    return 0;
}

// ---- 3. the data ----------------------------------------------------------------

struct entry_stream {
    int fd;
    ZPOS64_T at;      // next raw byte in the archive
    ZPOS64_T left;    // raw bytes not yet read
    const unz_file_info64& info;
    char* out;        // zip_out_chunk bytes
    char* in;         // zip_in_chunk bytes
    zip_sink sink;
    void* target;
    ZPOS64_T total;   // bytes handed to the sink
    std::uint32_t crc;
};

// Up to `room` next raw bytes into buf: their count, 0 past the entry's data,
// or -1 when the archive cannot be read there.
long next_raw(entry_stream& s, char* buf, std::size_t room)
{
    const std::size_t want = s.left < room ? std::size_t(s.left) : room;
    if (want == 0) return 0;
    if (!read_at(s.fd, buf, want, s.at)) {
        zip_log() << "UNZIP cannot read " << want << " bytes of entry data at " << s.at << "\n";
        return -1;
    }
    s.at += want;
    s.left -= want;
    return long(want);
}

// Hands one piece on, refusing data beyond the declared size before it lands.
int deliver(entry_stream& s, const char* data, std::size_t size)
{
    if (size > s.info.uncompressed_size - s.total) return err_zip_read;
    s.total += size;
    s.crc = crc32_gzip_refl(s.crc, reinterpret_cast<const unsigned char*>(data), size);
    return s.sink(s.target, data, size);
}

int copy_stored(entry_stream& s)
{
    if (s.info.compressed_size != s.info.uncompressed_size) {
        zip_log() << "UNZIP stored entry declares " << s.info.compressed_size << " bytes packed and "
            << s.info.uncompressed_size << " unpacked\n";
        return err_zip_read;
    }
    for (;;) {
        long got = next_raw(s, s.out, zip_out_chunk);
        if (got < 0) return err_zip_read;
        if (got == 0) return 0;
        if (int err = deliver(s, s.out, std::size_t(got))) return err;
    }
}

// ISA-L's inflate: about three times zlib's speed on the product's data, and
// streamed like zlib's, so memory stays flat in the size of the entry.
int inflate_loop(entry_stream& s, inflate_state& st)
{
    bool input_done = false;
    for (;;) {
        if (st.avail_in == 0 && !input_done) {
            long got = next_raw(s, s.in, zip_in_chunk);
            if (got < 0) return err_zip_read;
            input_done = got == 0;
            st.next_in = reinterpret_cast<std::uint8_t*>(s.in);
            st.avail_in = std::uint32_t(got);
        }
        const std::uint32_t fed = st.avail_in;
        st.next_out = reinterpret_cast<std::uint8_t*>(s.out);
        st.avail_out = std::uint32_t(zip_out_chunk);
        const int z = isal_inflate(&st);
        const std::size_t produced = zip_out_chunk - st.avail_out;
        if (produced > 0)
            if (int err = deliver(s, s.out, produced)) return err;
        if (z != ISAL_DECOMP_OK) {
            zip_log() << "UNZIP inflate stopped with ISA-L err=" << z << "\n";
            return err_zip_read;
        }
        if (st.block_state == ISAL_BLOCK_FINISH) return 0;
        // With room for output, a call that takes no input and gives no
        // output can only be at the end of the data: the stream is cut short.
        if (produced == 0 && st.avail_in == fed) {
            zip_log() << "UNZIP entry data end inside the deflate stream\n";
            return err_zip_read;
        }
    }
}

int inflate_deflated(entry_stream& s)
{
    std::unique_ptr<inflate_state> st(new (std::nothrow) inflate_state);
    if (!st) return ENOMEM;
    isal_inflate_init(st.get());
    return inflate_loop(s, *st);
}

// Records the raw data [at, at + size) as read; err_zip_overlap when it shares
// a byte with data read before. Entries that share one block of data would
// write it again and again (16 entries of one 64 MiB block: 1 GiB from 66 KiB).
int claim_data(zip_archive& za, ZPOS64_T at, ZPOS64_T size)
{
    if (size == 0) return 0;
    const ZPOS64_T end = at + size; // locate_data checked that it lies within the file
    auto next = za.claimed.lower_bound(at);
    const bool hits_next = next != za.claimed.end() && next->first < end;
    const bool hits_prev = next != za.claimed.begin() && std::prev(next)->second > at;
    if (hits_next || hits_prev) {
        zip_log() << "UNZIP entry data at " << at << " (" << size << " bytes) overlap another entry's\n";
        return err_zip_overlap;
    }
    za.claimed.emplace_hint(next, at, end);
    return 0;
}

// ---- 4. minizip's reading ---------------------------------------------------------

// minizip reads the directory through these, from the one descriptor that the
// entries' data are read from too: the archive is opened once, and minizip's
// many seeks and small reads (a header byte by byte) cost no system call: a
// seek only moves an offset, and reads come from a window of the file read
// ahead with pread.
struct archive_file {
    int fd = -1;
    ZPOS64_T size = 0;
    ZPOS64_T pos = 0;
    ZPOS64_T window_at = 0;
    std::size_t window_length = 0;
    bool failed = false;
    unsigned char window[16 * 1024];
};

voidpf ZCALLBACK archive_open(voidpf opaque, const void* path, int mode)
{
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    const int fd = open(static_cast<const char*>(path), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0) return nullptr;
    archive_file* f = fstat(fd, &st) == 0 ? new (std::nothrow) archive_file : nullptr;
    if (!f) {
        close(fd);
        return nullptr;
    }
    f->fd = fd;
    f->size = ZPOS64_T(st.st_size);
    zip_archive& za = *static_cast<zip_archive*>(opaque);
    za.fd = fd;
    za.size = f->size;
    return f;
}

uLong ZCALLBACK archive_read(voidpf, voidpf stream, void* buf, uLong size)
{
    archive_file& f = *static_cast<archive_file*>(stream);
    unsigned char* out = static_cast<unsigned char*>(buf);
    uLong done = 0;
    while (done < size && f.pos < f.size) {
        if (f.pos < f.window_at || f.pos >= f.window_at + f.window_length) {
            if (size - done >= sizeof f.window) { // a large read goes straight to the caller
                ssize_t got = pread(f.fd, out + done, size - done, off_t(f.pos));
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) {
                    f.failed = got < 0;
                    break;
                }
                f.pos += ZPOS64_T(got);
                done += uLong(got);
                continue;
            }
            ssize_t got = pread(f.fd, f.window, sizeof f.window, off_t(f.pos));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                f.failed = got < 0;
                break;
            }
            f.window_at = f.pos;
            f.window_length = std::size_t(got);
        }
        const std::size_t from = std::size_t(f.pos - f.window_at);
        const std::size_t n = std::min<std::size_t>(size - done, f.window_length - from);
        std::memcpy(out + done, f.window + from, n);
        f.pos += n;
        done += uLong(n);
    }
    return done;
}

uLong ZCALLBACK archive_write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK archive_tell(voidpf, voidpf stream) { return static_cast<archive_file*>(stream)->pos; }

long ZCALLBACK archive_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    archive_file& f = *static_cast<archive_file*>(stream);
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: f.pos = offset; return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: f.pos += offset; return 0;
    case ZLIB_FILEFUNC_SEEK_END: f.pos = f.size + offset; return 0;
    default: return -1;
    }
}

int ZCALLBACK archive_close(voidpf, voidpf stream)
{
    archive_file* f = static_cast<archive_file*>(stream);
    const int r = close(f->fd);
    delete f;
    return r;
}

int ZCALLBACK archive_error(voidpf, voidpf stream) { return static_cast<archive_file*>(stream)->failed ? 1 : 0; }

const zlib_filefunc64_def archive_io = {archive_open, archive_read, archive_write, archive_tell,
                                        archive_seek, archive_close, archive_error, nullptr};

} // namespace

// ---- 5. the calls ---------------------------------------------------------------

int zip_open_archive(const std::string& path, zip_archive& za)
{
    za = zip_archive{};
    zlib_filefunc64_def io = archive_io;
    io.opaque = &za; // the opening fills in fd and size
    za.uf = unzOpen2_64(path.c_str(), &io);
    if (za.uf) return 0;
    za = zip_archive{}; // minizip closed the file, if it was opened at all
    return err_zip_open;
}

void zip_close_archive(zip_archive& za)
{
    if (za.uf) unzClose(za.uf); // closes fd too
    za = zip_archive{};
}

int zip_fetch_entry_info(unzFile uf, zip_entry& entry, char* work)
{
    unsigned char* extra = reinterpret_cast<unsigned char*>(work + zip_out_chunk + zip_in_chunk);
    entry.header_at = zip_header_by_minizip;
    // At most size - 1 bytes of the name are read, so it stays terminated.
    entry.name[zip_name_size - 1] = '\0';
    int err = unzGetCurrentFileInfo64(uf, &entry.info, entry.name, zip_name_size - 1, extra, zip_extra_size,
                                      nullptr, 0);
    if (err != UNZ_OK) return err;
    const unz_file_info64& info = entry.info;
    std::size_t extra_length = info.size_file_extra < zip_extra_size ? info.size_file_extra : zip_extra_size;
    if (apply_zip64(entry, extra, extra_length)) return 0;
    zip_log() << "UNZIP entry sizes are escaped to zip64 but its extra field holds no value for them\n";
    return err_zip_read;
}

int zip_read_entry(zip_archive& za, const zip_entry& entry, char* work, zip_sink sink, void* target)
{
    const unz_file_info64& info = entry.info;
    ZPOS64_T data_at = 0;
    if (int err = locate_data(za, entry, data_at)) return err;
    if (int err = claim_data(za, data_at, info.compressed_size)) return err;
    entry_stream s{za.fd, data_at, info.compressed_size, info, work, work + zip_out_chunk, sink, target, 0, 0};
    const uLong method = info.compression_method;
    int err = method == Z_DEFLATED ? inflate_deflated(s) : method == 0 ? copy_stored(s) : UNZ_BADZIPFILE;
    if (!err && s.total != info.uncompressed_size) {
        zip_log() << "UNZIP entry gave " << s.total << " of " << info.uncompressed_size << " bytes\n";
        err = err_zip_read;
    }
    if (!err && s.crc != info.crc) err = UNZ_CRCERROR;
    return err;
}
